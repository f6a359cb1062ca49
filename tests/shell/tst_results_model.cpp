#include "shell/results_model.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace velmora;

namespace {

ResultStore storeOf(const QList<std::pair<std::string, std::uint64_t>>& rows)
{
    ResultStore store;
    for (const auto& [bytes, count] : rows)
        store.addRow(bytes, CharacterCount(count), LineNumber(1));
    return store;
}

/// The texts of one column, top to bottom, joined by "|".
QString column(const ResultsModel& model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts.join(u'|');
}

} // namespace

class TestResultsModel : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_model = std::make_unique<ResultsModel>();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_model->addColumnHeader(QStringLiteral("#"));
        m_model->addColumnHeader(QString());
        m_model->addColumnHeader(QStringLiteral("Line"));
    }
    void cleanup()
    {
        m_tester.reset();
        m_model.reset();
    }

    void showsCountKeyAndLine()
    {
        m_model->setStore(storeOf({ { "hello", 5 }, { "caf\xC3\xA9\tx", 6 }, { "caf\xE9", 4 } }));
        QCOMPARE(m_model->rowCount(), 3);
        QCOMPARE(column(*m_model, 0), QStringLiteral("5|6|4"));
        QCOMPARE(column(*m_model, 1), QStringLiteral("0000000005|0000000006|0000000004"));
        QCOMPARE(column(*m_model, 2), QStringLiteral("hello|caf\u00E9\tx|caf\uFFFD"));
        QCOMPARE(m_model->row(2).bytes, std::string_view("caf\xE9"));
    }

    void sortKeyHasTenDigits_data()
    {
        QTest::addColumn<quint64>("count");
        QTest::addColumn<QString>("key");
        QTest::newRow("zero") << quint64(0) << "0000000000";
        QTest::newRow("seventeen") << quint64(17) << "0000000017";
        QTest::newRow("largest") << quint64(4294967295u) << "4294967295";
    }
    void sortKeyHasTenDigits()
    {
        QFETCH(quint64, count);
        QFETCH(QString, key);
        QCOMPARE(sortKeyText(count), key);
    }

    void longLineIsCutForDisplay()
    {
        // The cut falls inside a two-byte character, which must not be split.
        std::string line(4095, 'a');
        line += "\xC3\xA9 tail";
        m_model->setStore(storeOf({ { line, 4101 } }));
        const QString shown = m_model->index(0, 2).data().toString();
        QCOMPARE(shown, QString(4095, u'a') + QChar(0x2026));
        QCOMPARE(m_model->row(0).bytes.size(), line.size());
    }

    void sortsByKeyAndStaysSorted()
    {
        m_model->setStore(storeOf({ { "nine", 9 }, { "ten", 10 }, { "one", 1 } }));
        QVERIFY(!m_model->isSorted());
        m_model->sortByKey(Qt::DescendingOrder);
        QCOMPARE(column(*m_model, 0), QStringLiteral("10|9|1"));
        m_model->sort(ResultsModel::SortKeyColumn, Qt::AscendingOrder);
        QCOMPARE(column(*m_model, 0), QStringLiteral("1|9|10"));

        m_model->clear();
        QCOMPARE(m_model->rowCount(), 0);
        QVERIFY(m_model->isSorted());
        m_model->setStore(storeOf({ { "a", 1 }, { "bbb", 3 }, { "bb", 2 } }));
        QCOMPARE(column(*m_model, 0), QStringLiteral("1|2|3"));
        QCOMPARE(m_model->row(2).bytes, std::string_view("bbb"));
    }

    void sortingAnEmptyListChangesNothing()
    {
        QSignalSpy layouts(m_model.get(), &QAbstractItemModel::layoutChanged);
        m_model->sortByKey(Qt::DescendingOrder);
        QVERIFY(!m_model->isSorted());
        QCOMPARE(layouts.count(), 0);
    }

    void otherColumnsDoNotSort()
    {
        m_model->setStore(storeOf({ { "b", 1 }, { "aa", 2 } }));
        m_model->sort(ResultsModel::LineColumn, Qt::AscendingOrder);
        m_model->sort(ResultsModel::CountColumn, Qt::DescendingOrder);
        QVERIFY(!m_model->isSorted());
        QCOMPARE(column(*m_model, 2), QStringLiteral("b|aa"));
    }

    void selectionFollowsItsRowWhenSorted()
    {
        m_model->setStore(storeOf({ { "x", 1 }, { "yyy", 3 }, { "yy", 2 } }));
        const QPersistentModelIndex selected = m_model->index(0, 2);
        m_model->sortByKey(Qt::DescendingOrder);
        QCOMPARE(selected.row(), 2);
        QCOMPARE(selected.data().toString(), QStringLiteral("x"));
    }

private:
    std::unique_ptr<ResultsModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

QTEST_APPLESS_MAIN(TestResultsModel)
#include "tst_results_model.moc"
