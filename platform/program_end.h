#pragma once

namespace velmora {

/// Ends the program while the window closes in the middle of a job that cannot be waited for:
/// a read or write may block for good (a FIFO nobody opens, a network file that hangs).
class ProgramEnd
{
public:
    virtual ~ProgramEnd() = default;
    /// The real one does not return; a test's may, once it has let the job go on.
    virtual void endNow() = 0;
};

} // namespace velmora
