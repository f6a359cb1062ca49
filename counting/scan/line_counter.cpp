#include "line_counter.h"

#include "counting/match/line_matcher.h"
#include "counting/output/results_writer.h"
#include "row_sink.h"
#include "counting/text/utf16_length.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <type_traits>

namespace velmora {

namespace {

constexpr std::size_t chunkSize = 64;

/// Bits 0 to bit - 1; `bit` from 0 to 63.
constexpr std::uint64_t bitsBelow(int bit)
{
    return (std::uint64_t(1) << bit) - 1;
}

/// The line, without its line feed, that holds the byte at `at`; it starts at `begin` at the
/// earliest, and a line feed follows it before `end`.
std::string_view lineAt(const char* at, const char* begin, const char* end)
{
    const auto* before = static_cast<const char*>(memrchr(begin, '\n', std::size_t(at - begin)));
    const char* start = before ? before + 1 : begin;
    const auto* lineFeed = static_cast<const char*>(std::memchr(at, '\n', std::size_t(end - at)));
    return { start, std::size_t(lineFeed - start) };
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
    /// `padded` holds a copy of the last chunk when it is short: kept apart from the scanner,
    /// whose own state then stays in registers.
    ChunkScanner(const Classifier& classifier, const char* end, char (&padded)[chunkSize])
        : m_classifier(classifier)
        , m_end(end)
        , m_padded(padded)
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
            const std::uint64_t expected = invalidUtf8 | utf8.calledFor();
            const std::uint64_t trouble = utf8.trouble != 0
                ? troubleBeyondLeads(bytes, utf8.trouble, available > chunkSize)
                : 0;
            // A line that starts with a continuation byte takes it for a character of its own,
            // even where a lead of the line before calls for it, which the comparison with the
            // expected bytes cannot see. Any later byte that such a lead calls for comes after
            // this one, or after a byte that fails the lead.
            invalidUtf8
                = (utf8.continuations ^ expected) | (utf8.continuations & lineStarts) | trouble;
            m_awaitedContinuations = utf8.calledForNext();
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
    char (&m_padded)[chunkSize];
};

} // namespace

LineCounter::LineCounter(LineMatcher& matcher, RowSink& sink, SimdLevel level)
    : m_matcher(matcher)
    , m_sink(sink)
    , m_writer(dynamic_cast<ResultsWriter*>(&sink))
    , m_level(level)
    , m_candidates(matcher.candidateBytes())
{
    if (const std::optional<CandidatePair>& pair = matcher.candidatePair())
        m_pairScanner.emplace(*pair, level);
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
        if (!m_partialLine.empty() || m_longLine) {
            const auto* lineFeed = static_cast<const char*>(std::memchr(begin, '\n', text.size()));
            if (!lineFeed) {
                carryLine(text);
                return !failed();
            }
            carryLine(std::string_view(begin, std::size_t(lineFeed - begin)));
            if (failed())
                return false;
            takeCarriedLine();
            ++m_lineNumber;
            begin = lineFeed + 1;
            if (failed())
                return false;
        }
        const auto* lastLineFeed
            = static_cast<const char*>(memrchr(begin, '\n', std::size_t(end - begin)));
        if (lastLineFeed) {
            const char* const linesEnd = lastLineFeed + 1;
            if (!m_pairScanner)
                countCompleteLines(begin, linesEnd);
            else if (m_matcher.skimsLines())
                skimCompleteLines(begin, linesEnd);
            else
                countAroundHoldingLines(begin, linesEnd);
            begin = linesEnd;
        }
        carryLine(std::string_view(begin, std::size_t(end - begin)));
    } catch (const std::bad_alloc&) {
        // Give the memory of the line back before reporting.
        std::string().swap(m_partialLine);
        std::string().swap(m_withoutReturns);
        std::string().swap(m_decodedPieces);
        m_longLine.reset();
        m_failure = qt_error_string(ENOMEM);
    }
    return !failed();
}

bool LineCounter::finishText()
{
    if (failed())
        return false;
    try {
        if (!m_partialLine.empty() || m_longLine)
            takeCarriedLine();
    } catch (const std::bad_alloc&) {
        m_failure = qt_error_string(ENOMEM);
    }
    std::string().swap(m_partialLine);
    m_longLine.reset();
    return !failed();
}

void LineCounter::carryLine(std::string_view bytes)
{
    if (!m_longLine) {
        // Nobody reads the text of a line that passes whatever it holds, for a sink that
        // reads counts only: such a line is counted as it comes from a smaller size on.
        const LongLine::Keeps keeps = m_matcher.passesEveryLine() && !m_sink.needsLineBytes()
            ? LongLine::Keeps::CountOnly
            : LongLine::Keeps::Text;
        const std::size_t kept = m_longLineBytes != 0 ? m_longLineBytes
            : keeps == LongLine::Keeps::CountOnly     ? std::size_t(1) << 20
                                                      : std::size_t(64) << 20;
        if (m_partialLine.size() + bytes.size() <= kept) {
            m_partialLine.append(bytes);
            return;
        }
        // A line kept in memory up to fewer bytes than a spill buffer spills through buffers
        // no larger.
        m_longLine.emplace(keeps, m_level,
                           std::clamp(kept, std::size_t(4096), SpillFile::defaultBufferBytes));
        const bool added = m_longLine->add(m_partialLine);
        std::string().swap(m_partialLine);
        if (!added) {
            m_failure = m_longLine->errorString();
            m_longLine.reset();
            return;
        }
    }
    if (!m_longLine->add(bytes)) {
        m_failure = m_longLine->errorString();
        m_longLine.reset();
    }
}

void LineCounter::takeCarriedLine()
{
    if (!m_longLine) {
        takeAnyLine(m_partialLine, true);
        m_partialLine.clear();
        return;
    }
    takeLongLine(*m_longLine);
    m_longLine.reset();
}

void LineCounter::takeLongLine(LongLine& line)
{
    if (!line.holdsCharacters())
        return;
    if (!m_matcher.passesEveryLine()) {
        const std::optional<std::string_view> examined = line.examinedText();
        if (!examined) {
            m_failure = line.errorString();
            return;
        }
        if (!m_matcher.passes(*examined))
            return;
    }
    // Empty where only the count is kept.
    const std::optional<std::string_view> text = line.text();
    if (!text) {
        m_failure = line.errorString();
        return;
    }
    m_sink.addRow(*text, CharacterCount(line.count()), LineNumber(m_lineNumber));
}

bool LineCounter::examinesLines() const
{
    return !m_matcher.passesEveryLine() && !m_pairScanner;
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
// results writer are packed in place, for any other sink handed over with a call. The copy for
// every line leaves out all that looks for a filter's text, which frees registers for the rest:
// it also serves the lines between those that hold a text not to be contained.
template<typename Classifier> void LineCounter::countWith(const char* begin, const char* end)
{
    if (m_writer && !examinesLines())
        countCompleteLinesWith<Classifier, true>(begin, end, *m_writer);
    else if (m_writer)
        countCompleteLinesWith<Classifier, false>(begin, end, *m_writer);
    else
        countCompleteLinesWith<Classifier, false>(begin, end, m_sink);
}

void LineCounter::countWithPortable(const char* begin, const char* end)
{
    countWith<PortableClassifier>(begin, end);
}

#if defined(VELMORA_X86_SIMD)
void LineCounter::countWithSse2(const char* begin, const char* end)
{
    countWith<Sse2Classifier>(begin, end);
}

VELMORA_TARGET_AVX2 void LineCounter::countWithAvx2(const char* begin, const char* end)
{
    countWith<Avx2Classifier>(begin, end);
}
#endif

template<typename Classifier, bool passesEveryLine, typename Sink>
void LineCounter::countCompleteLinesWith(const char* begin, const char* end, Sink& sink)
{
    // Most lines need no more than their size and their count: they take a short path, where
    // rows for the results writer are packed straight into its buffer, its place kept in a
    // register (an empty line is packed there too, but not kept). A line with bytes that need
    // care or candidates to examine is noted and taken the long way; what a line gathers over
    // the chunks it spans is carried from chunk to chunk.
    constexpr bool packs = std::is_same_v<Sink, ResultsWriter>;
    const bool examines = !passesEveryLine && examinesLines();
    const Classifier classifier(examines ? m_candidates : CandidateBytes {});
    const std::uint64_t examinedEverywhere
        = examines && m_matcher.examinesEveryLine() ? ~std::uint64_t(0) : 0;
    const bool passesWithoutCandidate = passesEveryLine || m_matcher.passesWithoutCandidate();
    const char* lineStart = begin;
    // Bytes of the line so far that are no UTF-16 unit of their own, counted from the start
    // of the chunk: below zero once its start lies inside the chunk.
    std::int64_t lineExtraBytes = 0;
    NotedLine carried;
    std::uint64_t returnBeforeChunk = 0;
    // Kept here rather than in members, which every byte stored through `out` might change.
    std::uint64_t lineNumber = m_lineNumber;
    char* out = nullptr;
    const char* packingEnd = nullptr;
    if constexpr (packs) {
        out = sink.packingPlace();
        packingEnd = sink.packingEnd();
    }
    char padded[chunkSize];
    ChunkScanner<Classifier> scanner(classifier, end, padded);
    for (const char* chunk = begin; chunk < end; chunk += chunkSize) {
        const ScannedChunk scanned = scanner.scan(chunk);
        const ChunkMasks& masks = scanned.masks;
        const auto available = std::size_t(end - chunk);
        std::uint64_t candidates = passesEveryLine ? 0 : masks.candidates | examinedEverywhere;
        if (available < chunkSize)
            candidates &= bitsBelow(int(available));
        const std::uint64_t returnsBefore = (masks.carriageReturns << 1) | returnBeforeChunk;
        returnBeforeChunk = masks.carriageReturns >> 63;
        const std::uint64_t continuations = scanned.utf8.continuations;
        const std::uint64_t fourByteLeads = scanned.utf8.fourByteLeads;
        // What sends a line the long way, less the lines already taken.
        std::uint64_t noted = scanned.needsCare | candidates;
        for (std::uint64_t left = masks.lineFeeds; left != 0; left &= left - 1) {
            const int bit = __builtin_ctzll(left);
            const char* const lineEnd = chunk + bit;
            // The bits up to this line feed, its own included: a lead right before it awaits
            // in vain.
            const std::uint64_t upTo = left ^ (left - 1);
            const std::uint64_t below = upTo >> 1;
            const std::int64_t extraUpTo = masks.nonAscii == 0
                ? 0
                : Classifier::bitCount(continuations & below)
                    - (fourByteLeads == 0 ? 0 : Classifier::bitCount(fourByteLeads & below));
            const std::size_t size
                = std::size_t(lineEnd - lineStart) - std::size_t((returnsBefore >> bit) & 1);
            const auto count = std::uint64_t(std::int64_t(size) - lineExtraBytes - extraUpTo);
            lineExtraBytes = -extraUpTo;
            const bool lineNoted = carried.any() || (noted & upTo) != 0;
            if (!lineNoted) {
                if (!passesWithoutCandidate) {
                    ++lineNumber;
                    lineStart = lineEnd + 1;
                    continue;
                }
                if constexpr (packs) {
                    // After a failed write nothing packed is written: the failure stops the
                    // count once the buffer is full.
                    if (size + ResultsWriter::rowFrame <= std::size_t(packingEnd - out)) {
                        char* const rowEnd = sink.packRowAt(
                            out, std::string_view(lineStart, size), count,
                            std::size_t(end - lineStart) >= ResultsWriter::copyBlock);
                        out = size != 0 ? rowEnd : out;
                        ++lineNumber;
                        lineStart = lineEnd + 1;
                        continue;
                    }
                } else {
                    if (size != 0) {
                        sink.addRow(std::string_view(lineStart, size), CharacterCount(count),
                                    LineNumber(lineNumber));
                        if (sink.rowFailed()) {
                            m_lineNumber = lineNumber;
                            return;
                        }
                    }
                    ++lineNumber;
                    lineStart = lineEnd + 1;
                    continue;
                }
            }
            const std::uint64_t segment = upTo
                & (lineStart > chunk ? ~bitsBelow(int(lineStart - chunk)) : ~std::uint64_t(0));
            NotedLine line = carried;
            line.note(scanned.needsCare & segment, candidates & segment);
            noted &= ~upTo;
            carried = {};
            m_lineNumber = lineNumber;
            if constexpr (packs)
                sink.packedUpTo(out);
            takeNotedLine(std::string_view(lineStart, std::size_t(lineEnd - lineStart)), size,
                          count, line);
            if (sink.rowFailed())
                return;
            if constexpr (packs) {
                out = sink.packingPlace();
                packingEnd = sink.packingEnd();
            }
            ++lineNumber;
            lineStart = lineEnd + 1;
        }
        if (noted != 0) {
            // Only the line that goes on into the next chunk is left.
            const std::uint64_t rest = masks.lineFeeds == 0
                ? ~std::uint64_t(0)
                : ~(~std::uint64_t(0) >> __builtin_clzll(masks.lineFeeds));
            carried.note(scanned.needsCare & rest, candidates & rest);
        }
        if (masks.nonAscii != 0)
            lineExtraBytes += Classifier::bitCount(continuations)
                - (fourByteLeads == 0 ? 0 : Classifier::bitCount(fourByteLeads));
    }
    m_lineNumber = lineNumber;
    if constexpr (packs)
        sink.packedUpTo(out);
}

void LineCounter::takeNotedLine(std::string_view withReturn, std::size_t size, std::uint64_t count,
                                NotedLine line)
{
    if (line.needsCare()) {
        takeAnyLine(withReturn, true);
        return;
    }
    const std::string_view bytes = withReturn.substr(0, size);
    const bool passes
        = line.holdsCandidate() ? m_matcher.passes(bytes) : m_matcher.passesWithoutCandidate();
    if (size != 0 && passes)
        m_sink.addRow(bytes, CharacterCount(count), LineNumber(m_lineNumber));
}

void LineCounter::countAroundHoldingLines(const char* begin, const char* end)
{
    // A line that holds the text fails, whatever else it holds: its bytes hold it as they are,
    // and neither removing carriage returns nor decoding takes it apart. The lines between
    // such lines are counted as if every line passed; those that need care still go past the
    // filter.
    const char* from = begin;
    for (const char* at = begin;;) {
        const char* found = m_pairScanner->findPair(at, end);
        if (found == end)
            break;
        if (!m_matcher.holdsTextAround(found, from, end)) {
            at = found + 1;
            continue;
        }
        const std::string_view line = lineAt(found, from, end);
        countCompleteLines(from, line.data());
        if (failed())
            return;
        ++m_lineNumber;
        from = at = line.data() + line.size() + 1;
    }
    countCompleteLines(from, end);
}

void LineCounter::skimCompleteLines(const char* begin, const char* end)
{
    // Only lines at the places found are cut; the scanner counts the line feeds it passes,
    // for the line numbers. A pair where the text does not stand around it is passed over
    // without cutting its line.
    for (const char* from = begin; from < end;) {
        std::uint64_t lineFeeds = 0;
        const char* found = m_pairScanner->find(from, end, lineFeeds);
        m_lineNumber += lineFeeds;
        if (found == end)
            return;
        // The pair's bytes are no carriage return: a return inside a line was found.
        const bool holdsText = *found != '\r';
        if (holdsText && !m_matcher.holdsTextAround(found, begin, end)) {
            from = found + 1;
            continue;
        }
        const std::string_view line = lineAt(found, begin, end);
        if (holdsText)
            takeHoldingLine(line);
        else
            takeAnyLine(line, true);
        ++m_lineNumber;
        if (m_sink.rowFailed())
            return;
        from = line.data() + line.size() + 1;
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
        m_sink.addRow(line, CharacterCount(count), LineNumber(m_lineNumber));
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
            m_sink.addRow(line, CharacterCount(utf16Length(line)), LineNumber(m_lineNumber));
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
        m_sink.addRow(m_withoutReturns, CharacterCount(count), LineNumber(m_lineNumber));
}

} // namespace velmora
