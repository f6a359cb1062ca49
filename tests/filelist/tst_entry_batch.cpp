#include "fakes/fake_platform.h"
#include "filelist/entry_batch.h"
#include "filelist/file_list_model.h"
#include "filelist/folder_walk_guard.h"

#include <QTest>

using namespace velmora;
using namespace velmora::testing;
using namespace Qt::StringLiterals;

class TestEntryBatch : public QObject
{
    Q_OBJECT

private slots:
    void pendingEntriesListedBeforeEveryYield()
    {
        FakeEventPump events;
        FileListModel list;
        FolderWalkGuard guard;
        QList<QStringList> listedAtYield;
        events.atYield = [&](int) { listedAtYield << list.entries(); };
        {
            EntryBatch batch(list, events, guard);
            batch.append(u"a"_s);
            batch.append(u"b"_s);
            QCOMPARE(batch.yieldToEvents(), WalkStep::Continue);
            batch.append(u"c"_s);
            QCOMPARE(batch.yieldToEvents(), WalkStep::Continue);
            batch.append(u"d"_s);
        }
        QCOMPARE(listedAtYield,
                 (QList<QStringList> { { u"a"_s, u"b"_s }, { u"a"_s, u"b"_s, u"c"_s } }));
        QCOMPARE(list.entries(), (QStringList { u"a"_s, u"b"_s, u"c"_s, u"d"_s }));
    }
};

QTEST_GUILESS_MAIN(TestEntryBatch)
#include "tst_entry_batch.moc"
