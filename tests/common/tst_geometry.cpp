#include "common/center_form.h"
#include "common/twips.h"

#include <QTest>

using namespace velmora;

class TestGeometry : public QObject
{
    Q_OBJECT

private slots:
    void twipsToPixels_data()
    {
        QTest::addColumn<int>("twips");
        QTest::addColumn<double>("dpi");
        QTest::addColumn<int>("pixels");
        QTest::newRow("window_width_96dpi") << 6600 << 96.0 << 440;
        QTest::newRow("window_height_96dpi") << 10140 << 96.0 << 676;
        QTest::newRow("one_pixel") << 15 << 96.0 << 1;
        QTest::newRow("hidden_key_column_rounds_to_zero") << 1 << 96.0 << 0;
        QTest::newRow("half_pixel_rounds_up") << 1815 << 96.0 << 121;
        QTest::newRow("window_width_144dpi") << 6600 << 144.0 << 660;
    }
    void twipsToPixels()
    {
        QFETCH(int, twips);
        QFETCH(double, dpi);
        QFETCH(int, pixels);
        QCOMPARE(velmora::twipsToPixels(twips, dpi), pixels);
    }

    void centresTheOuterFrameOnTheWholeScreen_data()
    {
        QTest::addColumn<QSizeF>("window");
        QTest::addColumn<QSizeF>("screen");
        QTest::addColumn<QPointF>("topLeft");
        QTest::newRow("fits") << QSizeF(440, 676) << QSizeF(1280, 1024) << QPointF(420, 174);
        QTest::newRow("half_units_kept")
            << QSizeF(441, 677) << QSizeF(1280, 1024) << QPointF(419.5, 173.5);
        QTest::newRow("larger_than_screen")
            << QSizeF(440, 676) << QSizeF(400, 600) << QPointF(-20, -38);
    }
    void centresTheOuterFrameOnTheWholeScreen()
    {
        QFETCH(QSizeF, window);
        QFETCH(QSizeF, screen);
        QFETCH(QPointF, topLeft);
        QCOMPARE(CenterForm(window, screen), topLeft);
    }
};

QTEST_APPLESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
