#pragma once

#include "platform/platform.h"

#include <QList>
#include <QMap>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

namespace velmora::testing {

struct ShownMessage
{
    QString text;
    QString caption;
    MessageButtons buttons;
    MessageIcon icon;
};

/// Records every box; Yes/No boxes take their answers from `answers` in order (No when the
/// script has run out). `whileShown` runs as each box is up, as a user's other actions would.
class FakeMessageBoxes final : public MessageBoxes
{
public:
    MessageAnswer show(const QString& text, const QString& caption, MessageButtons buttons,
                       MessageIcon icon) override;

    QList<ShownMessage> shown;
    std::deque<MessageAnswer> answers;
    std::function<void(const ShownMessage&)> whileShown;
};

class FakeInputBox final : public InputBox
{
public:
    QString ask(const QString& prompt, const QString& caption,
                const QString& defaultAnswer) override;

    struct Question
    {
        QString prompt;
        QString caption;
        QString defaultAnswer;
    };
    QList<Question> asked;
    std::deque<QString> answers; // the empty text (cancel) once they run out
};

class FakeFileDialogs final : public FileDialogs
{
public:
    QString openFiles(const FileDialogRequest& request) override;
    QString saveFile(const FileDialogRequest& request) override;

    QList<FileDialogRequest> openRequests;
    QList<FileDialogRequest> saveRequests;
    std::deque<QString> openResults; // cancel once they run out
    std::deque<QString> saveResults;
};

class FakeFolderPicker final : public FolderPicker
{
public:
    QString pickFolder(const QString& prompt) override;

    QStringList prompts;
    std::deque<QString> results; // cancel once they run out
};

class FakeDesktopShell final : public DesktopShell
{
public:
    void openDocument(const QString& path) override { openedDocuments << path; }
    void openWebPage(const QUrl& address) override { openedPages << address; }
    void showInFolder(const QStringList& paths) override { shownInFolder << paths; }
    void copyText(const QString& text) override { clipboard << text; }

    QStringList openedDocuments;
    QList<QUrl> openedPages;
    /// One entry per call, in order.
    QList<QStringList> shownInFolder;
    QStringList clipboard;
};

class FakeSettingsStore final : public SettingsStore
{
public:
    QString readText(const QString& section, const QString& key,
                     const QString& defaultValue) const override;
    void writeText(const QString& section, const QString& key, const QString& value) override;

    QMap<QString, QString> values; // "section/key" -> value
    QStringList writes; // "section/key=value", in order
};

/// Records every pointer change, so a test can tell whether the busy pointer was ever set.
class FakeWindowPointer final : public WindowPointer
{
public:
    MousePointer pointer() const override { return current; }
    void setPointer(MousePointer pointer) override;
    bool loadCustomImage(const QString& cursorFile) override;

    MousePointer current = MousePointer::Default;
    QList<MousePointer> history;
    QStringList loadedImages;
    bool imagesLoad = true;
};

class FakeScreenInfo final : public ScreenInfo
{
public:
    QSize screenSize() const override { return size; }
    double logicalDpi() const override { return dpi; }

    QSize size { 1920, 1080 };
    double dpi = 96.0;
};

class FakeRandom final : public RandomSource
{
public:
    double nextUnit() override;

    std::deque<double> values; // 0.5 once they run out
    int draws = 0;
};

/// Counts the yields of a long operation; `atYield` lets a test act in the middle of one.
class FakeEventPump final : public EventPump
{
public:
    void processWaitingEvents() override;

    int calls = 0;
    std::function<void(int call)> atYield;
};

class FakeProgressDisplay final : public ProgressDisplay
{
public:
    void begin(const QString& label, qint64 total) override;
    void advance(qint64 done) override { lastDone = done; }
    void end() override { ++ended; }

    QStringList labels;
    qint64 total = 0;
    qint64 lastDone = 0;
    int ended = 0;
};

/// The program's real output files, with a final step that can be made to fail.
class FakeOutputFileOpener final : public OutputFileOpener
{
public:
    std::unique_ptr<PendingFile> beginReplacing(const QString& path, QString& error) override;

    /// Written from the worker thread of the save; read after it has finished.
    QStringList begun;
    bool commitFails = false;
};

/// Records the request to end the program and runs `onEnd`, which may unblock the job that
/// would otherwise be waited for.
class FakeProgramEnd final : public ProgramEnd
{
public:
    void endNow() override
    {
        ++calls;
        if (onEnd)
            onEnd();
    }

    int calls = 0;
    std::function<void()> onEnd;
};

struct FakePlatform
{
    FakeMessageBoxes messages;
    FakeInputBox input;
    FakeFileDialogs fileDialogs;
    FakeFolderPicker folderPicker;
    FakeDesktopShell shell;
    FakeSettingsStore settings;
    FakeWindowPointer pointer;
    FakeScreenInfo screen;
    FakeRandom random;
    FakeEventPump events;
    FakeProgressDisplay progress;
    FakeOutputFileOpener outputFiles;
    FakeProgramEnd programEnd;
    Platform platform { messages, input,       fileDialogs, folderPicker, shell,
                        settings, pointer,     screen,      random,       events,
                        progress, outputFiles, programEnd };

    /// The same fakes, with `shownProgress` in place of the fake progress display.
    Platform withProgress(ProgressDisplay& shownProgress)
    {
        return { messages, input,  fileDialogs, folderPicker,  shell,       settings,  pointer,
                 screen,   random, events,      shownProgress, outputFiles, programEnd };
    }
};

} // namespace velmora::testing
