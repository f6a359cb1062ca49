#include "fakes/fake_platform.h"
#include "shell/error_report.h"

#include <QTest>

using namespace velmora;

class TestErrorReport : public QObject
{
    Q_OBJECT

private slots:
    void joinsDescriptionHandlerAndLine()
    {
        QCOMPARE(
            errorReportText(QStringLiteral("Permission denied"),
                            QStringLiteral("PushButton2_Click"), 112),
            QStringLiteral("Permission denied\r\nin Kestrune.Form1.PushButton2_Click at line 112"));
    }

    void isAModalWarningWithOk()
    {
        testing::FakeMessageBoxes messages;
        showErrorReport(messages, QStringLiteral("Disk full"), QStringLiteral("PushButton4_Click"),
                        136);
        QCOMPARE(messages.shown.size(), 1);
        const testing::ShownMessage& box = messages.shown.first();
        QCOMPARE(box.caption, QStringLiteral("Application Error"));
        QCOMPARE(box.icon, MessageIcon::Exclamation);
        QCOMPARE(box.buttons, MessageButtons::Ok);
        QCOMPARE(box.text,
                 QStringLiteral("Disk full\r\nin Kestrune.Form1.PushButton4_Click at line 136"));
    }
};

QTEST_APPLESS_MAIN(TestErrorReport)
#include "tst_error_report.moc"
