#include "common/long_path.h"
#include "folder_tree_builder.h"

#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmora;
using namespace velmora::testing;

class TestLongPath : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(buildFolderTree(m_root.path(), { QString(m_deep) + "f.txt" })); }

    // Paths well past PATH_MAX (3,000 folders of "d/"), and what fails in them fails with the
    // cause a short path would give.
    void opensAndStatsAPathOfAnyLength_data()
    {
        QTest::addColumn<QByteArray>("relative");
        QTest::addColumn<int>("cause"); // 0: found
        QTest::newRow("short_path") << QByteArray("d/d/d") << 0;
        QTest::newRow("file_beyond_the_limit") << m_deep + "f.txt" << 0;
        QTest::newRow("folder_beyond_the_limit") << m_deep << 0;
        QTest::newRow("doubled_separators_where_it_is_cut")
            << QByteArray(m_deep).replace("/", "//") + "f.txt" << 0;
        QTest::newRow("missing_folder_before_the_last_stretch")
            << "d/x/" + m_deep.mid(4) + "f.txt" << ENOENT;
        QTest::newRow("missing_file_at_the_end") << m_deep + "g.txt" << ENOENT;
        QTest::newRow("file_taken_for_a_folder") << m_deep + "f.txt/more" << ENOTDIR;
        QTest::newRow("one_name_longer_than_the_limit") << QByteArray(5000, 'n') << ENAMETOOLONG;
    }
    void opensAndStatsAPathOfAnyLength()
    {
        QFETCH(QByteArray, relative);
        QFETCH(int, cause);
        const QByteArray path = QFile::encodeName(m_root.path()) + '/' + relative;

        errno = 0;
        const int descriptor = openLongPath(path, O_RDONLY | O_CLOEXEC);
        const int openCause = descriptor < 0 ? errno : 0;
        if (descriptor >= 0)
            ::close(descriptor);
        QCOMPARE(openCause, cause);

        struct stat status;
        errno = 0;
        const int statCause = statLongPath(path, &status) != 0 ? errno : 0;
        QCOMPARE(statCause, cause);
    }

private:
    ScratchFolder m_root;
    QByteArray m_deep = QByteArray("d/").repeated(3000);
};

QTEST_GUILESS_MAIN(TestLongPath)
#include "tst_long_path.moc"
