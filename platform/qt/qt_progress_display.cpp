#include "qt_progress_display.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QWindow>

namespace velmora {

namespace {

// The dialog counts in ints; totals of bytes do not fit, so it shows per mille.
constexpr int dialogSteps = 1000;

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

} // namespace

QtProgressDisplay::QtProgressDisplay(const OwnerWindow& owner)
    : m_owner(owner)
{ }

QtProgressDisplay::~QtProgressDisplay() = default;

void QtProgressDisplay::begin(const QString& label, qint64 total)
{
    m_total = total;
    m_dialog = std::make_unique<QProgressDialog>(label, QString(), 0, total > 0 ? dialogSteps : 0,
                                                 m_owner.get());
    m_dialog->setWindowTitle(QGuiApplication::applicationDisplayName());
    // Not modal: Qt refuses the close request of a window that a modal one blocks, and the
    // main window must close at every moment. The event filter blocks its input instead.
    m_dialog->setMinimumDuration(500);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setValue(0);
    qApp->installEventFilter(this);
}

void QtProgressDisplay::advance(qint64 done)
{
    if (!m_dialog || m_total <= 0)
        return;
    const qint64 clamped = std::min(done, m_total);
    m_dialog->setValue(static_cast<int>(clamped * dialogSteps / m_total));
}

void QtProgressDisplay::end()
{
    qApp->removeEventFilter(this);
    m_dialog.reset();
}

bool QtProgressDisplay::eventFilter(QObject* watched, QEvent* event)
{
    QWidget* window = m_owner.get();
    if (!window)
        return QObject::eventFilter(watched, event);
    if (watched == m_dialog.get())
        return dialogEvent(*window, event);

    const QEvent::Type type = event->type();
    // The pointer is stopped where it reaches the main window, before Qt works out which control
    // lies under it: no control lights up, shows a tool tip or a pointer of its own meanwhile.
    if (watched == window->windowHandle()
        && (isUserInput(type) || type == QEvent::MouseMove || type == QEvent::Enter))
        return true;
    // Some input goes to the controls directly, shortcuts among it.
    if (watched->isWidgetType() && isUserInput(type)
        && static_cast<QWidget*>(watched)->window() == window)
        return true;
    return QObject::eventFilter(watched, event);
}

bool QtProgressDisplay::dialogEvent(QWidget& window, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show: {
        // As a modal dialog's appearing does, the control under the pointer learns that the
        // pointer has left it, and loses its hover light.
        if (QWindow* handle = window.windowHandle()) {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(handle, &leave);
        }
        return false;
    }
    case QEvent::Close:
        // There is nothing to cancel here: the user who closes the progress window wants
        // out, as with the main window's close button, and gets the same end.
        event->ignore();
        window.close();
        return true;
    default:
        return false;
    }
}

} // namespace velmora
