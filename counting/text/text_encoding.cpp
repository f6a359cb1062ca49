#include "text_encoding.h"

namespace velmora {

namespace {

constexpr std::string_view utf16LittleEndianMark("\xFF\xFE");
constexpr std::string_view utf16BigEndianMark("\xFE\xFF");
constexpr std::string_view utf8Mark("\xEF\xBB\xBF");

bool couldBecome(std::string_view bytes, std::string_view mark)
{
    return bytes.size() < mark.size() && mark.substr(0, bytes.size()) == bytes;
}

bool startsWith(std::string_view bytes, std::string_view mark)
{
    return bytes.substr(0, mark.size()) == mark;
}

} // namespace

std::optional<EncodingMark> detectEncodingMark(std::string_view firstBytes, bool atEnd)
{
    if (startsWith(firstBytes, utf16LittleEndianMark))
        return EncodingMark { TextEncoding::Utf16LittleEndian, utf16LittleEndianMark.size() };
    if (startsWith(firstBytes, utf16BigEndianMark))
        return EncodingMark { TextEncoding::Utf16BigEndian, utf16BigEndianMark.size() };
    if (startsWith(firstBytes, utf8Mark))
        return EncodingMark { TextEncoding::EightBit, utf8Mark.size() };
    const bool markStillPossible = couldBecome(firstBytes, utf16LittleEndianMark)
        || couldBecome(firstBytes, utf16BigEndianMark) || couldBecome(firstBytes, utf8Mark);
    if (markStillPossible && !atEnd)
        return std::nullopt;
    return EncodingMark {};
}

} // namespace velmora
