#include "line_counter.h"

#include "counting/match/line_matcher.h"
#include "counting/simd/simd_kernels.h"
#include "counting/text/utf16_length.h"
#include "row_sink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

namespace velmora {

namespace {

/// The line, without its line feed, that holds the byte at `at`; it starts at `begin` at the
/// earliest, and a line feed follows it before `end`. The search back goes in steps that double
/// from the line's end rather than in one call from `begin`: a sanitizer's memrchr checks every
/// byte it is given, which made each line cost as much as the whole block before it.
std::string_view lineAt(const char* at, const char* begin, const char* end)
{
    const char* start = begin;
    for (auto [upper, step] = std::pair(at, std::size_t(256)); upper > begin; step *= 2) {
        const char* lower = std::size_t(upper - begin) > step ? upper - step : begin;
        if (const auto* before
            = static_cast<const char*>(memrchr(lower, '\n', std::size_t(upper - lower)))) {
            start = before + 1;
            break;
        }
        upper = lower;
    }
    const auto* lineFeed = static_cast<const char*>(std::memchr(at, '\n', std::size_t(end - at)));
    return { start, std::size_t(lineFeed - start) };
}

} // namespace

LineCounter::LineCounter(LineMatcher& matcher, RowSink& sink, SimdLevel level)
    : m_matcher(matcher)
    , m_sink(sink)
    , m_packer(sink.rowPacker())
    , m_level(level)
    , m_kernels(simdKernels(level))
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
            else if (m_matcher.skipsLinesWithoutPair())
                countOnlyHoldingLines(begin, linesEnd);
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
    m_kernels.countCompleteLines(*this, begin, end);
}

void LineCounter::takeLineTheLongWay(std::string_view withReturn, std::size_t size,
                                     std::uint64_t count, LongWayReasons reasons)
{
    if (reasons.irregularBytes()) {
        takeAnyLine(withReturn, true);
        return;
    }
    const std::string_view bytes = withReturn.substr(0, size);
    const bool passes
        = reasons.holdsCandidate() ? m_matcher.passes(bytes) : m_matcher.passesWithoutCandidate();
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

void LineCounter::countOnlyHoldingLines(const char* begin, const char* end)
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
            takeLineHoldingText(line);
        else
            takeAnyLine(line, true);
        ++m_lineNumber;
        if (m_sink.rowFailed())
            return;
        from = line.data() + line.size() + 1;
    }
}

void LineCounter::takeLineHoldingText(std::string_view line)
{
    // The text holds no carriage return, so removing those at the end leaves it whole; one
    // inside the line calls for the careful way.
    while (line.back() == '\r')
        line.remove_suffix(1);
    if (std::memchr(line.data(), '\r', line.size())) {
        takeAnyLine(line, true);
        return;
    }
    m_sink.addRow(line, CharacterCount(utf16Length(line, m_level)), LineNumber(m_lineNumber));
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
