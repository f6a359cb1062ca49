#include "common/file_exists.h"
#include "common/program_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;

namespace {

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestProgramFiles : public QObject
{
    Q_OBJECT

private slots:
    void prefersTheFileBesideTheProgram()
    {
        QTemporaryDir root;
        touch(root.filePath(QStringLiteral("bin/sample.txt")));
        touch(root.filePath(QStringLiteral("share/velmora/sample.txt")));
        const ProgramFiles files({ root.filePath(QStringLiteral("bin")),
                                   root.filePath(QStringLiteral("share/velmora")) });
        QCOMPARE(files.path(QStringLiteral("sample.txt")),
                 QDir::toNativeSeparators(root.filePath(QStringLiteral("bin/sample.txt"))));
    }

    void fallsBackToTheInstalledDataFolder()
    {
        QTemporaryDir root;
        touch(root.filePath(QStringLiteral("share/velmora/x/o.cjs")));
        const ProgramFiles files({ root.filePath(QStringLiteral("bin")),
                                   root.filePath(QStringLiteral("share/velmora")) });
        QCOMPARE(files.path(QStringLiteral("x/o.cjs")),
                 QDir::toNativeSeparators(root.filePath(QStringLiteral("share/velmora/x/o.cjs"))));
    }

    void namesThePathBesideTheProgramWhenNoFolderHasTheFile()
    {
        QTemporaryDir root;
        const ProgramFiles files({ root.filePath(QStringLiteral("bin")),
                                   root.filePath(QStringLiteral("share/velmora")) });
        QCOMPARE(files.path(QStringLiteral("HAND-M.CUR")),
                 QDir::toNativeSeparators(root.filePath(QStringLiteral("bin/HAND-M.CUR"))));
    }

    void fileExistsForFilesAndFoldersOnly()
    {
        QTemporaryDir root;
        touch(root.filePath(QStringLiteral("a.txt")));
        QVERIFY(FileExists(root.filePath(QStringLiteral("a.txt"))));
        QVERIFY(FileExists(root.path()));
        QVERIFY(!FileExists(root.filePath(QStringLiteral("missing.txt"))));
        QVERIFY(!FileExists(QString()));
        QVERIFY(!FileExists(root.filePath(QStringLiteral("a.txt/inside"))));
    }

    void fileExistsIsFalseForABrokenLink()
    {
        QTemporaryDir root;
        const QString link = root.filePath(QStringLiteral("dangling"));
        QVERIFY(QFile::link(root.filePath(QStringLiteral("gone")), link));
        QVERIFY(!FileExists(link));
    }
};

QTEST_APPLESS_MAIN(TestProgramFiles)
#include "tst_program_files.moc"
