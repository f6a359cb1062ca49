#pragma once

#include "desktop_shell.h"
#include "event_pump.h"
#include "file_dialogs.h"
#include "folder_picker.h"
#include "input_box.h"
#include "message_boxes.h"
#include "output_file_opener.h"
#include "program_end.h"
#include "progress_display.h"
#include "random_source.h"
#include "screen_info.h"
#include "settings_store.h"
#include "window_pointer.h"

namespace velmora {

/// Everything the program's logic asks of the platform, handed in by main() or by a test.
struct Platform
{
    MessageBoxes& messages;
    InputBox& input;
    FileDialogs& fileDialogs;
    FolderPicker& folderPicker;
    DesktopShell& shell;
    SettingsStore& settings;
    WindowPointer& pointer;
    ScreenInfo& screen;
    RandomSource& random;
    EventPump& events;
    ProgressDisplay& progress;
    OutputFileOpener& outputFiles;
    ProgramEnd& programEnd;
};

} // namespace velmora
