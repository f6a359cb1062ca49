#include "common/program_files.h"
#include "main_window.h"
#include "platform/qt/qt_platform.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvantis"));
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));

    velmora::QtPlatform platform;
    velmora::Form1 window(platform.platform(), velmora::ProgramFiles::ofRunningProgram());
    platform.setMainWindow(&window);
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
