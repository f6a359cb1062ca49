#pragma once

// The line counter's scan of whole lines, written once for every level's classifier. Only the
// files of each level's kernels include it (counting/simd/<level>/<level>_kernels.cpp): there it
// is inlined into a function built for the level's instructions.

#include "counting/match/line_matcher.h"
#include "counting/simd/chunk_masks.h"
#include "line_counter.h"
#include "row_packer.h"
#include "row_sink.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace velmora {

namespace line_scan {

constexpr std::size_t chunkSize = 64;

/// Bits 0 to bit - 1; `bit` from 0 to 63.
constexpr std::uint64_t bitsBelow(int bit)
{
    return (std::uint64_t(1) << bit) - 1;
}

/// One 64-byte chunk as the line counter sees it.
struct ScannedChunk
{
    ChunkMasks masks;
    /// Bytes that are no UTF-16 unit of their own where the UTF-8 is valid: continuation
    /// bytes, but for the last of a four-byte sequence (a surrogate pair is two units).
    std::uint64_t unitlessBytes = 0;
    /// Bytes that send their line the careful way: a carriage return other than the one right
    /// before its line feed, or UTF-8 that is not plainly valid.
    std::uint64_t irregularBytes = 0;
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
            const Utf8Masks utf8 = Classifier::classifyUtf8(bytes);
            const std::uint64_t expected = invalidUtf8 | utf8.calledFor();
            const std::uint64_t invalid = utf8.invalidLeads | m_secondBytes.outOfRange(utf8);
            // A line that starts with a continuation byte takes it for a character of its own,
            // even where a lead of the line before calls for it, which the comparison with the
            // expected bytes cannot see. Any later byte that such a lead calls for comes after
            // this one, or after a byte that fails the lead.
            invalidUtf8
                = (utf8.continuations ^ expected) | (utf8.continuations & lineStarts) | invalid;
            m_awaitedContinuations = utf8.calledForNext();
            scanned.unitlessBytes
                = utf8.continuations & ~((utf8.fourByteLeads << 3) | m_pairEndsAhead);
            m_pairEndsAhead = utf8.fourByteLeads >> 61;
        } else {
            m_secondBytes.skipAsciiChunk();
            m_pairEndsAhead = 0;
        }
        const bool nextIsLineFeed = available > chunkSize && chunk[chunkSize] == '\n';
        const std::uint64_t returnsEndingLines
            = (masks.lineFeeds >> 1) | (std::uint64_t(nextIsLineFeed) << 63);
        scanned.irregularBytes = invalidUtf8 | (masks.carriageReturns & ~returnsEndingLines);
        return scanned;
    }

private:
    const Classifier& m_classifier;
    const char* const m_end;
    // Continuation bytes that leads near the end of the previous chunk call for, and the start
    // of a line when that chunk ended with a line feed.
    std::uint64_t m_awaitedContinuations = 0;
    std::uint64_t m_lineStartAhead = 0;
    // The last bytes of four-byte sequences whose leads end the previous chunk.
    std::uint64_t m_pairEndsAhead = 0;
    SecondByteCheck m_secondBytes;
    char (&m_padded)[chunkSize];
};

} // namespace line_scan

// Rows for a row packer are packed in place, for any other sink handed over with a call. The
// copy for every line leaves out all that looks for a filter's text, which frees registers for
// the rest: it also serves the lines between those that hold a text not to be contained.
template<typename Classifier>
void LineCounter::countCompleteLinesWith(const char* begin, const char* end)
{
    if (m_packer && !examinesLines())
        scanCompleteLines<Classifier, true>(begin, end, *m_packer);
    else if (m_packer)
        scanCompleteLines<Classifier, false>(begin, end, *m_packer);
    else
        scanCompleteLines<Classifier, false>(begin, end, m_sink);
}

template<typename Classifier, bool passesEveryLine, typename Sink>
void LineCounter::scanCompleteLines(const char* begin, const char* end, Sink& sink)
{
    using namespace line_scan;
    // Most lines need no more than their size and their count: they take a short path, where
    // rows for a row packer are packed straight into its buffer, its place kept in a register
    // (an empty line is packed there too, but not kept). A line with irregular bytes or
    // candidates to examine is taken the long way; the reasons a line gathers over the chunks
    // it spans are carried from chunk to chunk.
    constexpr bool packs = std::is_same_v<Sink, RowPacker>;
    const bool examines = !passesEveryLine && examinesLines();
    const Classifier classifier(examines ? m_candidates : CandidateBytes {});
    const std::uint64_t examinedEverywhere
        = examines && m_matcher.examinesEveryLine() ? ~std::uint64_t(0) : 0;
    const bool passesWithoutCandidate = passesEveryLine || m_matcher.passesWithoutCandidate();
    const char* lineStart = begin;
    // Bytes of the line so far that are no UTF-16 unit of their own, counted from the start
    // of the chunk: below zero once its start lies inside the chunk.
    std::int64_t lineExtraBytes = 0;
    LongWayReasons carried;
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
        const std::uint64_t unitlessBytes = scanned.unitlessBytes;
        // What sends a line the long way, less the lines already taken.
        std::uint64_t longWay = scanned.irregularBytes | candidates;
        for (std::uint64_t left = masks.lineFeeds; left != 0; left &= left - 1) {
            const int bit = __builtin_ctzll(left);
            const char* const lineEnd = chunk + bit;
            // The bits up to this line feed, its own included: a lead right before it awaits
            // in vain.
            const std::uint64_t upTo = left ^ (left - 1);
            const std::uint64_t below = upTo >> 1;
            const std::int64_t extraUpTo
                = masks.nonAscii == 0 ? 0 : Classifier::bitCount(unitlessBytes & below);
            const std::size_t size
                = std::size_t(lineEnd - lineStart) - std::size_t((returnsBefore >> bit) & 1);
            const auto count = std::uint64_t(std::int64_t(size) - lineExtraBytes - extraUpTo);
            lineExtraBytes = -extraUpTo;
            const bool takesLongWay = carried.any() || (longWay & upTo) != 0;
            if (!takesLongWay) {
                if (!passesWithoutCandidate) {
                    ++lineNumber;
                    lineStart = lineEnd + 1;
                    continue;
                }
                if constexpr (packs) {
                    // After a failed write nothing packed is written: the failure stops the
                    // count once the buffer is full.
                    if (size + RowPacker::rowFrame <= std::size_t(packingEnd - out)) {
                        char* const rowEnd
                            = sink.packRowAt(out, std::string_view(lineStart, size), count,
                                             std::size_t(end - lineStart) >= RowPacker::copyBlock);
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
            LongWayReasons reasons = carried;
            reasons.add(scanned.irregularBytes & segment, candidates & segment);
            longWay &= ~upTo;
            carried = {};
            m_lineNumber = lineNumber;
            if constexpr (packs)
                sink.packedUpTo(out);
            takeLineTheLongWay(std::string_view(lineStart, std::size_t(lineEnd - lineStart)), size,
                               count, reasons);
            if (m_sink.rowFailed())
                return;
            if constexpr (packs) {
                out = sink.packingPlace();
                packingEnd = sink.packingEnd();
            }
            ++lineNumber;
            lineStart = lineEnd + 1;
        }
        if (longWay != 0) {
            // Only the line that goes on into the next chunk is left.
            const std::uint64_t rest = masks.lineFeeds == 0
                ? ~std::uint64_t(0)
                : ~(~std::uint64_t(0) >> __builtin_clzll(masks.lineFeeds));
            carried.add(scanned.irregularBytes & rest, candidates & rest);
        }
        if (masks.nonAscii != 0)
            lineExtraBytes += Classifier::bitCount(unitlessBytes);
    }
    m_lineNumber = lineNumber;
    if constexpr (packs)
        sink.packedUpTo(out);
}

} // namespace velmora
