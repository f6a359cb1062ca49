#pragma once

#include "counting/output/length_threshold.h"
#include "counting/output/unit_recount.h"

#include <optional>

namespace velmora {

/// The stages of the row stream that look at one row at a time and nothing else, the count in
/// another unit and the length thresholds: each thread that counts files has its own, so that
/// the rows they leave out are dropped where they are counted.
class FileRowStages
{
public:
    struct Settings
    {
        LengthUnit unit = LengthUnit::Utf16;
        std::optional<std::uint64_t> longerThan;
        std::optional<std::uint64_t> shorterThan;
    };

    /// The rows that pass go on to `next`.
    FileRowStages(const Settings& settings, RowSink& next)
    {
        RowSink* head = &next;
        if (settings.longerThan || settings.shorterThan)
            head = &m_threshold.emplace(settings.longerThan, settings.shorterThan, *head);
        if (settings.unit != LengthUnit::Utf16)
            head = &m_recount.emplace(settings.unit, *head);
        m_head = head;
    }
    Q_DISABLE_COPY_MOVE(FileRowStages)

    /// Where the counter hands its rows.
    RowSink& head() { return *m_head; }

private:
    std::optional<LengthThreshold> m_threshold;
    std::optional<UnitRecount> m_recount;
    RowSink* m_head = nullptr;
};

} // namespace velmora
