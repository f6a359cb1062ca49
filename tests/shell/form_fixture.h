#pragma once

#include "fakes/fake_platform.h"
#include "shell/main_window.h"

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
    Form1& create(bool load = true)
    {
        form = std::make_unique<Form1>(fake.platform, ProgramFiles({ programFolder.path() }));
        if (load)
            form->Form_Load();
        return *form;
    }

    QString programPath(const QString& relative) const
    {
        return QDir::toNativeSeparators(programFolder.filePath(relative));
    }

    FakePlatform fake;
    QTemporaryDir programFolder;
    std::unique_ptr<Form1> form;
};

} // namespace velmora::testing
