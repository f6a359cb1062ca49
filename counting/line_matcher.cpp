#include "line_matcher.h"

#include <QList>

#include <cstring>

namespace velmora {

namespace {

constexpr std::string_view kelvinSign("\xE2\x84\xAA");
constexpr std::string_view longS("\xC5\xBF");

/// A rough rank of how often a byte turns up in text; the rarest byte of the filter text is
/// the one worth scanning for.
int commonness(unsigned char byte)
{
    constexpr std::string_view lettersByFrequency = "etaoinshrdlcumwfgypbvkjxqz";
    if (byte == ' ')
        return 1000;
    if (byte >= 'a' && byte <= 'z')
        return 900 - 30 * int(lettersByFrequency.find(char(byte)));
    if (byte >= 'A' && byte <= 'Z')
        return (900 - 30 * int(lettersByFrequency.find(char(byte - 'A' + 'a')))) / 4;
    if (byte >= '0' && byte <= '9')
        return 300;
    if (byte == '\t')
        return 400;
    if (byte < 0x20)
        return 10;
    if (byte >= 0xC0)
        return 200;
    if (byte >= 0x80)
        return 100;
    return 250;
}

bool isAsciiLetter(char32_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char32_t asciiUpper(char32_t c)
{
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

/// How often a line would hold one of the ways `c` can be written, letter case ignored.
int foldedCommonness(char32_t c)
{
    return isAsciiLetter(c) ? commonness(char(c)) + commonness(char(asciiUpper(c)))
                            : commonness(char(c));
}

bool containsBytes(std::string_view haystack, std::string_view needle)
{
    return memmem(haystack.data(), haystack.size(), needle.data(), needle.size()) != nullptr;
}

/// True when the text can be found in the bytes of a line as they are: no replacement
/// character (which invalid bytes decode to) and no lone surrogate (which no line decodes to).
bool isPlainText(const QString& text)
{
    const QList<uint> codePoints = text.toUcs4();
    for (const uint c : codePoints) {
        if (c == QChar::ReplacementCharacter || QChar::isSurrogate(c))
            return false;
    }
    return true;
}

QString foldedText(const QString& text)
{
    QList<uint> codePoints = text.toUcs4();
    for (uint& c : codePoints)
        c = QChar::toCaseFolded(char32_t(c));
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(codePoints.constData()),
                             codePoints.size());
}

bool isAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

} // namespace

LineMatcher::LineMatcher(const LineFilter& filter)
    : m_caseSensitivity(filter.caseSensitivity)
    , m_text(filter.text)
    , m_decoder(QStringConverter::Utf8,
                QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom)
{
    const bool breaksLines = m_text.contains(u'\r') || m_text.contains(u'\n');
    switch (filter.mode) {
    case LineFilterMode::Containing:
        m_rule = m_text.isEmpty() ? Rule::PassAll
            : breaksLines         ? Rule::PassNone
                                  : Rule::PassIfContains;
        break;
    case LineFilterMode::NotContaining:
        m_rule = m_text.isEmpty() ? Rule::PassNone
            : breaksLines         ? Rule::PassAll
                                  : Rule::PassIfNotContains;
        break;
    case LineFilterMode::Every:
        m_rule = Rule::PassAll;
        break;
    case LineFilterMode::Nothing:
        m_rule = Rule::PassNone;
        break;
    }
    if (m_rule != Rule::PassIfContains && m_rule != Rule::PassIfNotContains)
        return;

    const QString folded = foldedText(m_text);
    if (!isPlainText(m_text)) {
        m_search = Search::Decoded;
    } else if (m_caseSensitivity == Qt::CaseSensitive) {
        m_search = Search::ExactBytes;
        m_needle = m_text.toStdString();
    } else if (isAscii(folded)) {
        m_search = Search::AsciiFolded;
        m_needle = folded.toStdString();
        m_needleHasK = m_needle.find('k') != std::string::npos;
        m_needleHasS = m_needle.find('s') != std::string::npos;
    } else {
        m_search = Search::Decoded;
    }
    chooseCandidates();
    if (m_rule == Rule::PassIfContains && m_search != Search::Decoded)
        choosePair();
}

void LineMatcher::choosePair()
{
    const bool folded = m_search == Search::AsciiFolded;
    // KELVIN SIGN and LONG S take more bytes than the k and s they fold to, so no pair may
    // span a k or an s of a folded text.
    const auto keepsDistance
        = [&](std::size_t i) { return !folded || (m_needle[i] != 'k' && m_needle[i] != 's'); };
    const auto rank = [&](std::size_t i) {
        const auto byte = std::uint8_t(m_needle[i]);
        return folded ? foldedCommonness(byte) : commonness(byte);
    };
    // Two different places of the text make a far rarer pair than one; a single byte is the
    // last resort.
    const auto score
        = [&](std::size_t i, std::size_t j) { return rank(i) + rank(j) + (i == j ? 4000 : 0); };
    const std::size_t length = std::min<std::size_t>(m_needle.size(), 256);
    std::optional<std::pair<std::size_t, std::size_t>> best;
    for (std::size_t i = 0; i < length; ++i) {
        for (std::size_t j = i; j < length && keepsDistance(j); ++j) {
            if (!best || score(i, j) < score(best->first, best->second))
                best = { i, j };
        }
    }
    if (!best)
        return;
    const auto waysToWrite = [&](std::size_t i) {
        CandidateBytes bytes;
        const auto byte = std::uint8_t(m_needle[i]);
        bytes.add(byte);
        if (folded && isAsciiLetter(byte))
            bytes.add(std::uint8_t(asciiUpper(byte)));
        return bytes;
    };
    m_pair = CandidatePair { waysToWrite(best->first), waysToWrite(best->second),
                             best->second - best->first };
}

void LineMatcher::chooseCandidates()
{
    if (m_search == Search::ExactBytes) {
        unsigned char rarest = std::uint8_t(m_needle.front());
        for (const char byte : m_needle) {
            if (commonness(std::uint8_t(byte)) < commonness(rarest))
                rarest = std::uint8_t(byte);
        }
        m_candidates.add(rarest);
        m_examineEveryLine = false;
        return;
    }
    // Otherwise only an ASCII character of the text is sure to stand in a matching line as
    // itself (or, letter case ignored, as its other case, KELVIN SIGN or LONG S).
    const bool ignoreCase = m_caseSensitivity == Qt::CaseInsensitive;
    const QString searched = ignoreCase ? foldedText(m_text) : m_text;
    char32_t rarest = 0;
    for (const QChar c : searched) {
        const char32_t unit = c.unicode();
        if (unit == 0 || unit >= 0x80)
            continue;
        if (rarest == 0 || foldedCommonness(unit) < foldedCommonness(rarest))
            rarest = unit;
    }
    if (rarest == 0)
        return;
    m_examineEveryLine = false;
    m_candidates.add(std::uint8_t(rarest));
    if (!ignoreCase)
        return;
    m_candidates.add(std::uint8_t(asciiUpper(rarest)));
    if (rarest == 'k')
        m_candidates.add(std::uint8_t(kelvinSign.back()));
    if (rarest == 's')
        m_candidates.add(std::uint8_t(longS.back()));
}

bool LineMatcher::passes(std::string_view line)
{
    switch (m_rule) {
    case Rule::PassAll:
        return true;
    case Rule::PassNone:
        return false;
    case Rule::PassIfContains:
        return contains(line);
    case Rule::PassIfNotContains:
        return !contains(line);
    }
    return false;
}

bool LineMatcher::contains(std::string_view line)
{
    switch (m_search) {
    case Search::ExactBytes:
        return containsBytes(line, m_needle);
    case Search::AsciiFolded:
        return containsAsciiFolded(line);
    case Search::Decoded:
        return containsDecoded(line);
    }
    return false;
}

bool LineMatcher::containsAsciiFolded(std::string_view line)
{
    if ((m_needleHasK && containsBytes(line, kelvinSign))
        || (m_needleHasS && containsBytes(line, longS)))
        return containsDecoded(line);
    // Bytes of other characters never fold to ASCII, so folding the ASCII letters of the raw
    // line is enough; invalid bytes stay as they are and match nothing of an ASCII text.
    m_foldedLine.resize(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char byte = line[i];
        m_foldedLine[i] = byte >= 'A' && byte <= 'Z' ? char(byte - 'A' + 'a') : byte;
    }
    return containsBytes(m_foldedLine, m_needle);
}

bool LineMatcher::containsDecoded(std::string_view line)
{
    const QString decoded = m_decoder(QByteArrayView(line.data(), qsizetype(line.size())));
    return decoded.contains(m_text, m_caseSensitivity);
}

} // namespace velmora
