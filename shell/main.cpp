#include "common/path_bytes.h"
#include "common/program_files.h"
#include "common/standard_descriptors.h"
#include "display_presence.h"
#include "main_window.h"
#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <QCommandLineParser>

#include <csignal>
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

// Qt decodes the arguments lossily; the files named there are opened by their exact bytes,
// so each positional argument is taken from the argument it was read from.
QStringList pathArguments(const QStringList& positional, int argc, char* argv[])
{
    QStringList paths;
    int next = 1;
    for (const QString& argument : positional) {
        while (next < argc && QString::fromLocal8Bit(argv[next]) != argument)
            ++next;
        paths << (next < argc ? velmora::pathFromBytes(argv[next++]) : argument);
    }
    return paths;
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
    velmora::reopenClosedStandardDescriptors();
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

    // A save into a FIFO whose reader has gone is a failed write to report, not the end of
    // the window.
    std::signal(SIGPIPE, SIG_IGN);
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
    window.addCommandLinePaths(pathArguments(parser.positionalArguments(), argc, argv));
    return QApplication::exec();
}
