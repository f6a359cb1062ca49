#pragma once

#include <QPointer>
#include <QWidget>

namespace velmora {

/// The main window that dialogs and message boxes are modal to. It is set once the window
/// exists; until then dialogs have no owner.
class OwnerWindow
{
public:
    void set(QWidget* window) { m_window = window; }
    QWidget* get() const { return m_window; }

private:
    QPointer<QWidget> m_window;
};

/// Carriage returns (alone or before a line feed) become the line breaks Qt's widgets show.
QString withDisplayLineBreaks(QString text);

} // namespace velmora
