// The main window at work: the fuzzy-set records following their spin
// boxes, the L <= R rule of the error's sets, the slots, the menu actions
// with their tones, the label mnemonics and the about box.

#include "dlgabout.h"
#include "mainwindow.h"
#include "numeric.h"
#include "spinboxsettings.h"
#include "tonesink.h"

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
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
    void typingIntoLBox();
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

// Keyboard tracking is on: every value the box accepts while the user types
// is a change, corrections included.
void TestMainWindow::typingIntoLBox()
{
    activate();
    auto *l = box("sbErrKZero_L");
    l->setFocus();
    l->selectAll();
    QTest::keyClicks(l, "0.05");
    QVERIFY(std::abs(l->value() - 0.05) < 1e-9);
    checkRecordsFollowBoxes();

    l->selectAll();
    QTest::keyClicks(l, "0.5");
    QVERIFY(std::abs(l->value() - 0.1) < 1e-9);
    QVERIFY(std::abs(box("sbErrKZero_R")->value() - 0.1) < 1e-9);
    const FuzzySet zero = window->fuzzySets()[1];
    QVERIFY(zero.left == zero.right);
    checkRecordsFollowBoxes();
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
