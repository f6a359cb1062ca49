#include "qt_platform.h"

namespace velmora {

QtPlatform::QtPlatform()
    : m_messages(m_owner)
    , m_input(m_owner)
    , m_fileDialogs(m_owner)
    , m_folderPicker(m_owner)
    , m_pointer(m_owner)
    , m_progress(m_owner)
    , m_platform { m_messages, m_input,       m_fileDialogs, m_folderPicker, m_shell,
                   m_settings, m_pointer,     m_screen,      m_random,       m_events,
                   m_progress, m_outputFiles, m_programEnd }
{ }

} // namespace velmora
