#include "line_counter.h"

#include "line_matcher.h"
#include "results_writer.h"
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

} // namespace

LineCounter::LineCounter(LineMatcher& matcher, RowSink& sink, SimdLevel level)
    : m_matcher(matcher)
    , m_sink(sink)
    , m_writer(dynamic_cast<ResultsWriter*>(&sink))
    , m_level(level)
    , m_candidates(matcher.candidateBytes())
{
    if (matcher.skimsLines())
        m_pairScanner.emplace(*matcher.candidatePair(), level);
    else
        m_pair = matcher.candidatePair();
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
            ++m_lineNumber;
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
        std::string().swap(m_decodedPieces);
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
    switch (m_level) {
    case SimdLevel::Portable:
        countWithPortable(begin, end);
        return;
    case SimdLevel::Sse2:
    case SimdLevel::Avx2:
#if defined(VELMORA_X86_SIMD)
        if (m_level == SimdLevel::Avx2)
            countWithAvx2(begin, end);
        else
            countWithSse2(begin, end);
#else
        countWithPortable(begin, end);
#endif
        return;
    }
}

// Each level gets a copy of the loop of its own, compiled for its instructions; rows for the
// results writer are packed in place, for any other sink through the call.
void LineCounter::countWithPortable(const char* begin, const char* end)
{
    if (m_writer)
        countCompleteLinesWith<PortableClassifier>(begin, end, *m_writer);
    else
        countCompleteLinesWith<PortableClassifier>(begin, end, m_sink);
}

#if defined(VELMORA_X86_SIMD)
void LineCounter::countWithSse2(const char* begin, const char* end)
{
    if (m_writer)
        countCompleteLinesWith<Sse2Classifier>(begin, end, *m_writer);
    else
        countCompleteLinesWith<Sse2Classifier>(begin, end, m_sink);
}

VELMORA_TARGET_AVX2 void LineCounter::countWithAvx2(const char* begin, const char* end)
{
    if (m_writer)
        countCompleteLinesWith<Avx2Classifier>(begin, end, *m_writer);
    else
        countCompleteLinesWith<Avx2Classifier>(begin, end, m_sink);
}
#endif

template<typename Classifier, typename Sink>
void LineCounter::countCompleteLinesWith(const char* begin, const char* end, Sink& sink)
{
    // Each line's flags gather over the chunks it spans: whether it needs the careful path
    // (a carriage return other than the one right before its line feed, or UTF-8 that is not
    // plainly valid), whether it holds a byte the filter looks for, and by how many its bytes
    // outnumber its UTF-16 units (continuation bytes, less one per four-byte sequence).
    const Classifier classifier(m_candidates, m_pair.value_or(CandidatePair {}));
    // The pair is looked for where the chunk and the distance after it are all text; elsewhere
    // the single bytes mark the lines, less sharply.
    const std::size_t pairReach = m_pair ? chunkSize + m_pair->distance : 0;
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
        ChunkMasks masks = classifier.classify(bytes);
        if (available < chunkSize)
            masks.candidates &= bitsBelow(int(available));
        else if (m_pair && available >= pairReach)
            masks.candidates = classifier.pairs(chunk);
        Utf8Masks utf8;
        std::uint64_t invalidUtf8 = awaitedContinuations;
        awaitedContinuations = 0;
        const std::uint64_t followers
            = lineFeedFollowers | (masks.lineFeeds << 1) | (masks.lineFeeds << 2);
        lineFeedFollowers = (masks.lineFeeds >> 63) | (masks.lineFeeds >> 62);
        if (masks.nonAscii != 0) {
            utf8 = classifier.classifyUtf8(bytes);
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
            const bool holdsCandidate
                = lineHoldsCandidate || (masks.candidates & segment) != 0 || examineEveryLine;
            // The line feed's own place counts too: a lead right before it awaits in vain. A
            // carriage return inside a line may part the pair, so such lines are examined.
            if (lineNeedsCare || (needsCare & (segment | lineFeed)) != 0)
                takeAnyLine(std::string_view(lineStart, std::size_t(chunk + bit - lineStart)),
                            true);
            else
                takeLine(sink, lineStart, chunk + bit, holdsCandidate,
                         lineExtraBytes + extraBytes<Classifier>(masks, utf8, segment));
            ++m_lineNumber;
            if (sink.rowFailed())
                return;
            lineStart = chunk + bit + 1;
            done = bitsBelow(bit) | lineFeed;
            lineNeedsCare = false;
            lineHoldsCandidate = false;
            lineExtraBytes = 0;
        }
        lineNeedsCare = lineNeedsCare || (needsCare & ~done) != 0;
        lineHoldsCandidate = lineHoldsCandidate || (masks.candidates & ~done) != 0;
        lineExtraBytes += extraBytes<Classifier>(masks, utf8, ~done);
    }
}

template<typename Classifier>
std::uint64_t LineCounter::extraBytes(const ChunkMasks& masks, const Utf8Masks& utf8,
                                      std::uint64_t segment)
{
    if ((masks.nonAscii & segment) == 0)
        return 0;
    // Four-byte sequences are rare: most lines need one count only.
    const std::uint64_t fourByteLeads = utf8.fourByteLeads & segment;
    return std::uint64_t(Classifier::bitCount(utf8.continuations & segment)
                         - (fourByteLeads ? Classifier::bitCount(fourByteLeads) : 0));
}

template<typename Sink>
void LineCounter::takeLine(Sink& sink, const char* begin, const char* end, bool holdsCandidate,
                           std::uint64_t extraBytes)
{
    if (end > begin && end[-1] == '\r')
        --end;
    if (end == begin)
        return;
    const std::string_view line(begin, std::size_t(end - begin));
    const bool passes
        = holdsCandidate ? m_matcher.passes(line) : m_matcher.passesWithoutCandidate();
    if (passes)
        sink.addRow(line, line.size() - extraBytes, m_lineNumber);
}

void LineCounter::skimCompleteLines(const char* begin, const char* end)
{
    // Only lines at the places found are cut; the scanner counts the line feeds it passes,
    // for the line numbers. Where the pair tells whether the text stands around it, a place
    // where it does not is passed over without cutting its line.
    const bool confirms = m_matcher.confirmsAtPair();
    for (const char* from = begin; from < end;) {
        std::uint64_t lineFeeds = 0;
        const char* found = m_pairScanner->find(from, end, lineFeeds);
        m_lineNumber += lineFeeds;
        if (found == end)
            return;
        // The pair's bytes are no carriage return: a return inside a line was found.
        const bool holdsText = confirms && *found != '\r';
        if (holdsText && !m_matcher.holdsTextAround(found, begin, end)) {
            from = found + 1;
            continue;
        }
        const auto* before
            = static_cast<const char*>(memrchr(begin, '\n', std::size_t(found - begin)));
        const char* lineStart = before ? before + 1 : begin;
        const auto* lineEnd
            = static_cast<const char*>(std::memchr(found, '\n', std::size_t(end - found)));
        const std::string_view line(lineStart, std::size_t(lineEnd - lineStart));
        if (holdsText)
            takeHoldingLine(line);
        else
            takeAnyLine(line, true);
        ++m_lineNumber;
        if (m_sink.rowFailed())
            return;
        from = lineEnd + 1;
    }
}

void LineCounter::takeHoldingLine(std::string_view line)
{
    // The text holds no carriage return, so removing those at the end leaves it whole; one
    // inside the line calls for the careful way.
    while (line.back() == '\r')
        line.remove_suffix(1);
    if (std::memchr(line.data(), '\r', line.size())) {
        takeAnyLine(line, true);
        return;
    }
    const std::uint64_t count = utf16Length(line, m_level);
    if (m_writer)
        m_writer->writeRow(line, count);
    else
        m_sink.addRow(line, count, m_lineNumber);
}

void LineCounter::takeAnyLine(std::string_view line, bool holdsCandidate)
{
    while (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.empty())
        return;
    if (!std::memchr(line.data(), '\r', line.size())) {
        const bool passes
            = holdsCandidate ? m_matcher.passes(line) : m_matcher.passesWithoutCandidate();
        if (passes)
            m_sink.addRow(line, utf16Length(line), m_lineNumber);
        return;
    }
    // The text is decoded before its carriage returns go, so the pieces between them decode
    // each by itself: a return inside a multi-byte sequence leaves its bytes as characters of
    // their own, although the row's bytes have them side by side.
    m_withoutReturns.clear();
    std::uint64_t count = 0;
    const auto forEachPiece = [&](auto take) {
        for (std::size_t from = 0; from <= line.size();) {
            std::size_t to = line.find('\r', from);
            if (to == std::string_view::npos)
                to = line.size();
            take(line.substr(from, to - from));
            from = to + 1;
        }
    };
    forEachPiece([&](std::string_view piece) {
        m_withoutReturns.append(piece);
        count += utf16Length(piece);
    });
    std::string_view examined = m_withoutReturns;
    if (count != utf16Length(m_withoutReturns)) {
        // Side by side the pieces would make characters the text does not hold; the filter
        // sees what they stand for.
        m_decodedPieces.clear();
        forEachPiece([&](std::string_view piece) { appendWellFormed(piece, m_decodedPieces); });
        examined = m_decodedPieces;
    }
    const bool passes
        = holdsCandidate ? m_matcher.passes(examined) : m_matcher.passesWithoutCandidate();
    if (passes)
        m_sink.addRow(m_withoutReturns, count, m_lineNumber);
}

} // namespace velmora
