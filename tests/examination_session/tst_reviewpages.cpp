// The review page's decisions without the window: moving through the frames in the
// strip of three views, the "Ir para" field, the sensitivity of a threshold, the
// frame information texts, and the region drawn with the mouse (free and predefined,
// the rubber band, the view-to-frame mapping, the pachymetry span).
#include "UBReviewPages.h"

#include "Numbers.h"
#include "UBFrameBuffer.h"

#include <QTest>

using namespace cornix;
using namespace cornix::exam;

Q_DECLARE_METATYPE(TNavCommand)
Q_DECLARE_METATYPE(TSensitivity)
Q_DECLARE_METATYPE(TRect)
Q_DECLARE_METATYPE(std::optional<int>)

namespace {

struct Views {
    int prev, cur, next;
    friend bool operator==(const Views &, const Views &) = default;
};

Views viewsOf(const TReviewState &s) { return {s.PrevIndex, s.CurIndex, s.NextIndex}; }

TReviewState stateAt(Views v)
{
    TReviewState s;
    s.PrevIndex = std::int16_t(v.prev);
    s.CurIndex = std::int16_t(v.cur);
    s.NextIndex = std::int16_t(v.next);
    return s;
}

QByteArray text(Views v) { return QByteArray::number(v.prev) + "," + QByteArray::number(v.cur) + "," + QByteArray::number(v.next); }

QRect rect(int l, int t, int r, int b) { return QRect(QPoint(l, t), QPoint(r, b)); }

} // namespace

Q_DECLARE_METATYPE(Views)

namespace QTest {
template <> char *toString(const Views &v) { return qstrdup(text(v).constData()); }
template <> char *toString(const TRect &r)
{
    return qstrdup(QByteArray("(" + QByteArray::number(r.Left) + "," + QByteArray::number(r.Top) + ","
                              + QByteArray::number(r.Right) + "," + QByteArray::number(r.Bottom) + ")")
                       .constData());
}
} // namespace QTest

class TestReviewPages : public QObject {
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void navigate_data();
    void navigate();
    void sideViewsClearTheSelection();
    void goToFrameBeyondMaxFrames();
    void goToNumber_data();
    void goToNumber();
    void sensitivity_data();
    void sensitivity();
    void sensitivityTexts();
    void frameInfo();
    void viewToFrame_data();
    void viewToFrame();
    void frameToView();
    void predefinedBox_data();
    void predefinedBox();
    void freeDrag();
    void freeDragClampedToTheView();
    void moveWithoutPressDrawsNothing();
    void predefinedBoxFollowsTheMouse();
    void predefinedReleaseIgnoresTheDrag();
    void rightDragMeasuresThePachymetry();
    void pressErasesNothingOfAReshownPicture();
};

void TestReviewPages::commands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<TNavCommand>("expected");
    QTest::newRow("FIRST") << QStringLiteral("FIRST") << TNavCommand::First;
    QTest::newRow("LAST") << QStringLiteral("LAST") << TNavCommand::Last;
    QTest::newRow("NEXT") << QStringLiteral("NEXT") << TNavCommand::Next;
    QTest::newRow("PREVIOUS") << QStringLiteral("PREVIOUS") << TNavCommand::Previous;
    QTest::newRow("GOTO") << QStringLiteral("GOTO") << TNavCommand::GoTo;
    QTest::newRow("lower case is another command") << QStringLiteral("first") << TNavCommand::GoTo;
}

void TestReviewPages::commands()
{
    QFETCH(QString, command);
    QFETCH(TNavCommand, expected);
    QCOMPARE(NavCommandOf(command), expected);
}

void TestReviewPages::navigate_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<Views>("start");
    QTest::addColumn<TNavCommand>("command");
    QTest::addColumn<int>("n");
    QTest::addColumn<Views>("expected");
    QTest::addColumn<bool>("attempted");

    const Views one{-1, 0, -1};
    QTest::newRow("one frame: NEXT moves nothing") << 1 << one << TNavCommand::Next << 0 << one << true;
    QTest::newRow("one frame: PREVIOUS is not tried") << 1 << one << TNavCommand::Previous << 0 << one << false;
    QTest::newRow("one frame: FIRST") << 1 << one << TNavCommand::First << 0 << one << true;
    QTest::newRow("one frame: LAST") << 1 << one << TNavCommand::Last << 0 << one << true;
    QTest::newRow("one frame: GOTO 1") << 1 << one << TNavCommand::GoTo << 1 << one << true;

    const Views first{-1, 0, 1}, middle{0, 1, 2}, last{1, 2, -1};
    QTest::newRow("NEXT from the first") << 3 << first << TNavCommand::Next << 0 << middle << true;
    QTest::newRow("NEXT to the last") << 3 << middle << TNavCommand::Next << 0 << last << true;
    QTest::newRow("NEXT at the last") << 3 << last << TNavCommand::Next << 0 << last << true;
    QTest::newRow("PREVIOUS from the last") << 3 << last << TNavCommand::Previous << 0 << middle << true;
    QTest::newRow("PREVIOUS to the first") << 3 << middle << TNavCommand::Previous << 0 << first << true;
    QTest::newRow("PREVIOUS at the first") << 3 << first << TNavCommand::Previous << 0 << first << true;
    QTest::newRow("LAST") << 3 << first << TNavCommand::Last << 0 << last << true;
    QTest::newRow("FIRST") << 3 << last << TNavCommand::First << 0 << first << true;
    QTest::newRow("GOTO 2") << 3 << first << TNavCommand::GoTo << 2 << middle << true;
    QTest::newRow("GOTO the count is the last") << 3 << first << TNavCommand::GoTo << 3 << last << true;
    QTest::newRow("GOTO 1 is the first") << 3 << last << TNavCommand::GoTo << 1 << first << true;
    QTest::newRow("GOTO 0 moves nothing") << 3 << middle << TNavCommand::GoTo << 0 << middle << true;
    QTest::newRow("GOTO -1 moves nothing") << 3 << middle << TNavCommand::GoTo << -1 << middle << true;
    QTest::newRow("GOTO above the count") << 3 << middle << TNavCommand::GoTo << 4 << middle << true;
    QTest::newRow("two frames: LAST") << 2 << Views{-1, 0, 1} << TNavCommand::Last << 0 << Views{0, 1, -1} << true;

    const Views none{-1, -1, -1};
    QTest::newRow("no frames: FIRST") << 0 << none << TNavCommand::First << 0 << none << false;
    QTest::newRow("no frames: LAST") << 0 << none << TNavCommand::Last << 0 << none << false;
    QTest::newRow("no frames: NEXT") << 0 << none << TNavCommand::Next << 0 << none << false;
    QTest::newRow("no frames: GOTO") << 0 << none << TNavCommand::GoTo << 0 << none << false;
}

void TestReviewPages::navigate()
{
    QFETCH(int, count);
    QFETCH(Views, start);
    QFETCH(TNavCommand, command);
    QFETCH(int, n);
    QFETCH(Views, expected);
    QFETCH(bool, attempted);
    TReviewState state = stateAt(start);
    TBFrameNavigator navigator(state, count, 30);
    QCOMPARE(navigator.Navigate(command, n), attempted);
    QCOMPARE(viewsOf(state), expected);
}

void TestReviewPages::sideViewsClearTheSelection()
{
    TReviewState state = stateAt({-1, 0, -1});
    state.Selection = {10, 10, 100, 100};
    state.DragPoint = QPoint(5, 5);
    TBFrameNavigator navigator(state, 1, 30);
    QVERIFY(!navigator.ShowNextFrame());
    QCOMPARE(state.Selection, TRect{});
    QCOMPARE(state.DragPoint, QPoint());
    state.Selection = {10, 10, 100, 100};
    QVERIFY(!navigator.ShowPreviousFrame());
    QCOMPARE(state.Selection, TRect{});
    QCOMPARE(viewsOf(state), (Views{-1, 0, -1}));
}

void TestReviewPages::goToFrameBeyondMaxFrames()
{
    TReviewState state = stateAt({-1, 0, 1});
    TBFrameNavigator navigator(state, 5, 3);
    QVERIFY(!navigator.GoToFrameNbr(4));
    QCOMPARE(viewsOf(state), (Views{-1, 0, 1}));
    QVERIFY(navigator.GoToFrameNbr(3));
    QCOMPARE(viewsOf(state), (Views{1, 2, 3}));
}

void TestReviewPages::goToNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<std::optional<int>>("expected");
    QTest::newRow("2 of 3") << QStringLiteral("2") << 3 << std::optional<int>(2);
    QTest::newRow("the count") << QStringLiteral("3") << 3 << std::optional<int>(3);
    QTest::newRow("above the count") << QStringLiteral("4") << 3 << std::optional<int>();
    QTest::newRow("0") << QStringLiteral("0") << 3 << std::optional<int>(0);
    QTest::newRow("negative") << QStringLiteral("-2") << 3 << std::optional<int>(-2);
    QTest::newRow("text") << QStringLiteral("dois") << 3 << std::optional<int>();
    QTest::newRow("empty") << QString() << 3 << std::optional<int>();
    QTest::newRow("decimal") << QStringLiteral("1.5") << 3 << std::optional<int>();
    QTest::newRow("no frames, 0") << QStringLiteral("0") << 0 << std::optional<int>(0);
}

void TestReviewPages::goToNumber()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(std::optional<int>, expected);
    QCOMPARE(GoToNumber(text, count), expected);
}

void TestReviewPages::sensitivity_data()
{
    QTest::addColumn<double>("threshold");
    QTest::addColumn<TSensitivity>("expected");
    QTest::newRow("-2.5 Alta") << -2.5 << TSensitivity::High;
    QTest::newRow("-3.0 Normal") << -3.0 << TSensitivity::Normal;
    QTest::newRow("-3.5 Baixa") << -3.5 << TSensitivity::Low;
    QTest::newRow("-2.4999 Normal") << -2.4999 << TSensitivity::Normal;
    QTest::newRow("-3.5001 Normal") << -3.5001 << TSensitivity::Normal;
    QTest::newRow("0 Normal") << 0.0 << TSensitivity::Normal;
}

void TestReviewPages::sensitivity()
{
    QFETCH(double, threshold);
    QFETCH(TSensitivity, expected);
    QCOMPARE(SensitivityOf(threshold), expected);
    QCOMPARE(SensitivityOf(ThresholdOf(expected)), expected);
}

void TestReviewPages::sensitivityTexts()
{
    QCOMPARE(ThresholdOf(TSensitivity::High), -2.5);
    QCOMPARE(ThresholdOf(TSensitivity::Normal), -3.0);
    QCOMPARE(ThresholdOf(TSensitivity::Low), -3.5);
    QCOMPARE(SensitivityInfo(TSensitivity::High),
             QStringLiteral("Aumenta a sensibilidade da detecção (recomendado para imagens com baixo contraste)."));
    QCOMPARE(SensitivityInfo(TSensitivity::Normal),
             QStringLiteral("Sensibilidade de detecção recomendada para a maioria dos casos!"));
    QCOMPARE(SensitivityInfo(TSensitivity::Low),
             QStringLiteral("Diminui a sensibilidade da detecção (recomendado para imagens com alto contraste)."));
    QCOMPARE(NoFramesMessage(), QStringLiteral("Não foi possível executar o comando. Nenhuma imagem foi capturada!"));
}

void TestReviewPages::frameInfo()
{
    TBFrameBuffer frames({0.002, 1.5});
    QImage frame(640, 480, QImage::Format_RGB888);
    frame.fill(Qt::gray);
    QVERIFY(frames.AddFrame(frame, QStringLiteral("N"), 2, -3.0, {}, {}, 0));
    QVERIFY(frames.AddFrame(frame, QString(), 0, -3.0, {}, {}, 0));
    frames.SetRoi(0, {100, 50, 300, 300});
    frames.SetPachymetry(0, 120, 220, 100);
    const TFrameInfoTexts info = FrameInfo(frames, 0);
    QCOMPARE(info.FrameID, QStringLiteral("1"));
    QCOMPARE(info.Area, QStringLiteral("0.2000"));           // 200 × 250 px × 0.002² mm²
    QCOMPARE(info.Dimension, QStringLiteral("0.4000 x 0.5000"));
    QCOMPARE(info.Paq, QStringLiteral("150"));               // 100 px × 1.5 µm
    QCOMPARE(info.Fixation, QStringLiteral("2h (N)"));
    const TFrameInfoTexts second = FrameInfo(frames, 1);
    QCOMPARE(second.FrameID, QStringLiteral("2"));
    QCOMPARE(second.Area, QStringLiteral("0.0000"));
    QCOMPARE(second.Dimension, QStringLiteral("0.0000 x 0.0000"));
    QCOMPARE(second.Fixation, QStringLiteral("0h"));
}

void TestReviewPages::viewToFrame_data()
{
    QTest::addColumn<TRect>("view");
    QTest::addColumn<TRect>("frame");
    QTest::newRow("the whole view") << TRect{0, 0, 639, 452} << TRect{0, 0, 639, 479};
    QTest::newRow("rows stretched, columns kept") << TRect{100, 226, 200, 300} << TRect{100, 239, 200, 318};
    QTest::newRow("one row stays one row") << TRect{100, 0, 150, 1} << TRect{100, 0, 150, 1};
    QTest::newRow("a reversed drag stays reversed") << TRect{200, 300, 100, 226} << TRect{200, 318, 100, 239};
}

void TestReviewPages::viewToFrame()
{
    QFETCH(TRect, view);
    QFETCH(TRect, frame);
    QCOMPARE(ViewToFrame(view), frame);
}

void TestReviewPages::frameToView()
{
    QCOMPARE(FrameToView({0, 0, 639, 479}), rect(0, 0, 639, 452));
    QCOMPARE(FrameToView({200, 318, 100, 239}), rect(100, 226, 200, 300));
}

void TestReviewPages::predefinedBox_data()
{
    QTest::addColumn<QPoint>("centre");
    QTest::addColumn<TRect>("box");
    QTest::newRow("centre of the view") << QPoint(320, 226) << TRect{270, 106, 370, 346};
    QTest::newRow("near the top left: left and top kept inside") << QPoint(10, 20) << TRect{0, 0, 60, 140};
    QTest::newRow("near the bottom right: right and bottom kept inside") << QPoint(630, 450)
                                                                         << TRect{580, 330, 639, 452};
    QTest::newRow("exactly at the border") << QPoint(50, 120) << TRect{0, 0, 100, 240};
}

void TestReviewPages::predefinedBox()
{
    QFETCH(QPoint, centre);
    QFETCH(TRect, box);
    QCOMPARE(PredefinedBox(centre), box);
}

void TestReviewPages::freeDrag()
{
    TReviewState state;
    TBRegionTool tool(state);
    TBRegionTool::TBandStep step = tool.Press(TMouseButton::Left, QPoint(100, 100), false);
    QVERIFY(!step.erase && !step.draw);
    QVERIFY(state.Dragging);
    step = tool.Move(QPoint(150, 120), false);
    QVERIFY(!step.erase);
    QCOMPARE(step.draw, rect(100, 100, 150, 120));
    step = tool.Move(QPoint(90, 130), false); // back to the left of the start
    QCOMPARE(step.erase, rect(100, 100, 150, 120));
    QCOMPARE(step.draw, rect(90, 100, 100, 130));
    QCOMPARE(state.DragPoint, QPoint(90, 130));
    const TBRegionTool::TRelease release = tool.Release(TMouseButton::Left, QPoint(90, 130), false);
    QVERIFY(!state.Dragging);
    QCOMPARE(release.viewRect, (TRect{100, 100, 90, 130}));
    QCOMPARE(release.frameRect, ViewToFrame({100, 100, 90, 130}));
    QCOMPARE(release.pachymetry, TPachymetry{});
}

void TestReviewPages::freeDragClampedToTheView()
{
    TReviewState state;
    TBRegionTool tool(state);
    tool.Press(TMouseButton::Left, QPoint(600, 400), false);
    const TBRegionTool::TBandStep step = tool.Move(QPoint(900, -40), false);
    QCOMPARE(step.draw, rect(600, 0, 639, 400));
    const TBRegionTool::TRelease release = tool.Release(TMouseButton::Left, QPoint(2000, 2000), false);
    QCOMPARE(release.viewRect, (TRect{600, 400, 639, 452}));
    QCOMPARE(release.frameRect, (TRect{600, 424, 639, 479}));
}

void TestReviewPages::moveWithoutPressDrawsNothing()
{
    TReviewState state;
    TBRegionTool tool(state);
    const TBRegionTool::TBandStep step = tool.Move(QPoint(200, 200), false);
    QVERIFY(!step.erase && !step.draw);
    QCOMPARE(state.Selection, TRect{});
}

void TestReviewPages::predefinedBoxFollowsTheMouse()
{
    TReviewState state;
    TBRegionTool tool(state);
    TBRegionTool::TBandStep step = tool.Move(QPoint(320, 226), true); // no button held
    QVERIFY(!step.erase);
    QCOMPARE(step.draw, rect(270, 106, 370, 346));
    step = tool.Move(QPoint(330, 230), true);
    QCOMPARE(step.erase, rect(270, 106, 370, 346));
    QCOMPARE(step.draw, rect(280, 110, 380, 350));
    QCOMPARE(state.Selection.Left, 280);
    QCOMPARE(state.Selection.Top, 110);
    // A press shows the picture again and the box around the press point at once.
    step = tool.Press(TMouseButton::Left, QPoint(400, 300), true);
    QVERIFY(!step.erase);
    QCOMPARE(step.draw, rect(350, 180, 450, 420));
    QVERIFY(!state.Dragging);
}

void TestReviewPages::predefinedReleaseIgnoresTheDrag()
{
    TReviewState state;
    TBRegionTool tool(state);
    tool.Press(TMouseButton::Left, QPoint(100, 100), true);
    tool.Move(QPoint(200, 200), true);
    const TBRegionTool::TRelease release = tool.Release(TMouseButton::Left, QPoint(30, 60), true);
    QCOMPARE(release.viewRect, (TRect{0, 0, 80, 180}));
    QCOMPARE(release.frameRect, ViewToFrame({0, 0, 80, 180}));
    QVERIFY(TBFrameBuffer::RectValid(release.frameRect));
}

void TestReviewPages::rightDragMeasuresThePachymetry()
{
    TReviewState state;
    state.Selection = {};
    TBRegionTool tool(state);
    TBRegionTool::TBandStep step = tool.Press(TMouseButton::Right, QPoint(300, 200), false);
    QVERIFY(!step.draw);
    QVERIFY(!state.Dragging);
    step = tool.Move(QPoint(250, 210), false);
    QVERIFY(!step.draw); // no band for the span
    const TBRegionTool::TRelease release = tool.Release(TMouseButton::Right, QPoint(120, 210), false);
    QCOMPARE(release.button, TMouseButton::Right);
    QCOMPARE(release.pachymetry, (TPachymetry{300, 120, 180}));
    QCOMPARE(state.PachyLine, (TPachymetry{300, 120, 180}));
}

// After the picture is shown again (an analysis, another frame) the old band is not
// on it: the next step must not draw it "again".
void TestReviewPages::pressErasesNothingOfAReshownPicture()
{
    TReviewState state;
    TBRegionTool tool(state);
    tool.Move(QPoint(320, 226), true);
    tool.Forget();
    const TBRegionTool::TBandStep step = tool.Move(QPoint(330, 226), true);
    QVERIFY(!step.erase);
    QVERIFY(step.draw);
    QCOMPARE(BandBetween(QPoint(5, 5), QPoint(5, 5)), std::optional<QRect>());
}

QTEST_APPLESS_MAIN(TestReviewPages)
#include "tst_reviewpages.moc"
