#pragma once

#include <QString>
#include <QtGlobal>

namespace velmora {

/// Shows how far a long operation has come. Between begin() and end() the main window takes
/// no input, but keeps repainting.
class ProgressDisplay
{
public:
    virtual ~ProgressDisplay() = default;
    /// `total` is in the operation's own units (bytes, rows); 0 means unknown.
    virtual void begin(const QString& label, qint64 total) = 0;
    virtual void advance(qint64 done) = 0;
    virtual void end() = 0;
};

} // namespace velmora
