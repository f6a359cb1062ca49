#include "replacing_output_file.h"

#include "path_bytes.h"

#include <QRandomGenerator>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace velmora {

namespace {

/// The names of visible temporary files, for a signal handler to remove. A slot's name is
/// only read while its state says it is complete.
struct CleanupSlot
{
    enum State { Free, Changing, Named };
    std::atomic<int> state { Free };
    char name[PATH_MAX];
};
std::array<CleanupSlot, 8> cleanupSlots;

int claimCleanupSlot()
{
    for (std::size_t i = 0; i < cleanupSlots.size(); ++i) {
        int expected = CleanupSlot::Free;
        if (cleanupSlots[i].state.compare_exchange_strong(expected, CleanupSlot::Changing))
            return int(i);
    }
    return -1;
}

void nameCleanupSlot(int slot, const QByteArray& name)
{
    if (slot < 0)
        return;
    CleanupSlot& entry = cleanupSlots[std::size_t(slot)];
    entry.state.store(CleanupSlot::Changing);
    const std::size_t length = std::min<std::size_t>(std::size_t(name.size()), PATH_MAX - 1);
    std::memcpy(entry.name, name.constData(), length);
    entry.name[length] = '\0';
    entry.state.store(CleanupSlot::Named);
}

void releaseCleanupSlot(int slot)
{
    if (slot >= 0)
        cleanupSlots[std::size_t(slot)].state.store(CleanupSlot::Free);
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

/// `path` with every symbolic link at its end followed, also to a file that does not exist
/// yet, as the shell's redirection follows it. Fails with ELOOP as open() would.
bool followLinks(QByteArray& path, int& error)
{
    for (int hops = 0; hops < 40; ++hops) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), target, sizeof target);
        if (length < 0) {
            if (errno == EINVAL || errno == ENOENT)
                return true;
            error = errno;
            return false;
        }
        const QByteArray next(target, qsizetype(length));
        path = next.startsWith('/') ? next : QByteArray(folderOf(path) + '/' + next);
    }
    error = ELOOP;
    return false;
}

/// A hidden name beside `target` that nothing is using yet, likely.
QByteArray temporaryNameFor(const QByteArray& target)
{
    static constexpr char letters[]
        = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const QByteArray folder = folderOf(target);
    // Leaves room for the dot and the suffix within the longest name a folder takes.
    const QByteArray name = target.mid(target.lastIndexOf('/') + 1).left(NAME_MAX - 16);
    QByteArray suffix(8, '\0');
    for (char& letter : suffix)
        letter = letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
    return QByteArray(folder + "/." + name + '.' + suffix);
}

/// The names of the extended attributes of `path` (links followed), the access control list
/// among them; none where the file system keeps none.
QList<QByteArray> extendedAttributeNames(const QByteArray& path)
{
    QByteArray names;
    for (;;) {
        const ssize_t size = ::listxattr(path.constData(), nullptr, 0);
        if (size <= 0)
            return {};
        names.resize(size);
        const ssize_t got = ::listxattr(path.constData(), names.data(), std::size_t(size));
        if (got >= 0) {
            names.truncate(got);
            break;
        }
        if (errno != ERANGE) // else it grew meanwhile: ask again
            return {};
    }
    QList<QByteArray> list = names.split('\0');
    list.removeAll(QByteArray());
    return list;
}

/// The value of the attribute `name` of `path`; nothing, with errno set, when it cannot be read.
std::optional<QByteArray> extendedAttribute(const QByteArray& path, const QByteArray& name)
{
    for (;;) {
        const ssize_t size = ::getxattr(path.constData(), name.constData(), nullptr, 0);
        if (size < 0)
            return std::nullopt;
        QByteArray value(size, '\0');
        const ssize_t got
            = ::getxattr(path.constData(), name.constData(), value.data(), std::size_t(size));
        if (got >= 0) {
            value.truncate(got);
            return value;
        }
        if (errno != ERANGE)
            return std::nullopt;
    }
}

QString attributeDescription(const QByteArray& name)
{
    if (name == "system.posix_acl_access")
        return QStringLiteral("its access control list");
    return QStringLiteral("its extended attribute %1").arg(QString::fromUtf8(name));
}

bool lacksNamelessFiles(int error)
{
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

/// Waits until a descriptor that was opened non-blocking takes more.
bool waitUntilWritable(int descriptor)
{
    pollfd request { descriptor, POLLOUT, 0 };
    return ::poll(&request, 1, -1) >= 0 || errno == EINTR;
}

} // namespace

ReplacingOutputFile::ReplacingOutputFile(Kind kind, int descriptor)
    : m_kind(kind)
    , m_descriptor(descriptor)
{ }

std::unique_ptr<ReplacingOutputFile> ReplacingOutputFile::open(const QString& path, QString& error)
{
    const auto failure = [&error](int cause) {
        error = qt_error_string(cause);
        return nullptr;
    };
    QByteArray target = pathBytes(path);
    if (target.isEmpty())
        return failure(ENOENT);

    struct stat existing;
    const bool exists = ::stat(target.constData(), &existing) == 0;
    if (!exists && errno != ENOENT)
        return failure(errno);
    if (exists && !S_ISREG(existing.st_mode)) {
        const int descriptor = ::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (descriptor < 0)
            return failure(errno);
        return std::unique_ptr<ReplacingOutputFile>(
            new ReplacingOutputFile(Kind::Direct, descriptor));
    }

    // A file its owner made read-only stays as it is, though its folder would let it be
    // replaced.
    if (exists && ::access(target.constData(), W_OK) != 0)
        return failure(errno);
    int cause = 0;
    if (!followLinks(target, cause))
        return failure(cause);
    const QByteArray folder = folderOf(target);
    std::unique_ptr<ReplacingOutputFile> file(new ReplacingOutputFile(
        Kind::Replacing, ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666)));
    file->m_target = target;
    if (file->m_descriptor < 0) {
        if (!lacksNamelessFiles(errno))
            return failure(errno);
        // The name is known to the signal handler before the file exists, so that there is
        // no moment in which an interrupted run would leave it behind.
        file->m_cleanupSlot = claimCleanupSlot();
        do {
            file->m_namedTemporary = temporaryNameFor(target);
            nameCleanupSlot(file->m_cleanupSlot, file->m_namedTemporary);
            file->m_descriptor = ::open(file->m_namedTemporary.constData(),
                                        O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        } while (file->m_descriptor < 0 && errno == EEXIST);
        if (file->m_descriptor < 0) {
            const int openError = errno;
            file->m_namedTemporary.clear();
            return failure(openError);
        }
    }
    if (exists && !file->keepMetadataOf(target, existing))
        return failure(file->m_error);
    return file;
}

bool ReplacingOutputFile::keepMetadataOf(const QByteArray& target, const struct stat& existing)
{
    const auto notKept = [this](const QString& what, int cause) {
        m_metadataNotKept
            << QStringLiteral("%1 could not be kept: %2").arg(what, qt_error_string(cause));
    };
    // The owner first: changing it may clear the set-user-ID bits that fchmod then restores.
    // Only root gives files away; for anyone else the new file is their own, which is told of
    // only where the owner or group really differ.
    if (::fchown(m_descriptor, existing.st_uid, existing.st_gid) != 0) {
        const int cause = errno;
        struct stat made;
        if (::fstat(m_descriptor, &made) != 0 || made.st_uid != existing.st_uid)
            notKept(QStringLiteral("its owner"), cause);
        else if (made.st_gid != existing.st_gid)
            notKept(QStringLiteral("its group"), cause);
    }
    if (::fchmod(m_descriptor, existing.st_mode & 07777) != 0)
        return fail(errno);
    // The access control list is an extended attribute too; set after the mode, it leaves
    // the group bits showing its mask, as they did on the old file.
    for (const QByteArray& name : extendedAttributeNames(target)) {
        const std::optional<QByteArray> value = extendedAttribute(target, name);
        if (!value) {
            notKept(attributeDescription(name), errno);
        } else if (::fsetxattr(m_descriptor, name.constData(), value->constData(),
                               std::size_t(value->size()), 0)
                   != 0) {
            notKept(attributeDescription(name), errno);
        }
    }
    return true;
}

std::unique_ptr<ReplacingOutputFile> ReplacingOutputFile::standardOutput()
{
    return std::unique_ptr<ReplacingOutputFile>(
        new ReplacingOutputFile(Kind::StandardOutput, STDOUT_FILENO));
}

ReplacingOutputFile::~ReplacingOutputFile()
{
    if (m_kind != Kind::StandardOutput && m_descriptor >= 0)
        ::close(m_descriptor);
    if (!m_namedTemporary.isEmpty())
        ::unlink(m_namedTemporary.constData());
    releaseCleanupSlot(m_cleanupSlot);
}

bool ReplacingOutputFile::fail(int error)
{
    if (m_error == 0)
        m_error = error;
    return false;
}

std::size_t ReplacingOutputFile::write(std::string_view bytes)
{
    if (m_error != 0)
        return 0;
    std::size_t written = 0;
    while (written < bytes.size()) {
        std::string_view rest = bytes.substr(written);
        const bool stopping = m_stopFlag && m_stopFlag->load();
        if (stopping) {
            if (m_atLineStart) {
                fail(EINTR);
                return written;
            }
            // Only the end of the line in progress still goes out.
            const std::size_t lineEnd = rest.find('\n');
            if (lineEnd != std::string_view::npos)
                rest = rest.substr(0, lineEnd + 1);
        }
        const ssize_t taken = ::write(m_descriptor, rest.data(), rest.size());
        if (taken < 0) {
            if (errno == EINTR)
                continue;
            if ((errno == EAGAIN || errno == EWOULDBLOCK) && waitUntilWritable(m_descriptor))
                continue;
            fail(errno);
            return written;
        }
        if (taken > 0)
            m_atLineStart = rest[std::size_t(taken) - 1] == '\n';
        written += std::size_t(taken);
        m_written += std::uint64_t(taken);
    }
    startWriteback();
    return written;
}

void ReplacingOutputFile::startWriteback()
{
    // A new file is only made durable by commit()'s fsync, which would otherwise find all of
    // it still in memory (the system starts writing back only at a tenth of memory or after
    // half a minute) and wait for the whole file to reach the disk. Handed over as it grows,
    // the disk writes it while the rest is made. fsync still waits for every byte and tells
    // of any failure; a file system without the call writes back as before.
    constexpr std::uint64_t writebackStep = std::uint64_t(8) << 20;
    if (m_kind != Kind::Replacing || m_written - m_writebackStarted < writebackStep)
        return;
    ::sync_file_range(m_descriptor, off_t(m_writebackStarted),
                      off_t(m_written - m_writebackStarted), SYNC_FILE_RANGE_WRITE);
    m_writebackStarted = m_written;
}

bool ReplacingOutputFile::commit()
{
    if (m_error != 0 || m_committed)
        return m_error == 0;
    if (m_kind == Kind::Replacing) {
        if (::fsync(m_descriptor) != 0)
            return fail(errno);
        if (!putInPlace())
            return false;
    }
    if (m_kind != Kind::StandardOutput) {
        const int descriptor = std::exchange(m_descriptor, -1);
        if (::close(descriptor) != 0 && errno != EINTR)
            return fail(errno);
    }
    m_committed = true;
    return true;
}

bool ReplacingOutputFile::putInPlace()
{
    // An interrupt that came before the new file takes the old one's place leaves the old one;
    // one that comes after is the caller's to tell of.
    if (m_stopFlag && m_stopFlag->load())
        return fail(EINTR);
    if (m_namedTemporary.isEmpty()) {
        // A nameless file gets a hidden name just long enough to be renamed over the target.
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_descriptor);
        int slot = claimCleanupSlot();
        for (;;) {
            const QByteArray name = temporaryNameFor(m_target);
            nameCleanupSlot(slot, name);
            int linked = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(),
                                  AT_SYMLINK_FOLLOW);
            if (linked != 0 && errno == ENOENT)
                linked = ::linkat(m_descriptor, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH);
            if (linked == 0) {
                m_namedTemporary = name;
                m_cleanupSlot = slot;
                break;
            }
            if (errno != EEXIST) {
                const int linkError = errno;
                releaseCleanupSlot(slot);
                return fail(linkError);
            }
        }
    }
    if (::rename(m_namedTemporary.constData(), m_target.constData()) != 0)
        return fail(errno);
    m_namedTemporary.clear();
    // The rename is only lasting once the folder is on disk too; a folder that cannot be
    // synced (some network file systems) leaves it to the system.
    const int folder = ::open(folderOf(m_target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

QString ReplacingOutputFile::errorString() const
{
    return m_error == 0 ? QString() : qt_error_string(m_error);
}

void removeUnfinishedOutputFiles()
{
    for (CleanupSlot& slot : cleanupSlots) {
        if (slot.state.load() == CleanupSlot::Named)
            ::unlink(slot.name);
    }
}

} // namespace velmora
