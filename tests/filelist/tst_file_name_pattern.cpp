#include "filelist/file_name_pattern.h"

#include <QTest>

using namespace velmora;

class TestFileNamePattern : public QObject
{
    Q_OBJECT

private slots:
    void matches_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("matches");
        QTest::newRow("extension") << "*.txt" << "a.txt" << true;
        QTest::newRow("other_extension") << "*.txt" << "b.doc" << false;
        QTest::newRow("longer_extension") << "*.txt" << "a.txts" << false;
        QTest::newRow("extension_not_last") << "*.txt" << "a.txt.bak" << false;
        QTest::newRow("extension_twice") << "*.txt" << "a.txt.txt" << true;
        QTest::newRow("no_dot") << "*.txt" << "txt" << false;
        QTest::newRow("only_extension") << "*.txt" << ".txt" << true;
        QTest::newRow("name_in_capitals") << "*.txt" << "A.TXT" << true;
        QTest::newRow("pattern_in_capitals") << "*.TXT" << "a.txt" << true;
        QTest::newRow("accented_case") << "*.été" << "X.ÉTÉ" << true;
        QTest::newRow("question_mark") << "*.t?t" << "a.tat" << true;
        QTest::newRow("question_mark_needs_one") << "*.t?t" << "a.tt" << false;
        QTest::newRow("brackets_are_plain") << "*.[tx]" << "a.[tx]" << true;
        QTest::newRow("brackets_no_class") << "*.[tx]" << "a.t" << false;
        QTest::newRow("every_name_with_dot") << "*.*" << "a.b.c" << true;
        QTest::newRow("every_name_without_dot") << "*.*" << "Makefile" << true;
        QTest::newRow("every_dot_file") << "*.*" << ".profile" << true;
        QTest::newRow("dot_star_without_extension") << "a.*" << "a" << true;
        QTest::newRow("dot_star_other_name") << "a.*" << "ab" << false;
    }
    void matches()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, matches);
        QCOMPARE(FileNamePattern(pattern).matches(name), matches);
    }
};

QTEST_APPLESS_MAIN(TestFileNamePattern)
#include "tst_file_name_pattern.moc"
