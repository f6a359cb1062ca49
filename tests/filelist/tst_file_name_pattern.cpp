#include "filelist/file_name_pattern.h"

#include <QTest>

using namespace velmora;
using namespace Qt::StringLiterals;

class TestFileNamePattern : public QObject
{
    Q_OBJECT

private slots:
    void matches_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("matches");
        QTest::newRow("extension") << u"*.txt"_s << u"a.txt"_s << true;
        QTest::newRow("other_extension") << u"*.txt"_s << u"b.doc"_s << false;
        QTest::newRow("extension_not_last") << u"*.txt"_s << u"a.txt.bak"_s << false;
        QTest::newRow("extension_twice") << u"*.txt"_s << u"a.txt.txt"_s << true;
        QTest::newRow("name_in_capitals") << u"*.txt"_s << u"A.TXT"_s << true;
        QTest::newRow("accented_case") << u"*.été"_s << u"X.ÉTÉ"_s << true;
        QTest::newRow("question_mark") << u"*.t?t"_s << u"a.tat"_s << true;
        QTest::newRow("question_mark_needs_one") << u"*.t?t"_s << u"a.tt"_s << false;
        QTest::newRow("brackets_are_plain") << u"*.[tx]"_s << u"a.[tx]"_s << true;
        QTest::newRow("every_name_without_dot") << u"*.*"_s << u"Makefile"_s << true;
        QTest::newRow("dot_star_without_extension") << u"a.*"_s << u"a"_s << true;
        QTest::newRow("dot_star_other_name") << u"a.*"_s << u"ab"_s << false;
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
