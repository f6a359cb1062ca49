#pragma once

#include "candidate_bytes.h"
#include "line_filter.h"
#include "pair_scanner.h"

#include <QString>
#include <QStringDecoder>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

    /// Every line passes: nothing needs looking at.
    bool passesEveryLine() const { return m_rule == Rule::PassAll; }

    /// A line holding none of these bytes cannot hold the text. Meaningless when
    /// examinesEveryLine() is true.
    const CandidateBytes& candidateBytes() const { return m_candidates; }
    /// True when no byte can rule a line out, so each line has to be examined.
    bool examinesEveryLine() const { return m_examineEveryLine; }
    /// Whether a line without any candidate byte passes.
    bool passesWithoutCandidate() const { return m_rule != Rule::PassIfContains; }
    /// Two bytes of the text that keep their distance in any line that holds it, where there
    /// are such: a line without them need not be examined, and each place where they stand
    /// tells by itself whether the text stands around it (holdsTextAround()).
    const std::optional<CandidatePair>& candidatePair() const { return m_pair; }
    /// True when only lines holding the text pass and the pair is known: every other line can
    /// be skipped unseen.
    bool skipsLinesWithoutPair() const { return m_pair && m_rule == Rule::PassIfContains; }

    /// Whether the text stands in a line so that the pair's first byte is the one at `at`.
    /// The bytes from `readableFrom` (the start of that line or of one before it) to `end` may
    /// be read; `at` lies between them.
    bool holdsTextAround(const char* at, const char* readableFrom, const char* end) const;

    /// Whether a line (carriage returns removed, not empty) passes the filter.
    bool passes(std::string_view line);

private:
    enum class Rule { PassAll, PassNone, PassIfContains, PassIfNotContains };
    /// ExactBytes: the text's bytes as they are (its case, or a text without case variants);
    /// AsciiFolded: ASCII letters of either case; Folded: any way of writing each character
    /// under case folding; Decoded: through QString, for a text no line's bytes can hold as
    /// they are.
    enum class Search { ExactBytes, AsciiFolded, Folded, Decoded };

    /// The byte values one place of the text may take in a matching line. A place inside a
    /// character whose ways of writing differ in length has no fixed distance to the others.
    struct Place
    {
        std::vector<unsigned char> values;
        bool fixedDistance = true;
        /// How many bytes of a matching line may come before this place within the match.
        std::size_t leastBefore = 0;
        std::size_t mostBefore = 0;
    };
    /// The places from the pair's first byte back to where a match may start.
    struct Reach
    {
        std::size_t least = 0;
        std::size_t most = 0;
    };

    bool contains(std::string_view line);
    bool containsAsciiFolded(std::string_view line);
    bool containsFolded(std::string_view line) const;
    bool foldedTextAt(const char* at, const char* end) const;
    bool containsDecoded(std::string_view line);
    void preparePlaces(const std::vector<std::vector<char32_t>>& variants);
    void chooseCandidates();
    void choosePair();

    Rule m_rule = Rule::PassAll;
    Search m_search = Search::ExactBytes;
    Qt::CaseSensitivity m_caseSensitivity = Qt::CaseSensitive;
    QString m_text;
    /// The text's UTF-8; for AsciiFolded the folded text, all ASCII.
    std::string m_needle;
    /// KELVIN SIGN folds to k and LONG S to s: a line holding either with such a text needs
    /// the folded search.
    bool m_needleHasK = false;
    bool m_needleHasS = false;
    /// For the folded search: the text's code points folded, and the bytes a character that
    /// folds to the first of them may start with.
    std::u32string m_foldedNeedle;
    std::array<bool, 256> m_firstBytes {};
    /// The places of the text, in the order of its bytes, for choosing what to scan for.
    std::vector<Place> m_places;
    CandidateBytes m_candidates;
    bool m_examineEveryLine = true;
    std::optional<CandidatePair> m_pair;
    std::optional<Reach> m_pairReach;
    bool m_confirmsByBytes = false;
    QStringDecoder m_decoder;
};

} // namespace velmora
