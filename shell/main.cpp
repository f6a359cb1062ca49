#include "common/program_files.h"
#include "display_presence.h"
#include "main_window.h"
#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

namespace {

void describeCommandLine(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Counts the characters of every line of plain-text files."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("files"),
        QStringLiteral("Files or folders to put in the file list at start, as if dropped on it."),
        QStringLiteral("[FILE|FOLDER...]"));
}

// --help and --version answer on the terminal and need no display.
bool answersOnTheTerminal(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--")
            return false;
        if (argument == "-h" || argument == "--help" || argument == "-v" || argument == "--version"
            || argument == "--help-all")
            return true;
    }
    return false;
}

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void identify()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Orvantis"));
    QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
}

} // namespace

int main(int argc, char* argv[])
{
    if (answersOnTheTerminal(argc, argv)) {
        QCoreApplication terminal(argc, argv);
        identify();
        QCommandLineParser parser;
        describeCommandLine(parser);
        parser.process(terminal);
        return 0;
    }

    // Qt would abort without a display; a plain word and exit status 1 serve a person better.
    if (!velmora::windowCanAppear(argumentsOf(argc, argv),
                                  QProcessEnvironment::systemEnvironment())) {
        std::fputs("velmora: no display found; start it from a desktop session, "
                   "or under xvfb-run: xvfb-run -a velmora\n",
                   stderr);
        return 1;
    }

    QApplication application(argc, argv);
    identify();
    QGuiApplication::setDesktopFileName(QStringLiteral("com.orvantis.Velmora"));
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(application);

    velmora::QtPlatform platform;
    velmora::Form1 window(platform.platform(), velmora::ProgramFiles::ofRunningProgram());
    platform.setMainWindow(&window);
    window.Form_Load();
    window.show();
    window.addCommandLinePaths(parser.positionalArguments());
    return QApplication::exec();
}
