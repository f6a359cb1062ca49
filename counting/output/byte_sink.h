// Where the results writer's bytes go, and the cause when they are refused: a QIODevice or a
// PendingFile.
#pragma once

#include <QString>

#include <cstdint>
#include <string_view>

class QIODevice;

namespace velmora {

class PendingFile;

/// Where a results file goes: a file, a temporary file that replaces the target once
/// complete, standard output, or a test's record. The results writer calls it from a thread
/// of its own, one call at a time.
class ByteSink
{
public:
    virtual ~ByteSink() = default;
    /// Writes as much of `bytes` as it can and says how much that was; when it is less than
    /// all, errorString() tells why.
    virtual std::size_t write(std::string_view bytes) = 0;
    virtual QString errorString() const = 0;
};

/// Writes to an open QIODevice: QFile, QSaveFile, or standard output opened as a QFile.
class DeviceByteSink final : public ByteSink
{
public:
    explicit DeviceByteSink(QIODevice& device)
        : m_device(device)
    { }

    std::size_t write(std::string_view bytes) override;
    QString errorString() const override;

private:
    QIODevice& m_device;
};

/// Writes to a file that replaces its target only once complete: a failed write never
/// reaches the target.
class PendingFileByteSink final : public ByteSink
{
public:
    explicit PendingFileByteSink(PendingFile& file)
        : m_file(file)
    { }

    std::size_t write(std::string_view bytes) override;
    QString errorString() const override;

private:
    PendingFile& m_file;
};

} // namespace velmora
