#include "line_matcher.h"

#include "byte_search.h"
#include "counting/text/case_variants.h"
#include "counting/text/utf16_length.h"

#include <QList>

#include <algorithm>
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
    if (byte == 0xC3)
        return 400; // the lead of every Latin-1 letter
    if (byte >= 0xC0)
        return 200;
    if (byte >= 0x80)
        return 100;
    return 250;
}

int commonness(const std::vector<unsigned char>& values)
{
    int sum = 0;
    for (const unsigned char value : values)
        sum += commonness(value);
    return sum;
}

/// QString::fromUcs4 would take a leading U+FEFF for a byte-order mark and drop it; a text
/// may hold that character like any other.
std::string utf8Of(char32_t c)
{
    return QStringView(QChar::fromUcs4(c)).toUtf8().toStdString();
}

bool containsBytes(std::string_view haystack, std::string_view needle)
{
    return holdsBytes(haystack, needle, false);
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
    QString folded;
    for (const uint c : text.toUcs4())
        folded += QChar::fromUcs4(QChar::toCaseFolded(char32_t(c)));
    return folded;
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

    const bool ignoreCase = m_caseSensitivity == Qt::CaseInsensitive;
    const QList<uint> codePoints = m_text.toUcs4();
    std::vector<std::vector<char32_t>> variants;
    bool anyVariants = false;
    for (const uint c : codePoints) {
        variants.push_back(ignoreCase ? caseVariants(char32_t(c))
                                      : std::vector<char32_t> { char32_t(c) });
        anyVariants = anyVariants || variants.back().size() > 1;
    }
    const QString folded = foldedText(m_text);
    if (!isPlainText(m_text)) {
        m_search = Search::Decoded;
    } else if (!anyVariants) {
        m_search = Search::ExactBytes;
        m_needle = m_text.toStdString();
    } else if (isAscii(folded)) {
        m_search = Search::AsciiFolded;
        m_needle = folded.toStdString();
        m_needleHasK = m_needle.find('k') != std::string::npos;
        m_needleHasS = m_needle.find('s') != std::string::npos;
    } else {
        m_search = Search::Folded;
    }
    if (ignoreCase) {
        for (const uint c : folded.toUcs4())
            m_foldedNeedle += char32_t(c);
        for (const char32_t variant : variants.front())
            m_firstBytes[static_cast<unsigned char>(utf8Of(variant).front())] = true;
    }
    preparePlaces(variants);
    chooseCandidates();
    if (m_search != Search::Decoded)
        choosePair();
}

void LineMatcher::preparePlaces(const std::vector<std::vector<char32_t>>& variants)
{
    std::size_t leastBefore = 0;
    std::size_t mostBefore = 0;
    for (const std::vector<char32_t>& ways : variants) {
        // Through QString, an invalid byte may stand for a character of the text: only
        // ASCII characters are sure to be there as themselves.
        if (m_search == Search::Decoded && ways.front() >= 0x80) {
            m_places.push_back({ {}, false });
            continue;
        }
        std::vector<std::string> encoded;
        for (const char32_t way : ways)
            encoded.push_back(utf8Of(way));
        const std::size_t length = encoded.front().size();
        const bool sameLength
            = std::all_of(encoded.begin(), encoded.end(),
                          [&](const std::string& e) { return e.size() == length; });
        const auto valuesAt = [&](const auto& byteOf) {
            std::vector<unsigned char> values;
            for (const std::string& e : encoded) {
                const auto value = static_cast<unsigned char>(byteOf(e));
                if (std::find(values.begin(), values.end(), value) == values.end())
                    values.push_back(value);
            }
            return values;
        };
        if (!sameLength) {
            // Each way of writing it ends in one of these, at no fixed distance.
            m_places.push_back({ valuesAt([](const std::string& e) { return e.back(); }), false });
            const auto [shortest, longest] = std::minmax_element(
                encoded.begin(), encoded.end(),
                [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
            leastBefore += shortest->size();
            mostBefore += longest->size();
            continue;
        }
        for (std::size_t i = 0; i < length; ++i)
            m_places.push_back({ valuesAt([&](const std::string& e) { return e[i]; }), true,
                                 leastBefore + i, mostBefore + i });
        leastBefore += length;
        mostBefore += length;
    }
}

void LineMatcher::chooseCandidates()
{
    const Place* rarest = nullptr;
    for (const Place& place : m_places) {
        if (place.values.empty() || place.values.size() > 4)
            continue;
        if (!rarest || commonness(place.values) < commonness(rarest->values))
            rarest = &place;
    }
    if (!rarest)
        return;
    m_examineEveryLine = false;
    for (const unsigned char value : rarest->values)
        m_candidates.add(value);
}

void LineMatcher::choosePair()
{
    // The pair scanner compares two values per byte; two different places of the text make
    // a far rarer pair than one, and a single place is the last resort.
    const std::size_t length = std::min<std::size_t>(m_places.size(), 256);
    const auto usable = [&](std::size_t i) {
        return m_places[i].fixedDistance && !m_places[i].values.empty()
            && m_places[i].values.size() <= 2;
    };
    const auto score = [&](std::size_t i, std::size_t j) {
        return commonness(m_places[i].values) + commonness(m_places[j].values)
            + (i == j ? 4000 : 0);
    };
    std::optional<std::pair<std::size_t, std::size_t>> best;
    for (std::size_t i = 0; i < length; ++i) {
        if (!usable(i))
            continue;
        for (std::size_t j = i; j < length && m_places[j].fixedDistance; ++j) {
            if (usable(j) && (!best || score(i, j) < score(best->first, best->second)))
                best = { i, j };
        }
    }
    if (!best)
        return;
    const auto bytesOf = [&](std::size_t i) {
        CandidateBytes bytes;
        for (const unsigned char value : m_places[i].values)
            bytes.add(value);
        return bytes;
    };
    m_pair
        = CandidatePair { bytesOf(best->first), bytesOf(best->second), best->second - best->first };
    m_pairReach = Reach { m_places[best->first].leastBefore, m_places[best->first].mostBefore };
    // Bytes compared as they are, ASCII letters folded, find the text where no character of
    // it has a form of another length.
    m_confirmsByBytes = m_search == Search::ExactBytes
        || (m_search == Search::AsciiFolded
            && std::all_of(m_places.begin(), m_places.end(),
                           [](const Place& place) { return place.fixedDistance; }));
}

bool LineMatcher::holdsTextAround(const char* at, const char* readableFrom, const char* end) const
{
    // The text holds no line break, so a start in an earlier line is never a match, and where
    // its characters may differ in length each start within the reach is tried.
    for (std::size_t back = m_pairReach->least; back <= m_pairReach->most; ++back) {
        if (std::size_t(at - readableFrom) < back)
            return false;
        const char* start = at - back;
        const bool holds = m_confirmsByBytes
            ? std::size_t(end - start) >= m_needle.size()
                && sameAt(start, m_needle, m_search == Search::AsciiFolded)
            : m_firstBytes[static_cast<unsigned char>(*start)] && foldedTextAt(start, end);
        if (holds)
            return true;
    }
    return false;
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
    case Search::Folded:
        return containsFolded(line);
    case Search::Decoded:
        return containsDecoded(line);
    }
    return false;
}

bool LineMatcher::containsAsciiFolded(std::string_view line)
{
    if ((m_needleHasK && containsBytes(line, kelvinSign))
        || (m_needleHasS && containsBytes(line, longS)))
        return containsFolded(line);
    // Bytes of other characters never fold to ASCII, so folding the ASCII letters of the raw
    // line is enough; invalid bytes stay as they are and match nothing of an ASCII text.
    return holdsBytes(line, m_needle, true);
}

bool LineMatcher::containsFolded(std::string_view line) const
{
    // A character starts at every byte that can begin one (not a continuation byte), and a
    // match can only start where the first character of the text can.
    const char* const end = line.data() + line.size();
    for (const char* at = line.data(); at < end; ++at) {
        if (m_firstBytes[static_cast<unsigned char>(*at)] && foldedTextAt(at, end))
            return true;
    }
    return false;
}

bool LineMatcher::foldedTextAt(const char* at, const char* end) const
{
    for (const char32_t wanted : m_foldedNeedle) {
        if (at == end)
            return false;
        const Utf8Character c = firstCharacter(std::string_view(at, std::size_t(end - at)));
        const char32_t folded = c.codePoint < 0x80
            ? (c.codePoint >= 'A' && c.codePoint <= 'Z' ? c.codePoint - 'A' + 'a' : c.codePoint)
            : QChar::toCaseFolded(c.codePoint);
        if (folded != wanted)
            return false;
        at += c.length;
    }
    return true;
}

bool LineMatcher::containsDecoded(std::string_view line)
{
    const QString decoded = m_decoder(QByteArrayView(line.data(), qsizetype(line.size())));
    return decoded.contains(m_text, m_caseSensitivity);
}

} // namespace velmora
