#include "histogram_view.h"

#include <QLocale>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

constexpr int margin = 8;

QString rowsText(std::uint64_t rows)
{
    const QString number = QLocale().toString(qulonglong(rows));
    return rows == 1 ? HistogramView::tr("%1 row").arg(number)
                     : HistogramView::tr("%1 rows").arg(number);
}

QString rangeText(const LengthBucket& bucket)
{
    const QLocale locale;
    if (bucket.low == bucket.high)
        return locale.toString(qulonglong(bucket.low));
    return HistogramView::tr("%1 to %2")
        .arg(locale.toString(qulonglong(bucket.low)), locale.toString(qulonglong(bucket.high)));
}

} // namespace

QString compactCount(std::uint64_t count)
{
    // Bucket ends are 1, 2 or 5 times a power of ten, so the short form is exact.
    static const char* const suffixes[] = { "", "k", "M", "G", "T", "P", "E" };
    int thousands = 0;
    while (count >= 1000 && count % 1000 == 0 && thousands < 6) {
        count /= 1000;
        ++thousands;
    }
    return QLocale().toString(qulonglong(count)) + QLatin1String(suffixes[thousands]);
}

HistogramView::HistogramView(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Histogram of the line lengths"));
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void HistogramView::setHistogram(std::vector<LengthBucket> buckets,
                                 std::vector<HistogramMark> marks)
{
    m_buckets = std::move(buckets);
    m_marks = std::move(marks);
    m_message.clear();
    describe();
    update();
}

void HistogramView::setMessage(const QString& text)
{
    m_buckets.clear();
    m_marks.clear();
    m_message = text;
    describe();
    update();
}

void HistogramView::describe()
{
    if (!m_message.isEmpty()) {
        setAccessibleDescription(m_message);
        return;
    }
    QStringList parts;
    for (const LengthBucket& bucket : m_buckets)
        parts << tr("%1: %2").arg(rangeText(bucket), rowsText(bucket.rows));
    setAccessibleDescription(tr("Characters per line, in buckets. %1.").arg(parts.join(u"; ")));
}

QSize HistogramView::sizeHint() const
{
    return { 640, 300 };
}

QSize HistogramView::minimumSizeHint() const
{
    return { 320, 180 };
}

double HistogramView::barPosition(std::uint64_t count) const
{
    // Inside its bucket a count lies as far along as its logarithm does: the scale is one.
    const auto bucket = std::find_if(m_buckets.begin(), m_buckets.end(),
                                     [count](const LengthBucket& b) { return count <= b.high; });
    if (bucket == m_buckets.end())
        return double(m_buckets.size());
    const double index = double(bucket - m_buckets.begin());
    if (bucket->low == bucket->high)
        return index + 0.5;
    const double from = std::log(double(bucket->low) - 0.5);
    const double to = std::log(double(bucket->high) + 0.5);
    return index + (std::log(double(count)) - from) / (to - from);
}

void HistogramView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
    if (!m_message.isEmpty() || m_buckets.empty()) {
        painter.drawText(rect(), Qt::AlignCenter, m_message);
        return;
    }

    std::uint64_t mostRows = 1;
    for (const LengthBucket& bucket : m_buckets)
        mostRows = std::max(mostRows, bucket.rows);
    const QString mostRowsText = QLocale().toString(qulonglong(mostRows));
    const int lineHeight = metrics.height();
    // Room above for one line of text per mark, so that close marks never overlap.
    const int marksHeight = lineHeight * int(m_marks.size());
    const QRect plot(margin + metrics.horizontalAdvance(mostRowsText) + margin,
                     margin + marksHeight, 0, 0);
    const QRect area(plot.topLeft(),
                     QPoint(width() - margin - 1, height() - margin - 2 * lineHeight - 1));
    if (area.width() <= 0 || area.height() <= 0)
        return;
    const double barWidth = double(area.width()) / double(m_buckets.size());

    const QColor textColour = palette().color(QPalette::Text);
    painter.setPen(textColour);
    painter.drawText(
        QRect(margin, area.top() - lineHeight / 2, area.left() - 2 * margin, lineHeight),
        Qt::AlignRight | Qt::AlignVCenter, mostRowsText);
    painter.drawText(
        QRect(margin, area.bottom() - lineHeight / 2, area.left() - 2 * margin, lineHeight),
        Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("0"));

    // Every label when they fit, else those of whole powers of ten.
    int widestLabel = 0;
    for (const LengthBucket& bucket : m_buckets)
        widestLabel = std::max(widestLabel, metrics.horizontalAdvance(compactCount(bucket.high)));
    const bool everyLabel = widestLabel + 4 < barWidth;
    for (std::size_t i = 0; i < m_buckets.size(); ++i) {
        const LengthBucket& bucket = m_buckets[i];
        const double left = area.left() + barWidth * double(i);
        // A bucket with a single row still shows: at least two pixels high.
        const int height = bucket.rows == 0
            ? 0
            : std::max(
                2,
                int(std::lround(double(area.height()) * double(bucket.rows) / double(mostRows))));
        const QRectF bar(left + 1, area.bottom() - height + 1, std::max(1.0, barWidth - 2), height);
        painter.fillRect(bar, palette().color(QPalette::Highlight));
        const QString label = compactCount(bucket.high);
        if (everyLabel || label.at(0) == QLatin1Char('1')) {
            painter.drawText(QRectF(left - barWidth, area.bottom() + 2, 3 * barWidth, lineHeight),
                             Qt::AlignHCenter | Qt::AlignTop, label);
        }
    }
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    painter.drawLine(area.bottomLeft(), area.topLeft());
    painter.drawText(QRect(area.left(), area.bottom() + 2 + lineHeight, area.width(), lineHeight),
                     Qt::AlignHCenter | Qt::AlignTop,
                     tr("characters per line, bucket's upper end"));

    QPen markPen(textColour);
    markPen.setStyle(Qt::DashLine);
    for (std::size_t i = 0; i < m_marks.size(); ++i) {
        const HistogramMark& mark = m_marks[i];
        const int x = area.left() + int(std::lround(barWidth * barPosition(mark.count)));
        const int textTop = margin + lineHeight * int(i);
        painter.setPen(markPen);
        painter.drawLine(x, textTop + lineHeight, x, area.bottom());
        painter.setPen(textColour);
        const QString text = tr("%1 %2").arg(mark.name, QLocale().toString(qulonglong(mark.count)));
        const int textWidth = metrics.horizontalAdvance(text);
        // The text beside its line, on the side with room for it.
        const int textLeft = x + 3 + textWidth <= area.right() ? x + 3 : x - 3 - textWidth;
        painter.drawText(QRect(textLeft, textTop, textWidth, lineHeight), Qt::AlignLeft, text);
    }
}

} // namespace velmora
