#pragma once

#include "../input_box.h"
#include "owner_window.h"

namespace velmora {

class QtInputBox final : public InputBox
{
public:
    explicit QtInputBox(const OwnerWindow& owner)
        : m_owner(owner)
    { }
    QString ask(const QString& prompt, const QString& caption,
                const QString& defaultAnswer) override;

private:
    const OwnerWindow& m_owner;
};

} // namespace velmora
