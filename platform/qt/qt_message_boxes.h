#pragma once

#include "../message_boxes.h"
#include "owner_window.h"

namespace velmora {

class QtMessageBoxes final : public MessageBoxes
{
public:
    explicit QtMessageBoxes(const OwnerWindow& owner)
        : m_owner(owner)
    { }
    MessageAnswer show(const QString& text, const QString& caption, MessageButtons buttons,
                       MessageIcon icon) override;

private:
    const OwnerWindow& m_owner;
};

} // namespace velmora
