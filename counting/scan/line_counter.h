#pragma once

#include "counting/match/candidate_bytes.h"
#include "counting/match/pair_scanner.h"
#include "counting/simd/simd_level.h"
#include "long_line.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

class LineMatcher;
class RowPacker;
class RowSink;
struct SimdKernels;

/// Cuts one file's text into lines, removes every carriage return, skips empty lines, and
/// hands each line that passes the filter to the sink with its count in UTF-16 units and its
/// line number.
class LineCounter
{
public:
    /// `level` chooses the instructions that find line ends; every level gives the same rows.
    LineCounter(LineMatcher& matcher, RowSink& sink, SimdLevel level = chosenSimdLevel());

    /// Takes the next piece of the text: UTF-8 (or any 8-bit text), the mark removed. Pieces
    /// may split lines and characters anywhere. False once a row could not be kept: the rest
    /// of the text is not wanted.
    bool addText(std::string_view text);
    /// Ends the text; its last line needs no line feed. False when a row could not be kept.
    bool finishText();

    /// From how many bytes on a line that the pieces have not finished is no longer kept in
    /// memory but counted as it comes, its text spilled to a file where it is read; by
    /// default 1 MiB where only its count is wanted and 64 MiB where its text is.
    void setLongLineBytes(std::size_t bytes) { m_longLineBytes = bytes; }

    bool failed() const;
    /// Why a row could not be kept; clears the failure.
    QString takeFailure();

    /// The scan of whole lines with the classifier of one level, written once in
    /// line_counter_kernel.h; each level's kernels compile it with their instructions. The
    /// counter reaches it through SimdKernels::countCompleteLines.
    template<typename Classifier>
    inline __attribute__((always_inline)) void countCompleteLinesWith(const char* begin,
                                                                      const char* end);

private:
    /// The whole lines in [begin, end), which ends after a line feed; by the level's kernel.
    void countCompleteLines(const char* begin, const char* end);
    /// The loop of countCompleteLinesWith(), one copy per sink and filter. Inlined into each
    /// level's kernel, so that it takes on its instructions.
    template<typename Classifier, bool passesEveryLine, typename Sink>
    inline __attribute__((always_inline)) void scanCompleteLines(const char* begin, const char* end,
                                                                 Sink& sink);
    /// False where every line passes, and between the lines found to hold a text not to be
    /// contained: then the loop looks at no line for the filter's sake.
    bool examinesLines() const;
    /// Why the loop sends a line the long way instead of packing or handing it over at once,
    /// gathered over the chunks the line spans.
    struct LongWayReasons
    {
        enum : unsigned char { IrregularBytes = 1, HoldsCandidate = 2 };
        /// Kept in one byte, so that the short path asks once whether there is any.
        unsigned char reasons = 0;

        bool any() const { return reasons != 0; }
        /// A carriage return inside the line, or UTF-8 that is not plainly valid: the line is
        /// decoded the careful way.
        bool irregularBytes() const { return (reasons & IrregularBytes) != 0; }
        /// A byte the filter must look at.
        bool holdsCandidate() const { return (reasons & HoldsCandidate) != 0; }
        void add(std::uint64_t irregular, std::uint64_t candidates)
        {
            reasons
                |= (irregular != 0 ? IrregularBytes : 0) | (candidates != 0 ? HoldsCandidate : 0);
        }
    };
    /// A line the loop sends the long way: `withReturn` is its bytes up to the line feed,
    /// `size` how many of them stay once a carriage return before the line feed goes.
    void takeLineTheLongWay(std::string_view withReturn, std::size_t size, std::uint64_t count,
                            LongWayReasons reasons);
    /// For a text not to be contained: the pair finds the lines that hold it.
    void countAroundHoldingLines(const char* begin, const char* end);
    /// For a text to be contained: only the lines at the places the pair finds are cut.
    void countOnlyHoldingLines(const char* begin, const char* end);
    void takeAnyLine(std::string_view line, bool holdsCandidate);
    /// Keeps `bytes` of the line that the pieces have not finished, in memory or, once it is
    /// long, as a LongLine.
    void carryLine(std::string_view bytes);
    /// Takes the line carried so far, now finished.
    void takeCarriedLine();
    void takeLongLine(LongLine& line);
    /// A line known to hold the filter's text, carriage returns still in it.
    void takeLineHoldingText(std::string_view line);

    LineMatcher& m_matcher;
    RowSink& m_sink;
    /// The sink's buffer where it has one: rows are then packed without a call.
    RowPacker* const m_packer;
    const SimdLevel m_level;
    const SimdKernels& m_kernels;
    const CandidateBytes m_candidates;
    /// Finds the lines that hold the filter's text, where its pair is known.
    std::optional<PairScanner> m_pairScanner;
    /// The number of the line that the next byte of text belongs to.
    std::uint64_t m_lineNumber = 1;
    /// The start of a line that the pieces so far have not finished.
    std::string m_partialLine;
    /// Such a line once it is too long for m_partialLine.
    std::optional<LongLine> m_longLine;
    /// 0: the default for the filter and the sink.
    std::size_t m_longLineBytes = 0;
    /// A line with carriage returns inside, without them.
    std::string m_withoutReturns;
    /// What the filter is shown of such a line when joining its pieces would make characters
    /// the pieces do not hold.
    std::string m_decodedPieces;
    QString m_failure;
};

} // namespace velmora
