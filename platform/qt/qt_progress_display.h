#pragma once

#include "../progress_display.h"
#include "owner_window.h"

#include <QObject>

#include <memory>

class QProgressDialog;

namespace velmora {

/// A progress dialog that appears once an operation has run for half a second; from begin()
/// on, input meant for the main window is dropped so that no other command can start. The
/// dialog is not modal, so the main window can always be closed, and closing the dialog
/// closes the main window.
class QtProgressDisplay final : public QObject, public ProgressDisplay
{
public:
    explicit QtProgressDisplay(const OwnerWindow& owner);
    ~QtProgressDisplay() override;

    void begin(const QString& label, qint64 total) override;
    void advance(qint64 done) override;
    void end() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// What the dialog itself is sent: its appearing and its close request.
    bool dialogEvent(QWidget& window, QEvent* event);

    const OwnerWindow& m_owner;
    std::unique_ptr<QProgressDialog> m_dialog;
    qint64 m_total = 0;
};

} // namespace velmora
