#pragma once

#include <QString>

namespace velmora {

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Exclamation };
enum class MessageAnswer { Ok, Yes, No };

/// Modal message boxes over the main window.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    /// Carriage returns in `text` are line breaks; a Yes/No box has Yes as its default button.
    virtual MessageAnswer show(const QString& text, const QString& caption, MessageButtons buttons,
                               MessageIcon icon)
        = 0;
};

} // namespace velmora
