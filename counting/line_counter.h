#pragma once

#include "chunk_classifier.h"
#include "pair_scanner.h"

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

class LineMatcher;
class RowSink;

/// Cuts one file's text into lines, removes every carriage return, skips empty lines, and
/// hands each line that passes the filter to the sink with its count in UTF-16 units and its
/// line number.
class LineCounter
{
public:
    LineCounter(LineMatcher& matcher, RowSink& sink);

    /// Takes the next piece of the text: UTF-8 (or any 8-bit text), the mark removed. Pieces
    /// may split lines and characters anywhere. False once a row could not be kept: the rest
    /// of the text is not wanted.
    bool addText(std::string_view text);
    /// Ends the text; its last line needs no line feed. False when a row could not be kept.
    bool finishText();

    bool failed() const;
    /// Why a row could not be kept; clears the failure.
    QString takeFailure();

private:
    void countCompleteLines(const char* begin, const char* end);
    void skimCompleteLines(const char* begin, const char* end);
    /// A line cut from a chunk: unless it needs care, its bytes are valid UTF-8 and
    /// `extraBytes` more than its UTF-16 units.
    void takeLine(const char* begin, const char* end, bool needsCare, bool holdsCandidate,
                  std::uint64_t extraBytes);
    void takeAnyLine(std::string_view line, bool holdsCandidate);

    LineMatcher& m_matcher;
    RowSink& m_sink;
    const ChunkClassifier m_classifier;
    std::optional<PairScanner> m_pairScanner;
    /// The start of a line that the pieces so far have not finished.
    std::string m_partialLine;
    /// A line with carriage returns inside, without them.
    std::string m_withoutReturns;
    /// The line feeds before the line being cut: its number less one.
    std::uint64_t m_lineFeeds = 0;
    QString m_failure;
};

} // namespace velmora
