// The rubber-band editor's geometry and its not-XOR drawing.
#include "UBTImageEditor.h"

#include "Numbers.h"

#include <QTest>

using namespace cornix;

namespace {

QImage Picture()
{
    QImage image(400, 300, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    return image;
}

} // namespace

class TestImageEditor : public QObject {
    Q_OBJECT

private slots:
    void init() { SetDecimalSeparator('.'); }

    void geometry_data()
    {
        QTest::addColumn<QPoint>("start");
        QTest::addColumn<QPoint>("end");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("area");
        QTest::addColumn<QString>("mmPerPixel");
        QTest::addColumn<QString>("areaMM2");
        QTest::newRow("300 x 200") << QPoint(50, 40) << QPoint(350, 240) << 300 << 60000 << "0.003000" << "0.5400";
        QTest::newRow("dragged up and left") << QPoint(350, 240) << QPoint(50, 40) << 300 << 60000 << "0.003000"
                                             << "0.5400";
        QTest::newRow("no width") << QPoint(50, 40) << QPoint(50, 240) << 0 << 0 << "0.000000" << "0.0000";
        QTest::newRow("a line: width, no area") << QPoint(10, 40) << QPoint(460, 40) << 450 << 0 << "0.002000"
                                                << "0.0000";
        QTest::newRow("one pixel") << QPoint(10, 10) << QPoint(11, 11) << 1 << 1 << "0.900000" << "0.8100";
    }

    void geometry()
    {
        QFETCH(QPoint, start);
        QFETCH(QPoint, end);
        QFETCH(int, width);
        QFETCH(int, area);
        QFETCH(QString, mmPerPixel);
        QFETCH(QString, areaMM2);
        QImage image = Picture();
        TBImage32Editor editor(image, TBImage32Editor::ShapeRectangle);
        editor.MouseDown(start);
        editor.MouseMove((start + end) / 2);
        editor.MouseMove(end);
        editor.MouseUp();
        QCOMPARE(editor.Width(), width);
        QCOMPARE(editor.Area(), area);
        const double mm = editor.MillimetresPerPixel();
        QCOMPARE(QString::fromStdString(FormatFloat("0.000000", mm)), mmPerPixel);
        QCOMPARE(QString::fromStdString(FormatFloat("0.0000", editor.Area() * mm * mm)), areaMM2);
    }

    void moveWithoutDragIgnored()
    {
        QImage image = Picture();
        const QImage before = image.copy();
        TBImage32Editor editor(image, 0);
        editor.MouseMove(QPoint(30, 30));
        QCOMPARE(editor.Width(), 0);
        QCOMPARE(image, before);
        editor.MouseDown(QPoint(10, 10));
        editor.MouseUp();
        editor.MouseMove(QPoint(90, 90));
        QCOMPARE(editor.EndPoint(), QPoint(10, 10));
    }

    // Not-XOR: the band drawn on a move is erased on the next; only the last
    // one shows, and it is the inverted outline.
    void bandDrawnAndErased_data()
    {
        QTest::addColumn<int>("shape");
        QTest::newRow("rectangle") << 0;
        QTest::newRow("ellipse") << 1;
    }

    void bandDrawnAndErased()
    {
        QFETCH(int, shape);
        QImage image = Picture();
        const QImage backup = image.copy();
        int repaints = 0;
        TBImage32Editor editor(image, shape);
        editor.SetRepaint([&repaints] { ++repaints; });
        editor.MouseDown(QPoint(20, 30));
        QCOMPARE(repaints, 1);
        editor.MouseMove(QPoint(120, 100));
        editor.MouseMove(QPoint(220, 200));
        QCOMPARE(repaints, 3);
        editor.MouseUp();

        // Drawing a fresh band of the same size on the backup gives the same picture.
        QImage expected = backup.copy();
        TBImage32Editor reference(expected, shape);
        reference.MouseDown(QPoint(20, 30));
        reference.MouseMove(QPoint(220, 200));
        QCOMPARE(image, expected);
        QVERIFY(image != backup);
        if (shape == 0) {
            const QRgb original = backup.pixel(20, 30);
            QCOMPARE(image.pixel(20, 30), qRgb(255 - qRed(original), 255 - qGreen(original), 255 - qBlue(original)));
            QCOMPARE(image.pixel(219, 199), qRgb(255 - qRed(backup.pixel(219, 199)), 255 - qGreen(backup.pixel(219, 199)),
                                                 255 - qBlue(backup.pixel(219, 199))));
            QCOMPARE(image.pixel(120, 100), backup.pixel(120, 100)); // inside: untouched
        }

        // A new press restores the backup before starting again.
        editor.MouseDown(QPoint(5, 5));
        QCOMPARE(image, backup);
        QCOMPARE(editor.Width(), 0);
    }

    void bandOutsideImageClipped()
    {
        QImage image = Picture();
        TBImage32Editor editor(image, 0);
        editor.MouseDown(QPoint(350, 250));
        editor.MouseMove(QPoint(900, 700));
        editor.MouseMove(QPoint(-50, -40));
        QCOMPARE(editor.Width(), 400);
        QCOMPARE(editor.Area(), 400 * 290);
    }
};

QTEST_APPLESS_MAIN(TestImageEditor)
#include "tst_imageeditor.moc"
