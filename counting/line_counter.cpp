#include "line_counter.h"

#include "line_feed_count.h"
#include "line_matcher.h"
#include "row_sink.h"
#include "utf16_length.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace velmora {

namespace {

constexpr std::size_t chunkSize = 64;

/// Bits 0 to bit - 1; `bit` from 0 to 63.
constexpr std::uint64_t bitsBelow(int bit)
{
    return (std::uint64_t(1) << bit) - 1;
}

/// Set bits of `bits`. Written out because x86-64's baseline has no popcount instruction, and
/// the compiler's fallback is a library call.
int bitCount(std::uint64_t bits)
{
    bits -= (bits >> 1) & 0x5555555555555555;
    bits = (bits & 0x3333333333333333) + ((bits >> 2) & 0x3333333333333333);
    bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0F;
    return int((bits * 0x0101010101010101) >> 56);
}

} // namespace

LineCounter::LineCounter(LineMatcher& matcher, RowSink& sink)
    : m_matcher(matcher)
    , m_sink(sink)
    , m_classifier(matcher.candidateBytes())
{
    if (matcher.candidatePair())
        m_pairScanner.emplace(*matcher.candidatePair());
}

bool LineCounter::failed() const
{
    return m_sink.rowFailed() || !m_failure.isEmpty();
}

QString LineCounter::takeFailure()
{
    if (m_sink.rowFailed())
        return m_sink.takeRowFailure();
    return std::exchange(m_failure, {});
}

bool LineCounter::addText(std::string_view text)
{
    if (failed())
        return false;
    if (m_matcher.passesNothing() || text.empty())
        return true;
    try {
        const char* begin = text.data();
        const char* const end = begin + text.size();
        if (!m_partialLine.empty()) {
            const auto* lineFeed = static_cast<const char*>(std::memchr(begin, '\n', text.size()));
            if (!lineFeed) {
                m_partialLine.append(begin, end);
                return true;
            }
            m_partialLine.append(begin, lineFeed);
            takeAnyLine(m_partialLine, true);
            ++m_lineFeeds;
            m_partialLine.clear();
            begin = lineFeed + 1;
            if (failed())
                return false;
        }
        const auto* lastLineFeed
            = static_cast<const char*>(memrchr(begin, '\n', std::size_t(end - begin)));
        if (lastLineFeed && m_pairScanner) {
            skimCompleteLines(begin, lastLineFeed + 1);
            begin = lastLineFeed + 1;
        } else if (lastLineFeed) {
            countCompleteLines(begin, lastLineFeed + 1);
            begin = lastLineFeed + 1;
        }
        m_partialLine.assign(begin, end);
    } catch (const std::bad_alloc&) {
        // Only a line of gigabytes gets here; give its memory back before reporting.
        std::string().swap(m_partialLine);
        std::string().swap(m_withoutReturns);
        m_failure = qt_error_string(ENOMEM);
    }
    return !failed();
}

bool LineCounter::finishText()
{
    if (failed())
        return false;
    try {
        if (!m_partialLine.empty())
            takeAnyLine(m_partialLine, true);
    } catch (const std::bad_alloc&) {
        m_failure = qt_error_string(ENOMEM);
    }
    std::string().swap(m_partialLine);
    return !failed();
}

void LineCounter::countCompleteLines(const char* begin, const char* end)
{
    // Each line's flags gather over the chunks it spans: whether it needs the careful path
    // (a carriage return other than the one right before its line feed, or UTF-8 that is not
    // plainly valid), whether it holds a byte the filter looks for, and by how many its bytes
    // outnumber its UTF-16 units (continuation bytes, less one per four-byte sequence).
    const bool examineEveryLine = m_matcher.examinesEveryLine();
    const char* lineStart = begin;
    bool lineNeedsCare = false;
    bool lineHoldsCandidate = false;
    std::uint64_t lineExtraBytes = 0;
    // Continuation bytes that leads near the end of the previous chunk call for, and the two
    // places after a line feed there.
    std::uint64_t awaitedContinuations = 0;
    std::uint64_t lineFeedFollowers = 0;
    char padded[chunkSize];
    for (const char* chunk = begin; chunk < end; chunk += chunkSize) {
        const auto available = std::size_t(end - chunk);
        const char* bytes = chunk;
        if (available < chunkSize) {
            std::memset(padded, 0, chunkSize);
            std::memcpy(padded, chunk, available);
            bytes = padded;
        }
        ChunkMasks masks = m_classifier.classify(bytes);
        if (available < chunkSize)
            masks.candidates &= bitsBelow(int(available));
        Utf8Masks utf8;
        std::uint64_t invalidUtf8 = awaitedContinuations;
        awaitedContinuations = 0;
        const std::uint64_t followers
            = lineFeedFollowers | (masks.lineFeeds << 1) | (masks.lineFeeds << 2);
        lineFeedFollowers = (masks.lineFeeds >> 63) | (masks.lineFeeds >> 62);
        if (masks.nonAscii != 0) {
            utf8 = ChunkClassifier::classifyUtf8(bytes);
            const std::uint64_t expected = invalidUtf8 | (utf8.twoByteLeads << 1)
                | (utf8.threeByteLeads << 1) | (utf8.threeByteLeads << 2)
                | (utf8.fourByteLeads << 1) | (utf8.fourByteLeads << 2) | (utf8.fourByteLeads << 3);
            // A continuation byte just after a line feed may answer a lead of the line
            // before; only the careful way tells the two apart.
            invalidUtf8 = (utf8.continuations ^ expected) | (expected & followers) | utf8.trouble;
            awaitedContinuations = (utf8.twoByteLeads >> 63) | (utf8.threeByteLeads >> 63)
                | (utf8.threeByteLeads >> 62) | (utf8.fourByteLeads >> 63)
                | (utf8.fourByteLeads >> 62) | (utf8.fourByteLeads >> 61);
        }
        const auto extraBytes = [&](std::uint64_t segment) -> std::uint64_t {
            if ((masks.nonAscii & segment) == 0)
                return 0;
            return std::uint64_t(bitCount(utf8.continuations & segment)
                                 - bitCount(utf8.fourByteLeads & segment));
        };
        const bool nextIsLineFeed = available > chunkSize && chunk[chunkSize] == '\n';
        const std::uint64_t returnsEndingLines
            = (masks.lineFeeds >> 1) | (std::uint64_t(nextIsLineFeed) << 63);
        const std::uint64_t needsCare = invalidUtf8 | (masks.carriageReturns & ~returnsEndingLines);
        std::uint64_t done = 0;
        for (std::uint64_t lineFeeds = masks.lineFeeds; lineFeeds != 0;
             lineFeeds &= lineFeeds - 1) {
            const int bit = __builtin_ctzll(lineFeeds);
            const std::uint64_t lineFeed = std::uint64_t(1) << bit;
            const std::uint64_t segment = bitsBelow(bit) & ~done;
            // The line feed's own place counts too: a lead right before it awaits in vain.
            const bool care = lineNeedsCare || (needsCare & (segment | lineFeed)) != 0;
            takeLine(lineStart, chunk + bit, care,
                     lineHoldsCandidate || (masks.candidates & segment) != 0 || examineEveryLine,
                     care ? 0 : lineExtraBytes + extraBytes(segment));
            ++m_lineFeeds;
            if (m_sink.rowFailed())
                return;
            lineStart = chunk + bit + 1;
            done = bitsBelow(bit) | lineFeed;
            lineNeedsCare = false;
            lineHoldsCandidate = false;
            lineExtraBytes = 0;
        }
        lineNeedsCare = lineNeedsCare || (needsCare & ~done) != 0;
        lineHoldsCandidate = lineHoldsCandidate || (masks.candidates & ~done) != 0;
        lineExtraBytes += extraBytes(~done);
    }
}

void LineCounter::skimCompleteLines(const char* begin, const char* end)
{
    for (const char* from = begin; from < end;) {
        const char* found = m_pairScanner->find(from, end);
        if (found == end) {
            m_lineFeeds += countLineFeeds(from, end);
            return;
        }
        const auto* before
            = static_cast<const char*>(memrchr(from, '\n', std::size_t(found - from)));
        const char* lineStart = before ? before + 1 : from;
        m_lineFeeds += countLineFeeds(from, lineStart);
        const auto* lineEnd
            = static_cast<const char*>(std::memchr(found, '\n', std::size_t(end - found)));
        takeAnyLine(std::string_view(lineStart, std::size_t(lineEnd - lineStart)), true);
        ++m_lineFeeds;
        if (m_sink.rowFailed())
            return;
        from = lineEnd + 1;
    }
}

void LineCounter::takeLine(const char* begin, const char* end, bool needsCare, bool holdsCandidate,
                           std::uint64_t extraBytes)
{
    if (needsCare) {
        takeAnyLine(std::string_view(begin, std::size_t(end - begin)), holdsCandidate);
        return;
    }
    if (end > begin && end[-1] == '\r')
        --end;
    if (end == begin)
        return;
    const std::string_view line(begin, std::size_t(end - begin));
    const bool passes
        = holdsCandidate ? m_matcher.passes(line) : m_matcher.passesWithoutCandidate();
    if (passes)
        m_sink.addRow(line, line.size() - extraBytes, m_lineFeeds + 1);
}

void LineCounter::takeAnyLine(std::string_view line, bool holdsCandidate)
{
    while (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.empty())
        return;
    if (std::memchr(line.data(), '\r', line.size())) {
        m_withoutReturns.clear();
        for (const char byte : line) {
            if (byte != '\r')
                m_withoutReturns += byte;
        }
        line = m_withoutReturns;
    }
    const bool passes
        = holdsCandidate ? m_matcher.passes(line) : m_matcher.passesWithoutCandidate();
    if (passes)
        m_sink.addRow(line, utf16Length(line), m_lineFeeds + 1);
}

} // namespace velmora
