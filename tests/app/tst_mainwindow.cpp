// The main window at work: the fuzzy-set records following their spin
// boxes, the L <= R rule of the error's sets (typed edits included), the
// mouse wheel over the panel, the slots, the menu actions
// with their tones, the label mnemonics and the about box.

#include "dlgabout.h"
#include "fontsubstitutes.h"
#include "mainwindow.h"
#include "membershipchart.h"
#include "numeric.h"
#include "spinboxsettings.h"
#include "tonesink.h"
#include "xplot.h"

#include <qwt_plot_curve.h>

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QScreen>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QMetaMethod>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <memory>
#include <utility>

namespace {

class ToneRecorder : public ToneSink
{
public:
    void playTone(int frequencyHz, int durationMs) override
    {
        tones.append({frequencyHz, durationMs});
    }
    QList<std::pair<int, int>> tones;
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startRecords_data();
    void startRecords();
    void coupling_data();
    void coupling();
    void typedEdits_data();
    void typedEdits();
    void wheel_data();
    void wheel();
    void floatingPanelFits();
    void slotOrder();
    void tones_data();
    void tones();
    void mnemonics_data();
    void mnemonics();
    void aboutIsModal();
    void exitCloses();

private:
    QDoubleSpinBox *box(const char *name) const
    {
        return window->findChild<QDoubleSpinBox *>(name);
    }
    void activate();
    void checkRecordsFollowBoxes();

    std::unique_ptr<MainWindow> window;
};

void TestMainWindow::init()
{
    window = std::make_unique<MainWindow>();
}

void TestMainWindow::cleanup()
{
    window.reset();
}

void TestMainWindow::activate()
{
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}

// Every record bound must be its box's value rounded to float, exactly:
// the controller and the charts work from that very float.
void TestMainWindow::checkRecordsFollowBoxes()
{
    const auto sets = window->fuzzySets();
    const auto &table = spinBoxSettings();
    for (int i = 0; i < 6; ++i) {
        const double l = box(table[2 * i].name)->value();
        const double r = box(table[2 * i + 1].name)->value();
        QVERIFY2(sets[i].left == toFloat(l), table[2 * i].name);
        QVERIFY2(sets[i].right == toFloat(r), table[2 * i + 1].name);
    }
}

void TestMainWindow::startRecords_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("right");

    QTest::newRow("fsErrNeg") << 0 << int(Negative) << -1.5 << -0.1;
    QTest::newRow("fsErrZero") << 1 << int(Zero) << -0.1 << 0.1;
    QTest::newRow("fsErrPos") << 2 << int(Positive) << 0.1 << 1.5;
    QTest::newRow("fsDErrNeg") << 3 << int(Negative) << -1.5 << -0.05;
    QTest::newRow("fsDErrZero") << 4 << int(Zero) << -1.0 << 1.0;
    QTest::newRow("fsDErrPos") << 5 << int(Positive) << 0.05 << 1.5;
}

void TestMainWindow::startRecords()
{
    QFETCH(int, index);
    QFETCH(int, kind);
    QFETCH(double, left);
    QFETCH(double, right);

    const FuzzySet set = window->fuzzySets()[index];
    QCOMPARE(int(set.kind), kind);
    // Stored as the float nearest to the decimal start value (0.1 becomes
    // 0.100000001490116), so exact against the float, 1e-7 against the decimal.
    QVERIFY(set.left == static_cast<float>(left));
    QVERIFY(set.right == static_cast<float>(right));
    QVERIFY(std::abs(set.left - left) < 1e-7);
    QVERIFY(std::abs(set.right - right) < 1e-7);
}

void TestMainWindow::coupling_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("set");
    QTest::addColumn<double>("shown");

    // The error's sets: the box just changed goes back onto its partner.
    QTest::newRow("err Neg L raised past R") << "sbErrKNeg_L" << 0.5 << -0.1;
    QTest::newRow("err Neg R lowered past L") << "sbErrKNeg_R" << -2.0 << -1.5;
    QTest::newRow("err Zero L raised past R") << "sbErrKZero_L" << 0.3 << 0.1;
    QTest::newRow("err Zero R lowered past L") << "sbErrKZero_R" << -0.2 << -0.1;
    QTest::newRow("err Pos L raised past R") << "sbErrKPos_L" << 2.0 << 1.5;
    QTest::newRow("err Pos R lowered past L") << "sbErrKPos_R" << -1.0 << 0.1;
    QTest::newRow("err Neg L beyond the range") << "sbErrKNeg_L" << 25.0 << -0.1;
    QTest::newRow("err Pos R to the bottom") << "sbErrKPos_R" << -10.0 << 0.1;
    // Equality is allowed, and moves within the order are taken as they are.
    QTest::newRow("err Neg L equal to R") << "sbErrKNeg_L" << -0.1 << -0.1;
    QTest::newRow("err Pos R equal to L") << "sbErrKPos_R" << 0.1 << 0.1;
    QTest::newRow("err Zero L lowered") << "sbErrKZero_L" << -3.0 << -3.0;
    QTest::newRow("err Zero R raised") << "sbErrKZero_R" << 4.2 << 4.2;
    // No rule between different sets.
    QTest::newRow("err Neg R above Zero L") << "sbErrKNeg_R" << 0.5 << 0.5;
    QTest::newRow("err Pos L below Zero R") << "sbErrKPos_L" << -0.5 << -0.5;
    // The derivative's sets are not ordered at all.
    QTest::newRow("dErr Neg L above R") << "sbDErrKNeg_L" << 1.0 << 1.0;
    QTest::newRow("dErr Neg R below L") << "sbDErrKNeg_R" << -5.0 << -5.0;
    QTest::newRow("dErr Zero L above R") << "sbDErrKZero_L" << 2.0 << 2.0;
    QTest::newRow("dErr Zero R below L") << "sbDErrKZero_R" << -2.0 << -2.0;
    QTest::newRow("dErr Pos L above R") << "sbDErrKPos_L" << 3.0 << 3.0;
    QTest::newRow("dErr Pos R below L") << "sbDErrKPos_R" << -1.0 << -1.0;
    // Run parameters are read by the run only; they never touch the sets.
    QTest::newRow("sbOutputAmp") << "sbOutputAmp" << 7.25 << 7.25;
    QTest::newRow("sbKp") << "sbKp" << 999.5 << 999.5;
    QTest::newRow("sbKi") << "sbKi" << 0.001 << 0.001;
    QTest::newRow("sbKd") << "sbKd" << 100.0 << 100.0;
    QTest::newRow("sbModelTime") << "sbModelTime" << 0.05 << 0.1;
    QTest::newRow("sbSetPoint") << "sbSetPoint" << 12.3 << 12.3;
}

void TestMainWindow::coupling()
{
    QFETCH(QString, name);
    QFETCH(double, set);
    QFETCH(double, shown);

    auto *changed = box(qPrintable(name));
    QVERIFY(changed);
    changed->setValue(set);
    QVERIFY(std::abs(changed->value() - shown) < 1e-9);

    for (const SpinBoxSettings &s : spinBoxSettings()) {
        if (name == QLatin1String(s.name))
            continue;
        QVERIFY2(std::abs(box(s.name)->value() - s.value) < 1e-9, s.name);
    }
    checkRecordsFollowBoxes();

    const auto sets = window->fuzzySets();
    const FuzzySetKind kinds[] = {Negative, Zero, Positive, Negative, Zero, Positive};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(sets[i].kind, kinds[i]);
}

// How a typed edit ends in the table below.
enum class Finish { Enter, FocusOut, Tab, RunKey };
Q_DECLARE_METATYPE(Finish)

void TestMainWindow::typedEdits_data()
{
    QTest::addColumn<int>("index"); // in spinBoxSettings(): the twelve bounds first
    QTest::addColumn<QString>("text");
    QTest::addColumn<Finish>("finish");
    QTest::addColumn<double>("result");

    // The error's sets: legal values survive the intermediate texts ("-0"
    // passes R = -0.1, "0" passes L = 0.1); illegal ones go back onto the
    // partner once the edit is finished, however it is finished.
    QTest::newRow("err Neg L -0.2, Enter") << 0 << "-0.2" << Finish::Enter << -0.2;
    QTest::newRow("err Neg L 0.5, Enter") << 0 << "0.5" << Finish::Enter << -0.1;
    QTest::newRow("err Pos R 0.3, Enter") << 5 << "0.3" << Finish::Enter << 0.3;
    QTest::newRow("err Pos R -1, Enter") << 5 << "-1" << Finish::Enter << 0.1;
    QTest::newRow("err Zero L 0.05, focus out") << 2 << "0.05" << Finish::FocusOut << 0.05;
    QTest::newRow("err Zero R -0.3, focus out") << 3 << "-0.3" << Finish::FocusOut << -0.1;
    QTest::newRow("err Zero L 0.5, Tab") << 2 << "0.5" << Finish::Tab << 0.1;
    QTest::newRow("err Neg R -2, F5") << 1 << "-2" << Finish::RunKey << -1.5;
    QTest::newRow("err Pos L 0.20, F5") << 4 << "0.20" << Finish::RunKey << 0.2;
    // The derivative's sets take any order.
    QTest::newRow("dErr Neg L 0.5, Enter") << 6 << "0.5" << Finish::Enter << 0.5;
    QTest::newRow("dErr Pos R -1, focus out") << 11 << "-1" << Finish::FocusOut << -1.0;
}

// Real keys into the focused box, as a user types: the records and the
// membership chart follow every value the box accepts, the L <= R rule
// waits for the end of the edit.
void TestMainWindow::typedEdits()
{
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(Finish, finish);
    QFETCH(double, result);

    activate();
    QDoubleSpinBox *edited = box(spinBoxSettings()[index].name);
    edited->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(edited, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edited, text);

    const double typed = text.toDouble();
    QCOMPARE(edited->value(), typed);
    const FuzzySet set = window->fuzzySets()[index / 2];
    QCOMPARE(index % 2 ? set.right : set.left, toFloat(typed));
    const char *chart = index < 6 ? "plotFuncErr" : "plotFuncDiffErr";
    const int position = (index % 6) / 2;
    const char *titles[] = {"Large Negative", "Near Zero", "Large Positive"};
    QwtPlotCurve *curve = nullptr;
    for (QwtPlotItem *item : window->findChild<XPlot *>(chart)->itemList(QwtPlotItem::Rtti_PlotCurve))
        if (item->title().text() == titles[position])
            curve = static_cast<QwtPlotCurve *>(item);
    QVERIFY(curve);
    // The chart follows the typed value at once, drawn as the controller
    // takes the set.
    const CurveData drawn = MembershipChart::curve(position, set);
    QCOMPARE(int(curve->dataSize()), int(drawn.x.size()));
    for (int i = 0; i < int(drawn.x.size()); ++i)
        QCOMPARE(curve->sample(i), QPointF(drawn.x[std::size_t(i)], drawn.y[std::size_t(i)]));

    QSignalSpy runs(window->findChild<QPushButton *>("btnRunStep"), &QPushButton::pressed);
    switch (finish) {
    case Finish::Enter:
        QTest::keyClick(edited, Qt::Key_Return);
        break;
    case Finish::FocusOut:
        box("sbKp")->setFocus(Qt::TabFocusReason);
        break;
    case Finish::Tab:
        QTest::keyClick(edited, Qt::Key_Tab);
        QVERIFY(!edited->hasFocus());
        break;
    case Finish::RunKey:
        QTest::keyClick(window.get(), Qt::Key_F5);
        QCOMPARE(runs.count(), 1);
        QVERIFY(edited->hasFocus());
        break;
    }
    QVERIFY(std::abs(edited->value() - result) < 1e-9);
    checkRecordsFollowBoxes();
    for (int i = 0; i < 3; ++i)
        QVERIFY(window->fuzzySets()[i].left <= window->fuzzySets()[i].right);
}

void TestMainWindow::wheel_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("focus");

    enum { Elsewhere, FromThisWheel, OnTheBox };
    for (const SpinBoxSettings &s : spinBoxSettings()) {
        QTest::addRow("%s, focus elsewhere", s.name) << QString(s.name) << int(Elsewhere);
        QTest::addRow("%s, focus from the wheel", s.name) << QString(s.name) << int(FromThisWheel);
        QTest::addRow("%s, focus on the box", s.name) << QString(s.name) << int(OnTheBox);
    }
}

// A wheel turn over a box without the focus scrolls the panel and leaves
// the value alone; the box with the focus takes it. Qt gives a box the focus
// as the wheel arrives (its wheel focus policy): that focus does not count,
// and goes back.
void TestMainWindow::wheel()
{
    QFETCH(QString, name);
    QFETCH(int, focus);

    activate();
    QDoubleSpinBox *target = box(qPrintable(name));
    auto *panel = window->findChild<QScrollArea *>("scrollAreaConfigure");
    QScrollBar *bar = panel->verticalScrollBar();
    QVERIFY2(bar->maximum() > 0, "the panel does not scroll at this size");
    panel->ensureWidgetVisible(target);
    bar->setValue(bar->value() > bar->maximum() / 2 ? bar->value() - 1 : bar->value() + 1);
    const int scrolled = bar->value();

    QWidget *tabs = window->findChild<QWidget *>("tabScheme");
    tabs->setFocus(Qt::TabFocusReason);
    QWidget *focusedBefore = QApplication::focusWidget();
    QVERIFY(focusedBefore);
    if (focus == 1)
        target->setFocus(Qt::MouseFocusReason);
    else if (focus == 2)
        QTest::mouseClick(target->findChild<QLineEdit *>(), Qt::LeftButton);
    QCOMPARE(target->hasFocus(), focus != 0);

    const double before = target->value();
    const int delta = scrolled > bar->maximum() / 2 ? 120 : -120;
    const QPoint pos(target->width() / 2, target->height() / 2);
    QWheelEvent turn(QPointF(pos), QPointF(target->mapToGlobal(pos)), QPoint(), QPoint(0, delta),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &turn);

    if (focus == 2) {
        QVERIFY(target->value() != before);
        QCOMPARE(bar->value(), scrolled);
    } else {
        QCOMPARE(target->value(), before);
        QVERIFY(bar->value() != scrolled);
        QCOMPARE(QApplication::focusWidget(), focusedBefore);
    }
}


// Floated, the panel stands within the screen (offscreen: 800 x 600) and
// shows its content whole; docked again, it is as before. The window is
// first made tall, so that the docked panel is far higher than the screen.
void TestMainWindow::floatingPanelFits()
{
    // The program's fonts: the form's Tahoma stands in for the default font.
    installFontSubstitutes();
    window = std::make_unique<MainWindow>();
    window->showNormal();
    window->resize(1920, 1080);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto *dock = window->findChild<QDockWidget *>("dockWidgetConfig");
    auto *area = window->findChild<QScrollArea *>("scrollAreaConfigure");
    const QRect docked = dock->geometry();
    QVERIFY(docked.height() > 600);
    // Docked, the content fits (in the program's fonts); floated, it keeps
    // as much room.
    const int viewportWidth = area->viewport()->width();
    const QSize contentHint = area->widget()->minimumSizeHint();

    const QRect screen = dock->screen()->availableGeometry();
    for (const QPoint &to : {QPoint(0, 0), QPoint(600, 500), QPoint(-300, -200)}) {
        dock->setFloating(true);
        dock->move(to);
        QTRY_VERIFY2(screen.contains(dock->frameGeometry()),
                     qPrintable(QString("frame %1,%2 %3x%4")
                                    .arg(dock->frameGeometry().x())
                                    .arg(dock->frameGeometry().y())
                                    .arg(dock->frameGeometry().width())
                                    .arg(dock->frameGeometry().height())));
        QTRY_VERIFY(area->verticalScrollBar()->isVisible());
        QCOMPARE(area->widget()->minimumSizeHint(), contentHint);
        QTRY_COMPARE(area->viewport()->width() + area->verticalScrollBar()->width(),
                     viewportWidth);
    }

    dock->setFloating(false);
    QTRY_COMPARE(dock->geometry(), docked);
    QCOMPARE(dock->minimumWidth(), 400);
    QCOMPARE(dock->maximumWidth(), 400);
}

void TestMainWindow::slotOrder()
{
    const QStringList expected = {
        "memberFuncChanged()",           "onStartModellingStep()",
        "onStartModellingChirp()",       "onAbout()",
        "onHelpContext()",               "onSave()",
        "onLoad()",                      "onSbErrNegLChanged(double)",
        "onSbErrNegRChanged(double)",    "onSbErrZeroLChanged(double)",
        "onSbErrZeroRChanged(double)",   "onSbErrPosLChanged(double)",
        "onSbErrPosRChanged(double)",    "onSbDErrNegLChanged(double)",
        "onSbDErrNegRChanged(double)",   "onSbDErrZeroLChanged(double)",
        "onSbDErrZeroRChanged(double)",  "onSbDErrPosLChanged(double)",
        "onSbDErrPosRChanged(double)",
    };

    const QMetaObject *mo = window->metaObject();
    QCOMPARE(QString(mo->className()), QString("MainWindow"));
    QCOMPARE(mo->superClass(), &QMainWindow::staticMetaObject);
    QCOMPARE(mo->methodCount() - mo->methodOffset(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QMetaMethod m = mo->method(mo->methodOffset() + i);
        QCOMPARE(QString(m.methodSignature()), expected[i]);
        QCOMPARE(m.methodType(), QMetaMethod::Slot);
        QCOMPARE(m.access(), QMetaMethod::Private);
    }
    for (int i = 7; i < expected.size(); ++i)
        QCOMPARE(mo->method(mo->methodOffset() + i).parameterNames().value(0), QByteArray("newVal"));
}

void TestMainWindow::tones_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("frequency");

    QTest::newRow("help, F1") << "actionHelp" << int(Qt::Key_F1) << 200;
    QTest::newRow("save, F2") << "actionSave" << int(Qt::Key_F2) << 500;
    QTest::newRow("load, F3") << "actionLoad" << int(Qt::Key_F3) << 1000;
}

void TestMainWindow::tones()
{
    QFETCH(QString, action);
    QFETCH(int, key);
    QFETCH(int, frequency);

    ToneRecorder recorder;
    window->setToneSink(&recorder);
    activate();

    QTest::keyClick(window.get(), Qt::Key(key));
    QCOMPARE(recorder.tones, (QList<std::pair<int, int>>{{frequency, 100}}));

    window->findChild<QAction *>(action)->trigger();
    QCOMPARE(recorder.tones.size(), 2);
    QCOMPARE(recorder.tones.last(), std::make_pair(frequency, 100));

    // Nothing else happens: no dialog, no change of any box or record.
    QVERIFY(!QApplication::activeModalWidget());
    for (QWidget *top : QApplication::topLevelWidgets())
        QVERIFY2(!top->isVisible() || top == window.get(), top->metaObject()->className());
    for (const SpinBoxSettings &s : spinBoxSettings())
        QVERIFY2(std::abs(box(s.name)->value() - s.value) < 1e-9, s.name);
    checkRecordsFollowBoxes();
}

void TestMainWindow::mnemonics_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("focus");

    const QList<std::pair<int, const char *>> rows = {
        {Qt::Key_1, "sbErrKNeg_L"},   {Qt::Key_2, "sbErrKNeg_R"},
        {Qt::Key_3, "sbErrKZero_L"},  {Qt::Key_4, "sbErrKZero_R"},
        {Qt::Key_5, "sbErrKPos_L"},   {Qt::Key_6, "sbErrKPos_R"},
        {Qt::Key_7, "sbDErrKNeg_L"},  {Qt::Key_8, "sbDErrKNeg_R"},
        {Qt::Key_9, "sbDErrKZero_L"}, {Qt::Key_0, "sbDErrKZero_R"},
        {Qt::Key_Minus, "sbDErrKPos_L"}, {Qt::Key_Equal, "sbDErrKPos_R"},
        {Qt::Key_A, "sbOutputAmp"},   {Qt::Key_P, "sbKp"},
        {Qt::Key_I, "sbKi"},          {Qt::Key_D, "sbKd"},
        {Qt::Key_T, "sbModelTime"},   {Qt::Key_S, "sbSetPoint"},
    };
    for (const auto &r : rows)
        QTest::newRow(qPrintable("Alt+" + QKeySequence(r.first).toString())) << r.first << r.second;
}

void TestMainWindow::mnemonics()
{
    QFETCH(int, key);
    QFETCH(QString, focus);

    activate();
    window->findChild<QWidget *>("tabScheme")->setFocus();
    QVERIFY(QApplication::focusWidget() != box(qPrintable(focus)));

    QTest::keyClick(window.get(), Qt::Key(key), Qt::AltModifier);
    QVERIFY(QApplication::focusWidget());
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
}

void TestMainWindow::aboutIsModal()
{
    activate();
    QPointer<DlgAbout> seen;
    bool modal = false;
    QWidget *parent = nullptr;
    QTimer::singleShot(0, this, [&] {
        QWidget *top = QApplication::activeModalWidget();
        seen = qobject_cast<DlgAbout *>(top);
        if (seen) {
            modal = seen->isModal();
            parent = seen->parentWidget();
        }
        if (top)
            top->close();
    });

    QTest::keyClick(window.get(), Qt::Key_F1, Qt::ShiftModifier);

    QVERIFY(modal);
    QCOMPARE(parent, static_cast<QWidget *>(window.get()));
    // The dialog lives only while it is shown.
    QVERIFY(seen.isNull());
    QVERIFY(window->findChildren<DlgAbout *>().isEmpty());
}

void TestMainWindow::exitCloses()
{
    QVERIFY(window->isVisible());
    window->findChild<QAction *>("actionExit")->trigger();
    QVERIFY(!window->isVisible());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
