// The window's own pointer behaviour, driven by real mouse-move events through Qt's delivery.
#include "form_fixture.h"
#include "shell/list_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace velmora;
using namespace velmora::testing;

namespace {

void moveOver(QWidget* widget, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(widget->mapToGlobal(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void moveOver(QWidget* widget)
{
    moveOver(widget, widget->rect().center());
}

} // namespace

class TestPointerRules : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fixture = std::make_unique<FormFixture>(FormFixture::HandCursor);
        m_form = &m_fixture->create();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        m_fixture->fake.pointer.history.clear();
    }

    void handOverEveryButton()
    {
        for (QPushButton* button : m_form->findChildren<QPushButton*>()) {
            pointer().setPointer(MousePointer::Default);
            moveOver(button);
            QCOMPARE(pointer().current, MousePointer::Custom);
        }
    }

    void ordinaryPointerOverBackgroundFramesAndLists()
    {
        const QList<std::pair<QWidget*, QPoint>> places {
            { m_form, QPoint(2, 2) },
            { m_form->Frame1, QPoint(410, 145) },
            { m_form->Frame2, QPoint(300, 25) },
            { m_form->ListView1->viewport(), QPoint(20, 20) },
            { m_form->ListView2->horizontalHeader(), QPoint(10, 5) },
        };
        for (const auto& [widget, at] : places) {
            pointer().setPointer(MousePointer::Custom);
            moveOver(widget, at);
            QCOMPARE(pointer().current, MousePointer::Default);
        }
    }

    void optionsCheckBoxAndTextBoxesLeaveThePointerAlone()
    {
        for (QWidget* control : std::initializer_list<QWidget*> { m_form->Option1, m_form->Option3,
                                                                  m_form->Check6, m_form->Text1 }) {
            pointer().setPointer(MousePointer::Custom);
            moveOver(control);
            QCOMPARE(pointer().current, MousePointer::Custom);
        }
    }

    void fromButtonToButtonKeepsTheHand()
    {
        moveOver(m_form->PushButton1);
        moveOver(m_form->PushButton3);
        moveOver(m_form->PushButton3, QPoint(5, 5));
        QCOMPARE(pointer().history, QList<MousePointer>({ MousePointer::Custom }));
    }

    void neverChangesTheBusyPointer()
    {
        pointer().setPointer(MousePointer::Busy);
        moveOver(m_form->PushButton2);
        moveOver(m_form, QPoint(2, 2));
        moveOver(m_form->ListView2->viewport());
        QCOMPARE(pointer().current, MousePointer::Busy);
        QCOMPARE(pointer().history, QList<MousePointer>({ MousePointer::Busy }));
    }

private:
    FakeWindowPointer& pointer() { return m_fixture->fake.pointer; }

    std::unique_ptr<FormFixture> m_fixture;
    Form1* m_form = nullptr;
};

QTEST_MAIN(TestPointerRules)
#include "tst_pointer_rules.moc"
