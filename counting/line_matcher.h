#pragma once

#include "chunk_classifier.h"
#include "line_filter.h"
#include "pair_scanner.h"

#include <QString>
#include <QStringDecoder>

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// A line filter made ready for millions of lines: the text folded once, the search chosen,
/// and the bytes that any line holding the text must contain picked out for a quick scan.
/// Keeps scratch space for its searches: one matcher serves one thread.
class LineMatcher
{
public:
    explicit LineMatcher(const LineFilter& filter);

    /// No line can pass (the Nothing mode, an empty text not to contain, a text with a line
    /// break to contain): files are read, but their lines need not be looked at.
    bool passesNothing() const { return m_rule == Rule::PassNone; }

    /// A line holding none of these bytes cannot hold the text. Meaningless when
    /// examinesEveryLine() is true.
    const CandidateBytes& candidateBytes() const { return m_candidates; }
    /// True when no byte can rule a line out, so each line has to be examined.
    bool examinesEveryLine() const { return m_examineEveryLine; }
    /// Whether a line without any candidate byte passes.
    bool passesWithoutCandidate() const { return m_rule != Rule::PassIfContains; }
    /// When only lines holding the text pass and two of its bytes keep their distance in any
    /// line that holds it: those two, for skipping every other line unseen.
    const std::optional<CandidatePair>& candidatePair() const { return m_pair; }

    /// Whether a line (carriage returns removed, not empty) passes the filter.
    bool passes(std::string_view line);

private:
    enum class Rule { PassAll, PassNone, PassIfContains, PassIfNotContains };
    enum class Search { ExactBytes, AsciiFolded, Decoded };

    bool contains(std::string_view line);
    bool containsAsciiFolded(std::string_view line);
    bool containsDecoded(std::string_view line);
    void chooseCandidates();
    void choosePair();

    Rule m_rule = Rule::PassAll;
    Search m_search = Search::ExactBytes;
    Qt::CaseSensitivity m_caseSensitivity = Qt::CaseSensitive;
    QString m_text;
    /// The text's UTF-8; for AsciiFolded the folded text, all ASCII.
    std::string m_needle;
    /// KELVIN SIGN folds to k and LONG S to s: a line holding either with such a text needs
    /// the decoded search.
    bool m_needleHasK = false;
    bool m_needleHasS = false;
    CandidateBytes m_candidates;
    bool m_examineEveryLine = true;
    std::optional<CandidatePair> m_pair;
    std::string m_foldedLine;
    QStringDecoder m_decoder;
};

} // namespace velmora
