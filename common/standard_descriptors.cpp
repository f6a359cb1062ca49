#include "standard_descriptors.h"

#include <cerrno>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace velmora {

void reopenClosedStandardDescriptors()
{
    for (const int descriptor : { STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO }) {
        if (::fcntl(descriptor, F_GETFD) >= 0 || errno != EBADF)
            continue;
        // open() gives the lowest free descriptor, which is this one: those below are open.
        const int opened = ::open("/dev/null", descriptor == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        if (opened != descriptor) {
            // Without /dev/null the program cannot keep its own files off these numbers.
            _exit(127);
        }
    }
}

} // namespace velmora
