// Counts the files named on the command line in the real window and saves a picture of the
// Length Chart of their rows, for the documentation: velmora-chart-screenshot OUT.png FILE...
// Run it on a real display (xvfb-run), which paints the native style and fonts.

#include "fakes/fake_platform.h"
#include "platform/qt/qt_desktop.h"
#include "shell/length_chart/length_chart_window.h"
#include "shell/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSpinBox>

#include <cstdio>

using namespace velmora;
using namespace velmora::testing;

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUT.png FILE...\n", argv[0]);
        return 2;
    }
    FakePlatform fake;
    QtEventPump events;
    Platform platform { fake.messages,  fake.input,    fake.fileDialogs, fake.folderPicker,
                        fake.shell,     fake.settings, fake.pointer,     fake.screen,
                        fake.random,    events,        fake.progress,    fake.outputFiles,
                        fake.programEnd };
    Form1 form(platform, ProgramFiles({ QCoreApplication::applicationDirPath() }));
    form.Form_Load();
    form.show();
    for (int i = 2; i < argc; ++i)
        form.fileList().appendEntry(QString::fromLocal8Bit(argv[i]));
    form.PushButton2->click();

    form.showLengthChart();
    auto* chart = form.findChild<LengthChartWindow*>();
    chart->resize(760, 560);
    chart->longerThan->setValue(80);
    // Until the chart is built and the window system has painted it.
    QElapsedTimer waited;
    waited.start();
    while (chart->isBuilding() || waited.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return chart->grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
