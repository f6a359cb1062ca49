#include "pointer_rules.h"

#include <QMouseEvent>
#include <QWidget>

namespace velmora {

PointerRules::PointerRules(WindowPointer& pointer, QObject* parent)
    : QObject(parent)
    , m_pointer(pointer)
{ }

void PointerRules::addBackground(QWidget* widget)
{
    watch(widget, Area::Background);
}

void PointerRules::addList(QWidget* list)
{
    watch(list, Area::List);
    for (QWidget* part : list->findChildren<QWidget*>())
        watch(part, Area::List);
}

void PointerRules::addButton(QWidget* button)
{
    watch(button, Area::Button);
}

void PointerRules::watch(QWidget* widget, Area area)
{
    // Moves without a pressed button only reach widgets that track the mouse.
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
    m_areas.insert(widget, area);
}

bool PointerRules::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseMove)
        return false;
    switch (m_areas.value(watched)) {
    case Area::Background: {
        // A move over an option or a text box travels up to its frame: that is not the
        // frame's own area.
        const auto* widget = static_cast<QWidget*>(watched);
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (!widget->childAt(at))
            moveTo(MousePointer::Default);
        break;
    }
    case Area::List:
        moveTo(MousePointer::Default);
        break;
    case Area::Button:
        moveTo(MousePointer::Custom);
        break;
    }
    return false;
}

void PointerRules::moveTo(MousePointer pointer)
{
    const MousePointer current = m_pointer.pointer();
    if (current == MousePointer::Busy || current == pointer)
        return;
    m_pointer.setPointer(pointer);
}

} // namespace velmora
