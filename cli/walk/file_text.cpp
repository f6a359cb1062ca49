#include "file_text.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace velmora {

std::optional<std::string> fileText(int folder, const char* name)
{
    const int descriptor = ::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0)
        return std::nullopt;
    std::string text;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, std::size_t(got));
        } else if (got == 0 || errno != EINTR) {
            ::close(descriptor);
            if (got < 0)
                return std::nullopt;
            return text;
        }
    }
}

} // namespace velmora
