#include "byte_sink.h"

#include "common/pending_file.h"

#include <QIODevice>

namespace velmora {

std::size_t DeviceByteSink::write(std::string_view bytes)
{
    std::size_t written = 0;
    // A device may take part of a write; only a refusal to take any more is a failure, and
    // it leaves the reason in errorString().
    while (written < bytes.size()) {
        const qint64 taken = m_device.write(bytes.data() + written, qint64(bytes.size() - written));
        if (taken <= 0)
            break;
        written += std::size_t(taken);
    }
    return written;
}

QString DeviceByteSink::errorString() const
{
    return m_device.errorString();
}

std::size_t PendingFileByteSink::write(std::string_view bytes)
{
    return m_file.write(bytes);
}

QString PendingFileByteSink::errorString() const
{
    return m_file.errorString();
}

} // namespace velmora
