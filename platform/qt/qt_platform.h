#pragma once

#include "../platform.h"
#include "immediate_program_end.h"
#include "owner_window.h"
#include "qt_desktop.h"
#include "qt_file_dialogs.h"
#include "qt_input_box.h"
#include "qt_message_boxes.h"
#include "qt_output_file_opener.h"
#include "qt_progress_display.h"
#include "qt_window_pointer.h"

namespace velmora {

/// The real platform: Qt's dialogs and desktop services. Create it after QApplication and
/// tell it the main window once that exists.
class QtPlatform
{
public:
    QtPlatform();
    void setMainWindow(QWidget* window) { m_owner.set(window); }
    Platform& platform() { return m_platform; }

private:
    OwnerWindow m_owner;
    QtMessageBoxes m_messages;
    QtInputBox m_input;
    QtFileDialogs m_fileDialogs;
    QtFolderPicker m_folderPicker;
    QtDesktopShell m_shell;
    QtSettingsStore m_settings;
    QtWindowPointer m_pointer;
    QtScreenInfo m_screen;
    TimeSeededRandom m_random;
    QtEventPump m_events;
    QtProgressDisplay m_progress;
    QtOutputFileOpener m_outputFiles;
    ImmediateProgramEnd m_programEnd;
    Platform m_platform;
};

} // namespace velmora
