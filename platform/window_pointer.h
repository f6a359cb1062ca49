#pragma once

#include <QString>

namespace velmora {

/// The main window's one pointer setting; the values are those the window design uses.
enum class MousePointer { Default = 0, Busy = 11, Custom = 99 };

/// The pointer shown over the main window and every control in it.
class WindowPointer
{
public:
    virtual ~WindowPointer() = default;
    virtual MousePointer pointer() const = 0;
    virtual void setPointer(MousePointer pointer) = 0;
    /// Makes the cursor file the image of the custom pointer. Returns false, and keeps the
    /// ordinary image for the custom pointer, when the file cannot be read as a cursor.
    virtual bool loadCustomImage(const QString& cursorFile) = 0;
};

} // namespace velmora
