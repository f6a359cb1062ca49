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
/// How much text the every-line loop notes the line feeds of before it packs their rows.
constexpr std::size_t stretchSize = 16 * chunkSize;

/// Bits 0 to bit - 1; `bit` from 0 to 63.
constexpr std::uint64_t bitsBelow(int bit)
{
    return (std::uint64_t(1) << bit) - 1;
}

/// A lead byte whose second byte has a narrower range than a continuation byte's.
struct NarrowLead
{
    unsigned char lead;
    unsigned char lowest;
    unsigned char highest;
};

/// Overlong forms below E0 A0 and F0 90, surrogates from ED A0, code points above F4 8F.
constexpr NarrowLead narrowLeads[]
    = { { 0xE0, 0xA0, 0xBF }, { 0xED, 0x80, 0x9F }, { 0xF0, 0x90, 0xBF }, { 0xF4, 0x80, 0x8F } };

/// `trouble` without the narrow leads whose second byte lies in their range: the rest of such
/// a sequence is checked like any other. `chunk` may be read up to its byte 64 when
/// `nextReadable`, else to its byte 63. The same for every level, and only reached for the
/// few chunks with such bytes.
std::uint64_t troubleBeyondLeads(const char* chunk, std::uint64_t trouble, bool nextReadable)
{
    std::uint64_t remaining = trouble;
    const std::uint64_t checked = nextReadable ? ~std::uint64_t(0) : bitsBelow(63);
    for (std::uint64_t left = trouble & checked; left != 0; left &= left - 1) {
        const int bit = __builtin_ctzll(left);
        const auto lead = static_cast<unsigned char>(chunk[bit]);
        const auto second = static_cast<unsigned char>(chunk[bit + 1]);
        for (const NarrowLead& narrow : narrowLeads) {
            if (lead == narrow.lead && second >= narrow.lowest && second <= narrow.highest)
                remaining &= ~(std::uint64_t(1) << bit);
        }
    }
    return remaining;
}

/// One 64-byte chunk as the line counter sees it.
struct ScannedChunk
{
    ChunkMasks masks;
    /// Empty where the chunk is all ASCII.
    Utf8Masks utf8;
    /// Bytes that send their line the careful way: a carriage return other than the one right
    /// before its line feed, or UTF-8 that is not plainly valid.
    std::uint64_t needsCare = 0;
};

/// Classifies a text's chunks in order, carrying what a chunk's last bytes tell of the next
/// one's first; the last chunk may be short and is read padded.
template<typename Classifier> class ChunkScanner
{
public:
    ChunkScanner(const Classifier& classifier, const char* end)
        : m_classifier(classifier)
        , m_end(end)
    { }

    // Inlined into each level's loop, so that it takes on its instructions.
    inline __attribute__((always_inline)) ScannedChunk scan(const char* chunk)
    {
        const auto available = std::size_t(m_end - chunk);
        const char* bytes = chunk;
        if (available < chunkSize) {
            std::memset(m_padded, 0, chunkSize);
            std::memcpy(m_padded, chunk, available);
            bytes = m_padded;
        }
        ScannedChunk scanned;
        const ChunkMasks& masks = scanned.masks = m_classifier.classify(bytes);
        std::uint64_t invalidUtf8 = m_awaitedContinuations;
        m_awaitedContinuations = 0;
        const std::uint64_t lineStarts = m_lineStartAhead | (masks.lineFeeds << 1);
        m_lineStartAhead = masks.lineFeeds >> 63;
        if (masks.nonAscii != 0) {
            const Utf8Masks& utf8 = scanned.utf8 = Classifier::classifyUtf8(bytes);
            const std::uint64_t expected = invalidUtf8 | (utf8.twoByteLeads << 1)
                | (utf8.threeByteLeads << 1) | (utf8.threeByteLeads << 2)
                | (utf8.fourByteLeads << 1) | (utf8.fourByteLeads << 2) | (utf8.fourByteLeads << 3);
            const std::uint64_t trouble = utf8.trouble != 0
                ? troubleBeyondLeads(bytes, utf8.trouble, available > chunkSize)
                : 0;
            // A line that starts with a continuation byte takes it for a character of its own,
            // even where a lead of the line before calls for it, which the comparison with the
            // expected bytes cannot see. Any later byte that such a lead calls for comes after
            // this one, or after a byte that fails the lead.
            invalidUtf8
                = (utf8.continuations ^ expected) | (utf8.continuations & lineStarts) | trouble;
            m_awaitedContinuations = (utf8.twoByteLeads >> 63) | (utf8.threeByteLeads >> 63)
                | (utf8.threeByteLeads >> 62) | (utf8.fourByteLeads >> 63)
                | (utf8.fourByteLeads >> 62) | (utf8.fourByteLeads >> 61);
        }
        const bool nextIsLineFeed = available > chunkSize && chunk[chunkSize] == '\n';
        const std::uint64_t returnsEndingLines
            = (masks.lineFeeds >> 1) | (std::uint64_t(nextIsLineFeed) << 63);
        scanned.needsCare = invalidUtf8 | (masks.carriageReturns & ~returnsEndingLines);
        return scanned;
    }

private:
    const Classifier& m_classifier;
    const char* const m_end;
    // Continuation bytes that leads near the end of the previous chunk call for, and the start
    // of a line when that chunk ended with a line feed.
    std::uint64_t m_awaitedContinuations = 0;
    std::uint64_t m_lineStartAhead = 0;
    char m_padded[chunkSize];
};

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
    if (m_writer && m_matcher.passesEveryLine())
        packEveryLineWith<PortableClassifier>(begin, end, *m_writer);
    else if (m_writer)
        countCompleteLinesWith<PortableClassifier>(begin, end, *m_writer);
    else
        countCompleteLinesWith<PortableClassifier>(begin, end, m_sink);
}

#if defined(VELMORA_X86_SIMD)
void LineCounter::countWithSse2(const char* begin, const char* end)
{
    if (m_writer && m_matcher.passesEveryLine())
        packEveryLineWith<Sse2Classifier>(begin, end, *m_writer);
    else if (m_writer)
        countCompleteLinesWith<Sse2Classifier>(begin, end, *m_writer);
    else
        countCompleteLinesWith<Sse2Classifier>(begin, end, m_sink);
}

VELMORA_TARGET_AVX2 void LineCounter::countWithAvx2(const char* begin, const char* end)
{
    if (m_writer && m_matcher.passesEveryLine())
        packEveryLineWith<Avx2Classifier>(begin, end, *m_writer);
    else if (m_writer)
        countCompleteLinesWith<Avx2Classifier>(begin, end, *m_writer);
    else
        countCompleteLinesWith<Avx2Classifier>(begin, end, m_sink);
}
#endif

template<typename Classifier, typename Sink>
void LineCounter::countCompleteLinesWith(const char* begin, const char* end, Sink& sink)
{
    // Each line's flags gather over the chunks it spans: whether it needs the careful path,
    // whether it holds a byte the filter looks for, and by how many its bytes outnumber its
    // UTF-16 units (continuation bytes, less one per four-byte sequence).
    const Classifier classifier(m_candidates, m_pair.value_or(CandidatePair {}));
    // The pair is looked for where the chunk and the distance after it are all text; elsewhere
    // the single bytes mark the lines, less sharply.
    const std::size_t pairReach = m_pair ? chunkSize + m_pair->distance : 0;
    const bool examineEveryLine = m_matcher.examinesEveryLine();
    const char* lineStart = begin;
    bool lineNeedsCare = false;
    bool lineHoldsCandidate = false;
    std::uint64_t lineExtraBytes = 0;
    ChunkScanner<Classifier> scanner(classifier, end);
    for (const char* chunk = begin; chunk < end; chunk += chunkSize) {
        ScannedChunk scanned = scanner.scan(chunk);
        const ChunkMasks& masks = scanned.masks;
        const auto available = std::size_t(end - chunk);
        if (available < chunkSize)
            scanned.masks.candidates &= bitsBelow(int(available));
        else if (m_pair && available >= pairReach)
            scanned.masks.candidates = classifier.pairs(chunk);
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
            if (lineNeedsCare || (scanned.needsCare & (segment | lineFeed)) != 0)
                takeAnyLine(std::string_view(lineStart, std::size_t(chunk + bit - lineStart)),
                            true);
            else
                takeLine(sink, lineStart, chunk + bit, holdsCandidate,
                         lineExtraBytes + extraBytes<Classifier>(masks, scanned.utf8, segment));
            ++m_lineNumber;
            if (sink.rowFailed())
                return;
            lineStart = chunk + bit + 1;
            done = bitsBelow(bit) | lineFeed;
            lineNeedsCare = false;
            lineHoldsCandidate = false;
            lineExtraBytes = 0;
        }
        lineNeedsCare = lineNeedsCare || (scanned.needsCare & ~done) != 0;
        lineHoldsCandidate = lineHoldsCandidate || (masks.candidates & ~done) != 0;
        lineExtraBytes += extraBytes<Classifier>(masks, scanned.utf8, ~done);
    }
}

template<typename Classifier>
void LineCounter::packEveryLineWith(const char* begin, const char* end, ResultsWriter& writer)
{
    // For a filter that passes every line, two passes over each stretch of the text. The first
    // notes at each line feed where it stands, whether a carriage return stands before it,
    // and the running counts of bytes that are no UTF-16 unit of their own and of bytes that
    // need the careful way: a few unconditional steps per chunk instead of a loop whose end
    // the processor guesses wrong on most chunks. The second packs the rows straight into the
    // writer's buffer, its place kept in a register; a line's counts are the differences
    // between its line feed's and the one before, and an empty line is packed but not kept.
    const Classifier classifier(m_candidates, CandidatePair {});
    ChunkScanner<Classifier> scanner(classifier, end);
    const char* lineStart = begin;
    // What the line that the stretch so far has not finished gathered before the stretch.
    bool lineNeedsCare = false;
    std::uint64_t lineExtraBytes = 0;
    std::uint64_t lineNumber = m_lineNumber;
    std::uint64_t returnBeforeChunk = 0;
    char* out = writer.packingPlace();
    const char* packingEnd = writer.packingEnd();
    // Per line feed of the stretch: its offset times two, plus one after a carriage return;
    // the stretch's extra bytes before it; its bytes that need care up to and including it.
    // Room for the three places filled past the last line feed.
    std::uint32_t lineFeedAt[stretchSize + 3];
    std::int32_t extraBytesAt[stretchSize + 3];
    std::uint32_t careAt[stretchSize + 3];
    for (const char* stretch = begin; stretch < end; stretch += stretchSize) {
        const char* const stretchEnd
            = std::size_t(end - stretch) > stretchSize ? stretch + stretchSize : end;
        std::size_t found = 0;
        // A four-byte lead counts before its continuation bytes: the stretch's extra bytes may
        // drop below zero for a while.
        std::int32_t extraBytes = 0;
        std::uint32_t care = 0;
        for (const char* chunk = stretch; chunk < stretchEnd; chunk += chunkSize) {
            const ScannedChunk scanned = scanner.scan(chunk);
            const ChunkMasks& masks = scanned.masks;
            const std::uint64_t returnsBefore = (masks.carriageReturns << 1) | returnBeforeChunk;
            returnBeforeChunk = masks.carriageReturns >> 63;
            const auto offset = std::uint32_t(chunk - stretch);
            const int lineFeeds = Classifier::bitCount(masks.lineFeeds);
            std::uint64_t left = masks.lineFeeds;
            const auto note = [&](std::size_t at, bool plain) __attribute__((always_inline))
            {
                // Defined for an empty `left` too: its place is then filled but not counted.
                const int bit = __builtin_ctzll(left | (std::uint64_t(1) << 63));
                const std::uint64_t upTo = left ^ (left - 1);
                lineFeedAt[at]
                    = (offset + std::uint32_t(bit)) * 2 + std::uint32_t((returnsBefore >> bit) & 1);
                // Four-byte leads and bytes that need care are rare: most chunks skip their
                // counts, which cost a dozen instructions each on processors without popcnt.
                extraBytesAt[at] = plain
                    ? extraBytes
                    : extraBytes + Classifier::bitCount(scanned.utf8.continuations & upTo)
                        - (scanned.utf8.fourByteLeads != 0
                               ? Classifier::bitCount(scanned.utf8.fourByteLeads & upTo)
                               : 0);
                careAt[at] = plain || scanned.needsCare == 0
                    ? care
                    : care + std::uint32_t(Classifier::bitCount(scanned.needsCare & upTo));
                left &= left - 1;
            };
            const bool plain = masks.nonAscii == 0 && scanned.needsCare == 0;
            note(found, plain);
            note(found + 1, plain);
            note(found + 2, plain);
            for (std::size_t at = found + 3; at < found + std::size_t(lineFeeds); ++at)
                note(at, plain);
            found += std::size_t(lineFeeds);
            if (!plain) {
                extraBytes += Classifier::bitCount(scanned.utf8.continuations)
                    - Classifier::bitCount(scanned.utf8.fourByteLeads);
                care += std::uint32_t(Classifier::bitCount(scanned.needsCare));
            }
        }
        std::int32_t extraBytesBefore = 0;
        std::uint32_t careBefore = 0;
        for (std::size_t i = 0; i < found; ++i) {
            const char* const lineFeed = stretch + (lineFeedAt[i] >> 1);
            const std::size_t size
                = std::size_t(lineFeed - lineStart) - std::size_t(lineFeedAt[i] & 1);
            const std::uint64_t count
                = size - lineExtraBytes - std::uint64_t(extraBytesAt[i] - extraBytesBefore);
            const bool needsCare = lineNeedsCare || careAt[i] != careBefore;
            if (!needsCare && size + ResultsWriter::rowFrame <= std::size_t(packingEnd - out)
                && !writer.failed()) {
                char* const rowEnd
                    = writer.packRowAt(out, std::string_view(lineStart, size), count,
                                       std::size_t(end - lineStart) >= ResultsWriter::copyBlock);
                out += (rowEnd - out) & -std::ptrdiff_t(size != 0);
            } else {
                writer.packedUpTo(out);
                m_lineNumber = lineNumber;
                if (needsCare)
                    takeAnyLine(std::string_view(lineStart, std::size_t(lineFeed - lineStart)),
                                true);
                else if (size != 0)
                    writer.writeRow(std::string_view(lineStart, size), count);
                if (writer.rowFailed())
                    return;
                out = writer.packingPlace();
                packingEnd = writer.packingEnd();
            }
            ++lineNumber;
            lineStart = lineFeed + 1;
            lineNeedsCare = false;
            lineExtraBytes = 0;
            extraBytesBefore = extraBytesAt[i];
            careBefore = careAt[i];
        }
        lineNeedsCare = lineNeedsCare || care != careBefore;
        lineExtraBytes += std::uint64_t(extraBytes - extraBytesBefore);
    }
    writer.packedUpTo(out);
    m_lineNumber = lineNumber;
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
