#include "length_chart_window.h"

#include "background_tally.h"
#include "histogram_view.h"
#include "shell/results_model.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>

namespace velmora {

namespace {

QString countText(std::uint64_t count)
{
    return QLocale().toString(qulonglong(count));
}

/// A value label that a screen reader names after its field, and that can be selected and
/// copied from.
QLabel* figureLabel(const QString& accessibleName, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setAccessibleName(accessibleName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

} // namespace

QString rowsAndShareText(std::uint64_t rows, std::uint64_t total)
{
    const QString rowsPart = rows == 1 ? LengthChartWindow::tr("1 row")
                                       : LengthChartWindow::tr("%1 rows").arg(countText(rows));
    if (total == 0)
        return rowsPart;
    const double share = 100.0 * double(rows) / double(total);
    const QLocale locale;
    QString shareText = locale.toString(share, 'f', 1) + QStringLiteral(" %");
    if (rows > 0 && share < 0.05)
        shareText = QStringLiteral("< ") + locale.toString(0.1, 'f', 1) + QStringLiteral(" %");
    else if (rows < total && share >= 99.95)
        shareText = QStringLiteral("> ") + locale.toString(99.9, 'f', 1) + QStringLiteral(" %");
    return QStringLiteral("%1 (%2)").arg(rowsPart, shareText);
}

LengthChartWindow::LengthChartWindow(const ResultsModel& results, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_results(results)
    , m_tally(new BackgroundTally(this))
{
    setWindowTitle(tr("Length Chart"));
    setAccessibleName(tr("Length Chart"));
    createControls();

    connect(m_tally, &BackgroundTally::finished, this, &LengthChartWindow::showTally);
    // The store a build reads goes with a reset: the build must stop before it does.
    connect(&m_results, &QAbstractItemModel::modelAboutToBeReset, m_tally,
            &BackgroundTally::cancel);
    connect(&m_results, &QAbstractItemModel::modelReset, this, [this] {
        if (isVisible())
            refresh();
    });
    connect(&m_results, &QAbstractItemModel::layoutChanged, this, [this] {
        if (isVisible())
            refresh();
    });
    connect(longerThan, &QSpinBox::valueChanged, this, &LengthChartWindow::showLongerThan);

    for (const QKeySequence& keys :
         { QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W) }) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }
}

LengthChartWindow::~LengthChartWindow() = default;

void LengthChartWindow::createControls()
{
    histogram = new HistogramView(this);
    rows = figureLabel(tr("Rows"), this);
    median = figureLabel(tr("Median"), this);
    percentile90 = figureLabel(tr("90th percentile"), this);
    percentile99 = figureLabel(tr("99th percentile"), this);
    longest = figureLabel(tr("Longest"), this);
    longerThan = new QSpinBox(this);
    longerThan->setRange(0, std::numeric_limits<int>::max());
    longerThan->setGroupSeparatorShown(true);
    longerThan->setAccessibleName(tr("Longer than"));
    longerThan->setAccessibleDescription(
        tr("A count of characters; the rows longer than it are counted beside."));
    longerThanRows = figureLabel(tr("Rows longer than that"), this);

    auto* figures = new QFormLayout;
    figures->addRow(tr("Rows:"), rows);
    figures->addRow(tr("Median:"), median);
    figures->addRow(tr("90th percentile:"), percentile90);
    figures->addRow(tr("99th percentile:"), percentile99);
    figures->addRow(tr("Longest:"), longest);
    auto* longerThanRow = new QHBoxLayout;
    longerThanRow->addWidget(longerThan);
    longerThanRow->addWidget(longerThanRows, 1);
    auto* longerThanLabel = new QLabel(tr("&Longer than:"), this);
    longerThanLabel->setBuddy(longerThan);
    figures->addRow(longerThanLabel, longerThanRow);

    auto* note = new QLabel(tr("Counts are characters per line, as the results list shows them. "
                               "Percentiles are nearest-rank: the count of the row at that rank "
                               "from the shortest."),
                            this);
    note->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(histogram, 1);
    layout->addLayout(figures);
    layout->addWidget(note);
    layout->addWidget(buttons);
    setTabOrder(histogram, longerThan);
    setTabOrder(longerThan, buttons->button(QDialogButtonBox::Close));
    showNoFigures(tr("Building the chart…"));
}

void LengthChartWindow::refresh()
{
    m_shown.reset();
    showNoFigures(tr("Building the chart…"));
    m_tally->start(m_results.rows().store());
}

bool LengthChartWindow::isBuilding() const
{
    return m_tally->isRunning();
}

void LengthChartWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
}

void LengthChartWindow::hideEvent(QHideEvent* event)
{
    // A hidden chart is built again when shown; until then nothing needs it.
    m_tally->cancel();
    QWidget::hideEvent(event);
}

void LengthChartWindow::showNoFigures(const QString& text)
{
    histogram->setMessage(text);
    for (QLabel* label : { rows, median, percentile90, percentile99, longest, longerThanRows })
        label->clear();
}

void LengthChartWindow::showTally(const LengthTally& tally)
{
    if (tally.rowCount() == 0) {
        histogram->setMessage(tr("There are no rows."));
        rows->setText(countText(0));
        for (QLabel* label : { median, percentile90, percentile99, longest })
            label->setText(tr("none"));
        longerThanRows->setText(rowsAndShareText(0, 0));
        emit built();
        return;
    }
    m_shown = std::make_unique<LengthTally>(tally);
    rows->setText(countText(tally.rowCount()));
    median->setText(countText(tally.percentile(50)));
    percentile90->setText(countText(tally.percentile(90)));
    percentile99->setText(countText(tally.percentile(99)));
    longest->setText(countText(tally.longest()));
    histogram->setHistogram(tally.buckets(),
                            { { tr("median"), tally.percentile(50) },
                              { tr("90th"), tally.percentile(90) },
                              { tr("99th"), tally.percentile(99) },
                              { tr("longest"), tally.longest() } });
    showLongerThan();
    emit built();
}

void LengthChartWindow::showLongerThan()
{
    if (!m_shown)
        return;
    longerThanRows->setText(rowsAndShareText(
        m_shown->rowsLongerThan(std::uint64_t(longerThan->value())), m_shown->rowCount()));
}

} // namespace velmora
