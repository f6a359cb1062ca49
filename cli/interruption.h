#pragma once

#include <atomic>

namespace velmora {

/// Lets an interrupt (SIGINT, SIGTERM, SIGHUP) end the run at a clean point instead of at
/// once: the first one sets the flag that interruption() gives, and the run stops reading and
/// finishes the row it is writing; a second one ends the process right away, removing any
/// visible temporary file. Signals that were ignored when the program started stay ignored.
void catchInterruptions();

/// Set once an interrupt has arrived.
const std::atomic<bool>& interruption();

/// Ends the process as the first interrupt would have ended it had it not been caught.
[[noreturn]] void endByInterruption();

} // namespace velmora
