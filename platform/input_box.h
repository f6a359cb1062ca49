#pragma once

#include <QString>

namespace velmora {

/// A modal prompt with one line of answer.
class InputBox
{
public:
    virtual ~InputBox() = default;
    /// Carriage returns in `prompt` are line breaks. Returns the empty text when cancelled.
    virtual QString ask(const QString& prompt, const QString& caption, const QString& defaultAnswer)
        = 0;
};

} // namespace velmora
