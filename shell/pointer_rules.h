#pragma once

#include "platform/window_pointer.h"

#include <QHash>
#include <QObject>

class QWidget;

namespace velmora {

/// The window's own pointer behaviour: the hand over the push buttons, the ordinary pointer
/// over the window's background, its frames and its lists, and never a change while busy.
/// Controls that are not registered (options, check box, text boxes) leave the pointer alone.
class PointerRules final : public QObject
{
public:
    explicit PointerRules(WindowPointer& pointer, QObject* parent = nullptr);

    /// The ordinary pointer over the widget's own area; over a child control, no change.
    void addBackground(QWidget* widget);
    /// The ordinary pointer anywhere on the list: rows, header and scroll bars.
    void addList(QWidget* list);
    /// The custom pointer (the hand) over the button.
    void addButton(QWidget* button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Area { Background, List, Button };
    void watch(QWidget* widget, Area area);
    void moveTo(MousePointer pointer);

    WindowPointer& m_pointer;
    QHash<QObject*, Area> m_areas;
};

} // namespace velmora
