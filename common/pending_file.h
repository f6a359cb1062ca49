// The interface of a file written in full or not at all: write, then commit.
#pragma once

#include <QString>

#include <string_view>

namespace velmora {

/// A file written in full or not at all: what is written waits beside the target and
/// replaces it only on commit(). Dropping an uncommitted file leaves the target as it was.
/// A target that is no regular file (a FIFO, a device) is written directly instead.
class PendingFile
{
public:
    virtual ~PendingFile() = default;
    /// Writes as much of `bytes` as it can and says how much; less than all is a failure,
    /// and errorString() tells why.
    virtual std::size_t write(std::string_view bytes) = 0;
    /// Puts the written content in the target's place. False, with the target untouched,
    /// when that or any earlier write failed.
    virtual bool commit() = 0;
    virtual QString errorString() const = 0;
};

} // namespace velmora
