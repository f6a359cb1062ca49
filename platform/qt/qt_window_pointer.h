#pragma once

#include "../window_pointer.h"
#include "owner_window.h"

#include <QCursor>

#include <optional>

namespace velmora {

class QtWindowPointer final : public WindowPointer
{
public:
    explicit QtWindowPointer(const OwnerWindow& owner)
        : m_owner(owner)
    { }
    MousePointer pointer() const override { return m_pointer; }
    void setPointer(MousePointer pointer) override;
    bool loadCustomImage(const QString& cursorFile) override;

private:
    const OwnerWindow& m_owner;
    MousePointer m_pointer = MousePointer::Default;
    std::optional<QCursor> m_customImage;
};

} // namespace velmora
