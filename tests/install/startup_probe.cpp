// Loaded into an installed velmora with LD_PRELOAD, so that the program under test is the one
// installed, unchanged. Once its window is up, the probe reports on standard output what a
// person would see of the files installed beside it: the caption, the theme, the hand cursor
// over a button, the path "Load Sample File" lists, and the rows "Start Counting" gives for it.
// Then it closes the window. The checking scripts judge the report.
#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

void report(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QWidget* mainWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == u"Form1" && widget->isVisible())
            return widget;
    }
    return nullptr;
}

// Clicks `button` and answers the message box its handler shows with `answer`. The box runs
// its own event loop inside the click, where the timer reaches it.
void clickAndAnswer(QPushButton* button, QMessageBox::StandardButton answer)
{
    QTimer answering;
    QObject::connect(&answering, &QTimer::timeout, [&answering, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->button(answer))
            return;
        report(QStringLiteral("message: ") + box->text());
        answering.stop();
        box->button(answer)->click();
    });
    answering.start(20);
    button->click();
}

QString cellText(const QAbstractItemView* list, int row, int column)
{
    return list->model()->index(row, column).data().toString();
}

void inspect(QWidget* window)
{
    report(QStringLiteral("caption: ") + window->windowTitle());
    report(QStringLiteral("theme: ")
           + (window->styleSheet().isEmpty() ? QStringLiteral("none") : QStringLiteral("applied")));

    // The window shows its hand cursor only where the pointer moves over a push button.
    auto* loadSample = window->findChild<QPushButton*>(QStringLiteral("PushButton9"));
    QMouseEvent move(QEvent::MouseMove, QPointF(4, 4), loadSample->mapToGlobal(QPointF(4, 4)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(loadSample, &move);
    report(QStringLiteral("hand cursor: ")
           + (window->cursor().shape() == Qt::BitmapCursor ? QStringLiteral("loaded")
                                                           : QStringLiteral("none")));

    clickAndAnswer(loadSample, QMessageBox::No);
    const auto* fileList = window->findChild<QAbstractItemView*>(QStringLiteral("ListView1"));
    for (int row = 0; row < fileList->model()->rowCount(); ++row)
        report(QStringLiteral("listed: ") + cellText(fileList, row, 0));

    clickAndAnswer(window->findChild<QPushButton*>(QStringLiteral("PushButton2")), QMessageBox::Ok);
    const auto* results = window->findChild<QAbstractItemView*>(QStringLiteral("ListView2"));
    for (int row = 0; row < results->model()->rowCount(); ++row)
        report(QStringLiteral("row: ") + cellText(results, row, 0) + QLatin1Char('\t')
               + cellText(results, row, 2));
    window->close();
}

// The window is shown once its start-up sequence is over; until then, look again a little later.
void inspectOnceShown(int triesLeft)
{
    if (QWidget* window = mainWindow()) {
        inspect(window);
    } else if (triesLeft > 0) {
        QTimer::singleShot(50, qApp, [triesLeft] { inspectOnceShown(triesLeft - 1); });
    } else {
        report(QStringLiteral("no window"));
        QCoreApplication::exit(2);
    }
}

// Runs as the application object is made; --help and --version never reach its event loop.
void start()
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { inspectOnceShown(200); }, Qt::QueuedConnection);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(start)
