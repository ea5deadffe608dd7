// Produces the screenshot gallery: one row per registered window.
#include "Gallery.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QTest>
#include <QWidget>

using namespace cornix::gallery;

class TestGallery : public QObject {
    Q_OBJECT
private slots:
    void shot_data();
    void shot();
};

void TestGallery::shot_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(shots().size()); ++i)
        QTest::newRow(qPrintable(shots()[size_t(i)].name)) << i;
    if (shots().empty())
        QSKIP("no window registered");
}

void TestGallery::shot()
{
    QFETCH(int, index);
    const Shot &shot = shots()[size_t(index)];
    QPointer<QWidget> widget = shot.make();
    if (!widget)
        return; // the shot saved its own pictures
    if (widget->isWindow())
        widget->resize(kWidth, kHeight);
    widget->show();
    QTest::qWait(300); // layouts, timers and camera frames settle
    QVERIFY2(save(widget, shot.name), qPrintable(shot.name));
    QVERIFY(QFileInfo(screenshotDir() + u'/' + shot.name + QStringLiteral(".png")).size() > 0);
    delete widget.data();
}

QTEST_MAIN(TestGallery)
#include "tst_gallery.moc"
