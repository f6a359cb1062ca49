#include "long_path.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

/// Where the last stretch of a path starts from: a folder's descriptor (AT_FDCWD for the
/// working folder, the only one not to close) and the rest of the path, shorter than
/// PATH_MAX and ending where the whole path ends, so that it is NUL-terminated.
class LastStretch
{
public:
    explicit LastStretch(const QByteArray& path)
        : m_rest(path.constData())
        , m_restSize(path.size())
    {
        while (m_restSize >= PATH_MAX) {
            // Cut after the last separator that leaves the stretch short enough. A single
            // name that long has no such separator: the last call refuses it as it should.
            const QByteArrayView head(m_rest, PATH_MAX - 1);
            const qsizetype cut = head.lastIndexOf('/');
            if (cut < 0)
                return;
            const QByteArray stretch(m_rest, cut + 1);
            const int next
                = ::openat(m_folder, stretch.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (next < 0) {
                m_failure = errno;
                return;
            }
            closeFolder();
            m_folder = next;
            m_rest += cut + 1;
            m_restSize -= cut + 1;
            // "a//b" is "a/b"; a rest that began with '/' would start again from the root.
            while (m_restSize > 0 && *m_rest == '/') {
                ++m_rest;
                --m_restSize;
            }
            if (m_restSize == 0)
                m_rest = ".";
        }
    }
    ~LastStretch() { closeFolder(); }
    LastStretch(const LastStretch&) = delete;
    LastStretch& operator=(const LastStretch&) = delete;

    /// The errno of the stretch that could not be opened, else 0.
    int failure() const { return m_failure; }
    int folder() const { return m_folder; }
    const char* rest() const { return m_rest; }

private:
    void closeFolder()
    {
        if (m_folder != AT_FDCWD)
            ::close(m_folder);
    }

    int m_folder = AT_FDCWD;
    const char* m_rest;
    qsizetype m_restSize;
    int m_failure = 0;
};

/// `call(folder, rest)` for the last stretch of `path`; what it returns, errno set as it left
/// it even after the folder is closed.
template<typename Call> int atLastStretch(const QByteArray& path, Call call)
{
    int result = -1;
    int cause = 0;
    {
        const LastStretch last(path);
        cause = last.failure();
        if (cause == 0) {
            result = call(last.folder(), last.rest());
            cause = errno;
        }
    }
    if (result < 0)
        errno = cause;
    return result;
}

} // namespace

int openLongPath(const QByteArray& path, int flags)
{
    if (path.size() < PATH_MAX)
        return ::open(path.constData(), flags);
    return atLastStretch(
        path, [flags](int folder, const char* rest) { return ::openat(folder, rest, flags); });
}

int statLongPath(const QByteArray& path, struct stat* status)
{
    if (path.size() < PATH_MAX)
        return ::stat(path.constData(), status);
    return atLastStretch(path, [status](int folder, const char* rest) {
        return ::fstatat(folder, rest, status, 0);
    });
}

} // namespace velmora
