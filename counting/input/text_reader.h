#pragma once

#include "count_control.h"

#include <QString>

#include <string_view>

class QIODevice;

namespace velmora {

/// Takes a file's text piece by piece as ReadWholeFile delivers it.
class TextConsumer
{
public:
    virtual ~TextConsumer() = default;
    /// The next piece of the text in UTF-8 (8-bit text exactly as read, 16-bit text converted),
    /// the byte-order mark removed. Pieces split the text anywhere. False stops the reading.
    virtual bool consumeText(std::string_view text) = 0;
};

struct ReadOutcome
{
    enum class Kind {
        Read, ///< the whole text was delivered
        Missing, ///< the path does not exist; nothing was delivered
        Failed, ///< the file could not be opened or read; `description` says why
        Stopped, ///< the control or the consumer stopped the reading
        Binary ///< passed over, as the control asked, for a NUL in the first block
    };
    Kind kind = Kind::Read;
    QString description;
};

/// Reads the file at `path` whole, in blocks, and delivers its text. The first bytes decide
/// the encoding (FF FE: UTF-16 little-endian, FE FF: big-endian, EF BB BF or anything else:
/// 8-bit), and the mark is not delivered. A file of zero bytes gives the text "empty file", or
/// none, as the control's zeroByteFile says.
/// No file stays open after it returns.
ReadOutcome ReadWholeFile(const QString& path, TextConsumer& consumer,
                          const CountControl& control = {});

/// The same for a device that is already open, such as standard input.
ReadOutcome readWholeDevice(QIODevice& device, TextConsumer& consumer,
                            const CountControl& control = {});

} // namespace velmora
