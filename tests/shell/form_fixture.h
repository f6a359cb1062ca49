#pragma once

#include "fakes/fake_platform.h"
#include "shell/main_window.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace velmora::testing {

/// A Form1 over fake platform services, with a program folder of its own that holds only the
/// program files a test asks for.
class FormFixture
{
public:
    enum ProgramFile { SampleFile = 1, HandCursor = 2, Theme = 4 };

    explicit FormFixture(int programFiles = SampleFile)
    {
        const auto copy = [this](const QString& relative) {
            QDir().mkpath(QFileInfo(programFolder.filePath(relative)).absolutePath());
            QFile::copy(QStringLiteral(VELMORA_SOURCE_DIR "/resources/") + relative,
                        programFolder.filePath(relative));
        };
        if (programFiles & SampleFile)
            copy(QStringLiteral("sample.txt"));
        if (programFiles & HandCursor)
            copy(QStringLiteral("HAND-M.CUR"));
        if (programFiles & Theme)
            copy(QStringLiteral("x/o.cjs"));
    }

    /// Builds the window; `load` also runs its start-up sequence.
    Form1& create(bool load = true) { return create(fake.platform, load); }

    /// Builds the window over `platform`, which must outlive it, in place of the fakes alone.
    Form1& create(Platform& platform, bool load = true)
    {
        form = std::make_unique<Form1>(platform, ProgramFiles({ programFolder.path() }));
        if (load)
            form->Form_Load();
        return *form;
    }

    QString programPath(const QString& relative) const
    {
        return QDir::toNativeSeparators(programFolder.filePath(relative));
    }

    /// Writes a file of the program folder, and the folders it needs; gives its path.
    QString writeFile(const QString& relative, const QByteArray& bytes = {}) const
    {
        const QString path = programPath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write the fixture %s", qPrintable(relative));
        return path;
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    /// The texts of the message boxes shown so far, in order.
    QStringList shownTexts() const
    {
        QStringList texts;
        for (const ShownMessage& message : fake.messages.shown)
            texts << message.text;
        return texts;
    }

    FakePlatform fake;
    QTemporaryDir programFolder;
    std::unique_ptr<Form1> form;
};

/// What the window tests share: a fresh window for every test function, one of its models
/// under Qt's model tester, and short names for the fakes.
class FormTest
{
protected:
    void startWindow(int programFiles, QAbstractItemModel* (*testedModel)(Form1&))
    {
        fixture = std::make_unique<FormFixture>(programFiles);
        form = &fixture->create();
        tester = std::make_unique<QAbstractItemModelTester>(
            testedModel(*form), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    static QAbstractItemModel* fileListOf(Form1& window) { return &window.fileList(); }
    static QAbstractItemModel* resultsOf(Form1& window) { return &window.results(); }

    QString path(const QString& relative) const { return fixture->programPath(relative); }
    QStringList texts() const { return fixture->shownTexts(); }
    FakeMessageBoxes& messages() { return fixture->fake.messages; }
    FakeFileDialogs& dialogs() { return fixture->fake.fileDialogs; }
    FakeWindowPointer& pointer() { return fixture->fake.pointer; }

    std::unique_ptr<FormFixture> fixture;
    Form1* form = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

} // namespace velmora::testing
