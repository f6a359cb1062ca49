#pragma once

#include "counting/rows/length_tally.h"

#include <QString>
#include <QWidget>

#include <vector>

namespace velmora {

/// A figure marked on the histogram at its count: the median, a percentile, the longest.
struct HistogramMark
{
    QString name;
    std::uint64_t count = 0;
};

/// The histogram of the counts, painted: one bar per bucket of the 1-2-5 scale with the upper
/// end of the bucket below it, the marks as labelled vertical lines. Its accessible description
/// holds the same figures as text, for a screen reader.
class HistogramView final : public QWidget
{
    Q_OBJECT

public:
    explicit HistogramView(QWidget* parent = nullptr);

    void setHistogram(std::vector<LengthBucket> buckets, std::vector<HistogramMark> marks);
    /// Shows `text` instead of bars: the chart is being built, or there are no rows.
    void setMessage(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    /// Where `count` lies across the bars, in bar widths from the left edge of the first one.
    double barPosition(std::uint64_t count) const;
    void describe();

    std::vector<LengthBucket> m_buckets;
    std::vector<HistogramMark> m_marks;
    QString m_message;
};

/// A bucket's upper end as the axis shows it: "500", "1k", "20M".
QString compactCount(std::uint64_t count);

} // namespace velmora
