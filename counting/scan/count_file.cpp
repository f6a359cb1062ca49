#include "count_file.h"

#include "counting/input/line_ranges.h"
#include "counting/input/text_reader.h"
#include "counting/match/line_matcher.h"
#include "line_counter.h"

namespace velmora {

namespace {

class CountingConsumer final : public TextConsumer
{
public:
    explicit CountingConsumer(LineCounter& counter)
        : m_counter(counter)
    { }

    bool consumeText(std::string_view text) override { return m_counter.addText(text); }

private:
    LineCounter& m_counter;
};

template<typename ReadText>
FileCountOutcome count(LineMatcher& matcher, RowSink& sink, ReadText readText)
{
    using Kind = FileCountOutcome::Kind;
    LineCounter counter(matcher, sink);
    CountingConsumer consumer(counter);
    const ReadOutcome read = readText(consumer);
    if (counter.failed())
        return { Kind::RowFailed, counter.takeFailure() };
    switch (read.kind) {
    case ReadOutcome::Kind::Read:
        if (!counter.finishText())
            return { Kind::RowFailed, counter.takeFailure() };
        return { Kind::Counted, {} };
    case ReadOutcome::Kind::Missing:
        return { Kind::Missing, {} };
    case ReadOutcome::Kind::Failed:
        return { Kind::ReadFailed, read.description };
    case ReadOutcome::Kind::Binary:
        return { Kind::Binary, {} };
    case ReadOutcome::Kind::Stopped:
        break;
    }
    return { Kind::Stopped, {} };
}

} // namespace

FileCountOutcome countFile(const QString& path, const LineFilter& filter, RowSink& sink,
                           const CountControl& control)
{
    LineMatcher matcher(filter);
    return countFile(path, matcher, sink, control);
}

FileCountOutcome countFile(const QString& path, LineMatcher& matcher, RowSink& sink,
                           const CountControl& control)
{
    return count(matcher, sink,
                 [&](TextConsumer& consumer) { return ReadWholeFile(path, consumer, control); });
}

FileCountOutcome countRange(const LineRanges& ranges, std::size_t range, LineMatcher& matcher,
                            RowSink& sink, const CountControl& control)
{
    return count(matcher, sink,
                 [&](TextConsumer& consumer) { return ranges.read(range, consumer, control); });
}

FileCountOutcome countDevice(QIODevice& device, LineMatcher& matcher, RowSink& sink,
                             const CountControl& control)
{
    return count(matcher, sink, [&](TextConsumer& consumer) {
        return readWholeDevice(device, consumer, control);
    });
}

} // namespace velmora
