#pragma once

namespace velmora {

/// Opens /dev/null on each of descriptors 0, 1 and 2 that the program was started without,
/// as coreutils does, so that no file the program opens later is taken for standard input or
/// output. Standard input is opened for writing and the others for reading, so that using a
/// closed one still fails, with "Bad file descriptor", instead of succeeding quietly.
/// Call it first in main(), before anything opens a file.
void reopenClosedStandardDescriptors();

} // namespace velmora
