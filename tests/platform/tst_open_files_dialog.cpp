// The real Qt open dialog of "Add Text File(s)", driven through its own name box.
#include "platform/qt/open_files_dialog.h"
#include "platform/qt/qt_file_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace velmora;

namespace {

const FileDialogRequest addFilesRequest {
    QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"),
    { { QStringLiteral("All Files (*.*)"), QStringLiteral("*.*") } },
};

/// A folder with two files and a sub-folder.
class Folder
{
public:
    Folder()
    {
        for (const char* name : { "a.txt", "b.txt" }) {
            QFile file(path(QLatin1String(name)));
            if (!file.open(QIODevice::WriteOnly))
                qFatal("cannot write %s", name);
        }
        QDir(m_root.path()).mkdir(QStringLiteral("sub"));
    }
    QString path(const QString& relative = {}) const
    {
        return relative.isEmpty() ? m_root.path() : m_root.filePath(relative);
    }

private:
    QTemporaryDir m_root;
};

// As a user types: the name box has the focus, so picking in the list does not rewrite it.
void typeNames(QFileDialog& dialog, const QString& names)
{
    auto* nameBox = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(nameBox);
    if (dialog.isVisible()) {
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        nameBox->setFocus();
    }
    nameBox->setText(names);
}

} // namespace

class TestOpenFilesDialog : public QObject
{
    Q_OBJECT

private slots:
    void isSetUpForSeveralFilesThatNeedNotExist()
    {
        OpenFilesDialog dialog(nullptr, addFilesRequest);
        QCOMPARE(dialog.windowTitle(), addFilesRequest.title);
        QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFiles);
        QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
        QVERIFY(!dialog.testOption(QFileDialog::ReadOnly));
        auto* files = dialog.findChild<QListView*>(QStringLiteral("listView"));
        QVERIFY(files);
        QCOMPARE(files->selectionMode(), QAbstractItemView::ExtendedSelection);
        // One filter, shown as written; its wildcard also matches names without a dot.
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        QCOMPARE(types->count(), 1);
        QCOMPARE(types->itemText(0), QStringLiteral("All Files (*.*)"));
        QCOMPARE(dialog.nameFilters(), QStringList { QStringLiteral("All Files (*.*) (*)") });
    }

    // Names are typed relative to the folder shown; "<dir>" stands for that folder.
    void takesTypedNames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("chosen");
        QTest::newRow("existing_file") << "a.txt" << true << QStringList { "<dir>/a.txt" };
        QTest::newRow("missing_file") << "gone.txt" << true << QStringList { "<dir>/gone.txt" };
        QTest::newRow("missing_file_in_a_missing_folder")
            << "nowhere/gone.txt" << true << QStringList { "<dir>/nowhere/gone.txt" };
        QTest::newRow("missing_file_typed_with_its_full_path")
            << "<dir>/gone.txt" << true << QStringList { "<dir>/gone.txt" };
        QTest::newRow("several_existing")
            << "\"b.txt\" \"a.txt\"" << true << QStringList { "<dir>/b.txt", "<dir>/a.txt" };
        QTest::newRow("one_missing_among_several")
            << "\"a.txt\" \"gone.txt\" \"b.txt\"" << true
            << QStringList { "<dir>/a.txt", "<dir>/gone.txt", "<dir>/b.txt" };
        QTest::newRow("all_missing") << "\"gone1.txt\" \"gone2.txt\"" << true
                                     << QStringList { "<dir>/gone1.txt", "<dir>/gone2.txt" };
        // A folder's name opens the folder, as in any open dialog.
        QTest::newRow("folder_is_opened") << "sub" << false << QStringList {};
        QTest::newRow("empty_name_box") << "" << false << QStringList {};
    }
    void takesTypedNames()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QFETCH(QStringList, chosen);
        Folder folder;
        OpenFilesDialog dialog(nullptr, addFilesRequest);
        dialog.setDirectory(folder.path());
        typeNames(dialog, typed.replace(QStringLiteral("<dir>"), folder.path()));
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(buttons);
        // The Open button takes the click for every name, existing or not.
        QCOMPARE(buttons->button(QDialogButtonBox::Open)->isEnabled(), !typed.isEmpty());

        dialog.accept();

        QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
        if (!accepted) {
            if (typed == QLatin1String("sub"))
                QCOMPARE(dialog.directory().absolutePath(), folder.path(QStringLiteral("sub")));
            return;
        }
        QStringList expected;
        for (const QString& path : std::as_const(chosen))
            expected << QString(path).replace(QStringLiteral("<dir>"), folder.path());
        QCOMPARE(dialog.chosenFiles(), expected);
    }

    // What the program gets back: one path, or the folder and each name after a NUL.
    void givesTheProgramItsResult_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("result"); // "|" stands for NUL
        QTest::newRow("one_missing_file") << "gone.txt"
                                          << "<dir>/gone.txt";
        QTest::newRow("missing_among_several") << "\"a.txt\" \"gone.txt\""
                                               << "<dir>|a.txt|gone.txt";
    }
    void givesTheProgramItsResult()
    {
        QFETCH(QString, typed);
        QFETCH(QString, result);
        Folder folder;
        OwnerWindow owner;
        QtFileDialogs dialogs(owner);
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<OpenFilesDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->setDirectory(folder.path());
            typeNames(*dialog, typed);
            dialog->accept();
        });

        const QString chosen = dialogs.openFiles(addFilesRequest);

        QCOMPARE(chosen,
                 QDir::toNativeSeparators(result.replace(QStringLiteral("<dir>"), folder.path()))
                     .replace(QLatin1Char('|'), QChar(u'\0')));
    }
};

QTEST_MAIN(TestOpenFilesDialog)
#include "tst_open_files_dialog.moc"
