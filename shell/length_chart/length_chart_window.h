#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>

class QLabel;
class QSpinBox;

namespace velmora {

class BackgroundTally;
class HistogramView;
class LengthTally;
class ResultsModel;

/// "Length Chart": a window of its own with the histogram of the results' counts, the median,
/// 90th and 99th percentiles and the longest, marked and written out, and how many rows are
/// longer than a count of the user's choosing. While shown, it follows the results list: a new
/// count, a clear or a sort builds it afresh in the background.
class LengthChartWindow final : public QWidget
{
    Q_OBJECT

public:
    explicit LengthChartWindow(const ResultsModel& results, QWidget* parent = nullptr);
    ~LengthChartWindow() override;

    /// Builds the chart from the rows the list holds now, in place of any build under way.
    void refresh();
    bool isBuilding() const;

    // The figures as text, which a screen reader reads.
    HistogramView* histogram = nullptr;
    QLabel* rows = nullptr;
    QLabel* median = nullptr;
    QLabel* percentile90 = nullptr;
    QLabel* percentile99 = nullptr;
    QLabel* longest = nullptr;
    QSpinBox* longerThan = nullptr;
    QLabel* longerThanRows = nullptr;

signals:
    /// The chart shows the rows the list held when it was last refreshed.
    void built();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void createControls();
    void showTally(const LengthTally& tally);
    /// Shows `text` in place of the chart, and no figures.
    void showNoFigures(const QString& text);
    void showLongerThan();

    const ResultsModel& m_results;
    BackgroundTally* m_tally = nullptr;
    /// The figures shown; none while building.
    std::unique_ptr<LengthTally> m_shown;
};

/// "1,234 rows (3.2 %)": `rows` of `total` with their share, in the user's locale. A share
/// that would round to 0.0 % or 100.0 % without being it is written "< 0.1 %" or "> 99.9 %".
QString rowsAndShareText(std::uint64_t rows, std::uint64_t total);

} // namespace velmora
