#include "qt_window_pointer.h"

#include "cursor_file.h"

namespace velmora {

void QtWindowPointer::setPointer(MousePointer pointer)
{
    m_pointer = pointer;
    QWidget* window = m_owner.get();
    if (!window)
        return;
    switch (pointer) {
    case MousePointer::Default:
        window->unsetCursor();
        break;
    case MousePointer::Busy:
        window->setCursor(Qt::WaitCursor);
        break;
    case MousePointer::Custom:
        // Without a hand cursor image the custom pointer looks like the ordinary one.
        if (m_customImage)
            window->setCursor(*m_customImage);
        else
            window->unsetCursor();
        break;
    }
}

bool QtWindowPointer::loadCustomImage(const QString& cursorFile)
{
    m_customImage = loadCursorFile(cursorFile);
    return m_customImage.has_value();
}

} // namespace velmora
