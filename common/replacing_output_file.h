// Writes a user's output file on a descriptor, every failure with its errno: a new file made
// durable (fsync) and renamed over the target on commit, or a FIFO, device or standard output
// written directly.
#pragma once

#include "pending_file.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

struct stat;

namespace velmora {

/// A file the program writes for the user, with no way to lose what was there before:
/// - a regular file, or a name not taken yet, gets a new file in the same folder (nameless
///   where the file system allows it, else hidden and removed on failure) that takes the
///   target's place on commit(), keeping what `cp -a` keeps of it: owner, permission bits,
///   access control list and extended attributes; a symbolic link stays a link and the file
///   it leads to is replaced;
/// - anything else (a FIFO, a terminal, /dev/null) is written directly, never replaced;
/// - standard output is written directly too, and never closed.
/// Every failure keeps the cause the failing call gave, taken before any clean-up.
class ReplacingOutputFile final : public PendingFile
{
public:
    /// Opens the output for `path` (its bytes as pathBytes() gives them). Gives nothing, and
    /// the cause in `error`, when it cannot be written; the target is then untouched.
    static std::unique_ptr<ReplacingOutputFile> open(const QString& path, QString& error);
    /// The process's standard output.
    static std::unique_ptr<ReplacingOutputFile> standardOutput();

    /// Leaves the target as it was unless commit() succeeded.
    ~ReplacingOutputFile() override;
    Q_DISABLE_COPY_MOVE(ReplacingOutputFile)

    std::size_t write(std::string_view bytes) override;
    /// Syncs the new content and puts it in the target's place, or, written directly, checks
    /// that every byte was taken.
    bool commit() override;
    QString errorString() const override;

    /// Whether the output is a new file that takes the target's place on commit(), so that
    /// without it the target stays exactly as it was.
    bool replacesTarget() const { return m_kind == Kind::Replacing; }
    /// What of the replaced file's metadata the new one could not be given, each as "its owner
    /// could not be kept: CAUSE" (no permission, mostly); the content is whole all the same.
    const QStringList& metadataNotKept() const { return m_metadataNotKept; }

    /// Once `*flag` is set, the output finishes the line it is in the middle of and then takes
    /// nothing more (failing with EINTR), so that a reader never sees a cut-off line; and
    /// commit() no longer replaces the target.
    void stopAtLineEndWhen(const std::atomic<bool>* flag) { m_stopFlag = flag; }

private:
    enum class Kind { Replacing, Direct, StandardOutput };
    ReplacingOutputFile(Kind kind, int descriptor);

    bool fail(int error);
    /// Hands what a new file has gained since the last time to the disk once it is a few
    /// megabytes, without waiting for it.
    void startWriteback();
    bool writeAll(std::string_view bytes);
    bool putInPlace();
    /// Gives the new file what `cp -a` keeps of `target`; false only when its mode cannot be set.
    bool keepMetadataOf(const QByteArray& target, const struct stat& existing);

    const Kind m_kind;
    int m_descriptor;
    /// What the new file replaces, links resolved.
    QByteArray m_target;
    /// The visible name of the new file where the file system gave it no nameless start.
    QByteArray m_namedTemporary;
    int m_cleanupSlot = -1;
    int m_error = 0;
    bool m_committed = false;
    bool m_atLineStart = true;
    /// The bytes written so far, and how many of them were handed to the disk.
    std::uint64_t m_written = 0;
    std::uint64_t m_writebackStarted = 0;
    const std::atomic<bool>* m_stopFlag = nullptr;
    QStringList m_metadataNotKept;
};

/// Removes the visible temporary files of outputs still being written. Safe in a signal
/// handler, for a process that is ending before their owners could.
void removeUnfinishedOutputFiles();

} // namespace velmora
