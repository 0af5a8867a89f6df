// The window under a monkey: tens of thousands of seeded random user actions
// (spin-box edits, typing, keys, the wheel, the run keys and buttons, menu
// entries, legend check boxes, tab switches, the about box) on the real
// MainWindow, with what must always hold checked after every single action.
//
// KESTRUNE_MONKEY_SEED picks the seed (decimal or 0x...) and
// KESTRUNE_MONKEY_ACTIONS the number of actions; a failure names both, the
// index of the failing action and the actions that led to it, so it can be
// replayed.
//
// The window is shown, as the run keys need an active window, but events are
// processed only by the idle action and the about box's modal loop: it
// paints now and then rather than after each of the actions.

#include "dlgabout.h"
#include "fuzzycontroller.h"
#include "mainwindow.h"
#include "modalcloser.h"
#include "numeric.h"
#include "stepparameters.h"
#include "steprun.h"
#include "tonesink.h"
#include "xplot.h"

#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_div.h>

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QWheelEvent>
#include <QtTest>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <deque>
#include <limits>
#include <memory>
#include <random>
#include <tuple>
#include <utility>

namespace {

// 30000 actions take about 6 s in a RelWithDebInfo build and 20 s under
// AddressSanitizer, so the sanitizer suite runs the same count.
constexpr qulonglong kDefaultSeed = 0x6b657374ULL;
constexpr int kDefaultActions = 30000;
constexpr std::size_t kLogLength = 25;

// The twelve fuzzy-set bounds in record order (L, R of each set), then the
// six run parameters.
const char *const kBoxNames[18] = {
    "sbErrKNeg_L",  "sbErrKNeg_R",  "sbErrKZero_L",  "sbErrKZero_R",  "sbErrKPos_L",
    "sbErrKPos_R",  "sbDErrKNeg_L", "sbDErrKNeg_R",  "sbDErrKZero_L", "sbDErrKZero_R",
    "sbDErrKPos_L", "sbDErrKPos_R", "sbOutputAmp",   "sbKp",          "sbKi",
    "sbKd",         "sbModelTime",  "sbSetPoint",
};
constexpr int kSetPoint = 17;
constexpr int kModelTime = 16;
constexpr int kOutputAmp = 12;
constexpr int kKp = 13;
constexpr int kKi = 14;
constexpr int kKd = 15;

const char *const kResultTitles[3] = { "Closed loop", "PID loop", "Fuzzy Control" };
const char *const kMembershipTitles[3] = { "Large Negative", "Near Zero", "Large Positive" };
const FuzzySetKind kKinds[6] = { Negative, Zero, Positive, Negative, Zero, Positive };

class ToneRecorder : public ToneSink
{
public:
    void playTone(int frequencyHz, int durationMs) override
    {
        tones.append({ frequencyHz, durationMs });
    }
    QList<std::pair<int, int>> tones;
};

// Equal as the same computation gives them: bit for bit, NaN included.
bool sameValue(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

QString number(double v)
{
    return QString::number(v, 'g', 17);
}

// A value rounded to the decimals its box shows.
double shown(const QDoubleSpinBox *box, double v)
{
    return QString::number(v, 'f', box->decimals()).toDouble();
}

QwtPlotCurve *curveByTitle(const XPlot *plot, const char *title)
{
    for (QwtPlotItem *item : plot->itemList(QwtPlotItem::Rtti_PlotCurve))
        if (item->title().text() == QLatin1String(title))
            return static_cast<QwtPlotCurve *>(item);
    return nullptr;
}

QwtLegendLabel *legendLabel(const XPlot *plot, const QwtPlotItem *item)
{
    auto *legend = qobject_cast<const QwtLegend *>(plot->legend());
    return legend ? qobject_cast<QwtLegendLabel *>(legend->legendWidget(
                        plot->itemToInfo(const_cast<QwtPlotItem *>(item))))
                  : nullptr;
}

// Compares a curve's samples with the x and y it must show. An empty series
// is shown as the single point (0, 0).
QString compareSamples(const QwtPlotCurve *curve, const std::vector<double> &x,
                       const std::vector<double> &y)
{
    std::vector<double> ex = x;
    std::vector<double> ey = y;
    if (ex.empty() && ey.empty()) {
        ex.push_back(0.0);
        ey.push_back(0.0);
    }
    if (curve->dataSize() != ex.size())
        return QString("%1 shows %2 points, expected %3")
            .arg(curve->title().text())
            .arg(curve->dataSize())
            .arg(ex.size());
    for (std::size_t i = 0; i < ex.size(); ++i) {
        const QPointF p = curve->sample(static_cast<int>(i));
        if (!sameValue(p.x(), ex[i]) || !sameValue(p.y(), ey[i]))
            return QString("%1 point %2 is (%3, %4), expected (%5, %6)")
                .arg(curve->title().text())
                .arg(i)
                .arg(number(p.x()), number(p.y()), number(ex[i]), number(ey[i]));
    }
    return QString();
}

// Drives one window with one seed. Every action returns a description of
// what went wrong, or an empty string.
class Monkey
{
public:
    explicit Monkey(qulonglong seed) : rng(seed) {}

    QString start();
    QString act();
    QString check() const;
    QString recentActions() const;
    int runCount() const { return expectedRuns; }
    QString summary() const;

private:
    enum Action {
        SetValue,
        TypeText,
        StepKey,
        Wheel,
        MoveFocus,
        KeyF5,
        KeyF6,
        PressRunStep,
        PressRunChirp,
        MenuStartStep,
        MenuStartChirp,
        MenuTone,
        KeyTone,
        LegendClick,
        SwitchTab,
        About,
        Idle,
        ActionCount
    };

    quint64 pick(quint64 n) { return rng() % n; }
    double unit() { return double(rng() >> 11) * 0x1p-53; }
    Action pickAction();
    void log(const QString &what);

    double randomValue(int index);
    QString randomText(int index);

    QString setValue();
    QString typeText();
    QString stepKey();
    QString wheel();
    QString moveFocus();
    QString runKey(bool step);
    QString pressRunButton(bool step);
    QString menuRun(bool step);
    QString menuTone();
    QString keyTone();
    QString legendClick();
    QString switchTab();
    QString about();
    QString idle();

    QString ensureActive();
    template<typename Act>
    void endsEditOf(int index, Act act);
    void expectRun();

    QString checkRecords() const;
    QString checkMembership() const;
    QString checkResults() const;
    QString checkAxes() const;
    QString checkShell() const;

    XPlot *plot(const char *name) const { return window->findChild<XPlot *>(name); }

    std::mt19937_64 rng;
    std::unique_ptr<MainWindow> window;
    ToneRecorder tones;
    std::array<QDoubleSpinBox *, 18> boxes{};
    XPlot *plotResults = nullptr;
    XPlot *plotFuncErr = nullptr;
    XPlot *plotFuncDiffErr = nullptr;
    QTabWidget *tabs = nullptr;
    QPushButton *btnRunStep = nullptr;
    QPushButton *btnRunChirp = nullptr;

    std::deque<QString> recent;

    // What the window must show: the last run's curves, scales and
    // visibility, the tab, the tones and the number of runs started.
    StepRun::Result expected;
    std::array<double, 4> resultsScales{};
    bool peakFitsFloat = true;
    std::array<bool, 3> curveVisible{ { true, true, true } };
    std::array<std::array<double, 4>, 2> funcScales{};
    int expectedTab = 0;
    QList<std::pair<int, int>> expectedTones;
    int expectedRuns = 0;
    int startedRuns = 0;
    int emptyRuns = 0;
    int divergedRuns = 0;
    int runsOnResultsTab = 0;
    int ignoredShortcuts = 0;
    int aboutBoxes = 0;

    // A button's shortcut clicks it by animation: pressed() now, the
    // release by a timer later. While that timer runs, the shortcut only
    // restarts it and emits nothing, so a second "F5" starts no run.
    bool stepAnimating = false;
    bool chirpAnimating = false;
    bool inMouseAction = false;
    // The box typed into without Enter since the last action that ends an
    // edit while the focus stays (a run, stepping or setting that box).
    int unfinishedEdit = -1;
};

QString Monkey::start()
{
    window = std::make_unique<MainWindow>();
    window->setToneSink(&tones);
    for (int i = 0; i < 18; ++i) {
        boxes[static_cast<std::size_t>(i)] = window->findChild<QDoubleSpinBox *>(kBoxNames[i]);
        if (!boxes[static_cast<std::size_t>(i)])
            return QString("no spin box %1").arg(kBoxNames[i]);
    }
    plotResults = plot("plotResults");
    plotFuncErr = plot("plotFuncErr");
    plotFuncDiffErr = plot("plotFuncDiffErr");
    tabs = window->findChild<QTabWidget *>("tabScheme");
    btnRunStep = window->findChild<QPushButton *>("btnRunStep");
    btnRunChirp = window->findChild<QPushButton *>("btnRunChirp");
    if (!plotResults || !plotFuncErr || !plotFuncDiffErr || !tabs || !btnRunStep || !btnRunChirp)
        return "the window lacks a chart, the tabs or a run button";

    QObject::connect(btnRunStep, &QPushButton::pressed, [this] { ++startedRuns; });
    QObject::connect(window->findChild<QAction *>("actionStartStep"), &QAction::triggered,
                     [this] { ++startedRuns; });
    QObject::connect(btnRunStep, &QPushButton::clicked, [this] {
        if (!inMouseAction)
            stepAnimating = false;
    });
    QObject::connect(btnRunChirp, &QPushButton::clicked, [this] {
        if (!inMouseAction)
            chirpAnimating = false;
    });

    // Before the first run the results chart keeps its set-up scales and
    // shows every curve as (0, 0).
    const auto scales = [](const XPlot *p) {
        return std::array<double, 4>{ { p->axisScaleDiv(QwtPlot::xBottom).lowerBound(),
                                        p->axisScaleDiv(QwtPlot::xBottom).upperBound(),
                                        p->axisScaleDiv(QwtPlot::yLeft).lowerBound(),
                                        p->axisScaleDiv(QwtPlot::yLeft).upperBound() } };
    };
    resultsScales = scales(plotResults);
    funcScales = { { scales(plotFuncErr), scales(plotFuncDiffErr) } };
    expectedTab = tabs->currentIndex();

    const QString problem = ensureActive();
    if (!problem.isEmpty())
        return problem;
    return check();
}

Monkey::Action Monkey::pickAction()
{
    // Weights per mille. Edits dominate as they do at the real panel; the
    // about box and idle turns paint and are kept rare to keep the run short.
    static const std::array<std::pair<Action, int>, ActionCount> weights{ {
        { SetValue, 210 },
        { TypeText, 170 },
        { StepKey, 150 },
        { Wheel, 100 },
        { MoveFocus, 40 },
        { KeyF5, 50 },
        { KeyF6, 15 },
        { PressRunStep, 40 },
        { PressRunChirp, 10 },
        { MenuStartStep, 40 },
        { MenuStartChirp, 10 },
        { MenuTone, 20 },
        { KeyTone, 20 },
        { LegendClick, 60 },
        { SwitchTab, 50 },
        { About, 3 },
        { Idle, 12 },
    } };
    int total = 0;
    for (const auto &w : weights)
        total += w.second;
    int r = static_cast<int>(pick(static_cast<quint64>(total)));
    for (const auto &w : weights) {
        if (r < w.second)
            return w.first;
        r -= w.second;
    }
    return SetValue;
}

void Monkey::log(const QString &what)
{
    recent.push_back(what);
    if (recent.size() > kLogLength)
        recent.pop_front();
}

QString Monkey::recentActions() const
{
    QStringList lines;
    for (const QString &s : recent)
        lines << "    " + s;
    return lines.join('\n');
}

QString Monkey::act()
{
    switch (pickAction()) {
    case SetValue:
        return setValue();
    case TypeText:
        return typeText();
    case StepKey:
        return stepKey();
    case Wheel:
        return wheel();
    case MoveFocus:
        return moveFocus();
    case KeyF5:
        return runKey(true);
    case KeyF6:
        return runKey(false);
    case PressRunStep:
        return pressRunButton(true);
    case PressRunChirp:
        return pressRunButton(false);
    case MenuStartStep:
        return menuRun(true);
    case MenuStartChirp:
        return menuRun(false);
    case MenuTone:
        return menuTone();
    case KeyTone:
        return keyTone();
    case LegendClick:
        return legendClick();
    case SwitchTab:
        return switchTab();
    case About:
        return about();
    case Idle:
    case ActionCount:
        break;
    }
    return idle();
}

double Monkey::randomValue(int index)
{
    const QDoubleSpinBox *box = boxes[static_cast<std::size_t>(index)];
    const double lo = box->minimum();
    const double hi = box->maximum();
    const double step = box->singleStep();
    const double sign = pick(2) ? 1.0 : -1.0;
    switch (pick(8)) {
    case 0: // a value as the box shows it
        return QString::number(lo + unit() * (hi - lo), 'f', box->decimals()).toDouble();
    case 1: // a bound
        return pick(2) ? lo : hi;
    case 2: { // just inside or outside a bound
        static const double offsets[] = { 1e-12, 0.004, 0.005, 0.006, 0.01, 0.05 };
        return (pick(2) ? lo : hi) + sign * (pick(2) ? step : offsets[pick(6)]);
    }
    case 3: { // far out of range
        static const double far[] = { 1e6, 1e300, DBL_MAX, std::numeric_limits<double>::infinity(),
                                      11.0, 101.0, 1001.0 };
        return sign * far[pick(7)];
    }
    case 4: // more digits than the box keeps
        return lo + unit() * (hi - lo);
    case 5: { // at or next to the other bound of the same set
        const QDoubleSpinBox *partner = index < 12
            ? boxes[static_cast<std::size_t>(index ^ 1)]
            : boxes[static_cast<std::size_t>(pick(12))];
        static const double offsets[] = { 0.0, 0.0, 0.01, 0.004, 0.005, 1e-9, 0.1 };
        return partner->value() + sign * offsets[pick(7)];
    }
    case 6: { // around zero, where rounding to two decimals bites
        static const double small[] = { 0.0, 0.005, 0.0049999999, 0.0050000001, 0.015, 1e-300,
                                        0.045, 0.055 };
        return sign * small[pick(8)];
    }
    default: // a few steps from where it stands
        return box->value() + sign * step * static_cast<double>(1 + pick(12));
    }
}

QString Monkey::randomText(int index)
{
    if (pick(2)) {
        // Something shaped like a number, often out of range or with too
        // many decimals.
        const QDoubleSpinBox *box = boxes[static_cast<std::size_t>(index)];
        const double span = (box->maximum() - box->minimum()) * (pick(4) ? 1.0 : 20.0);
        const double v = box->minimum() + unit() * span - (pick(4) ? 0.0 : span);
        QString s = QString::number(v, 'f', static_cast<int>(pick(5)));
        if (!pick(6))
            s.replace('.', ',');
        return s;
    }
    static const char alphabet[] = "0123456789-.-.+,e x5";
    QString s;
    const int n = 1 + static_cast<int>(pick(8));
    for (int i = 0; i < n; ++i)
        s += QLatin1Char(alphabet[pick(sizeof(alphabet) - 1)]);
    return s;
}

QString Monkey::setValue()
{
    const int index = static_cast<int>(pick(18));
    const double v = randomValue(index);
    log(QString("setValue %1 %2").arg(kBoxNames[index], number(v)));
    endsEditOf(index, [&] { boxes[static_cast<std::size_t>(index)]->setValue(v); });
    return QString();
}

// Typing as a user types: into the box that has the focus (a click into it
// first), so that the box, not only its line edit, sees the keys.
QString Monkey::typeText()
{
    const QString problem = ensureActive();
    if (!problem.isEmpty())
        return problem;
    const int index = static_cast<int>(pick(18));
    QDoubleSpinBox *box = boxes[static_cast<std::size_t>(index)];
    if (!box->hasFocus())
        box->setFocus(Qt::MouseFocusReason);

    QString how;
    switch (pick(6)) {
    case 0:
    case 1:
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        how = "select all";
        break;
    case 2:
        QTest::keyClick(box, Qt::Key_End);
        how = "end";
        break;
    case 3:
        QTest::keyClick(box, Qt::Key_Home);
        how = "home";
        break;
    case 4: {
        const int n = 1 + static_cast<int>(pick(4));
        for (int i = 0; i < n; ++i)
            QTest::keyClick(box, Qt::Key_Backspace);
        how = QString("%1 backspace").arg(n);
        break;
    }
    default:
        how = "at the cursor";
        break;
    }
    const QString text = randomText(index);
    const bool enter = pick(3) == 0;
    log(QString("type into %1 (%2) \"%3\"%4")
            .arg(kBoxNames[index], how, text, enter ? " + Enter" : ""));
    QTest::keyClicks(box, text);
    if (enter)
        QTest::keyClick(box, Qt::Key_Return);
    unfinishedEdit = enter ? -1 : index;
    return QString();
}

QString Monkey::stepKey()
{
    static const std::pair<Qt::Key, const char *> keys[] = {
        { Qt::Key_Up, "Up" },
        { Qt::Key_Down, "Down" },
        { Qt::Key_PageUp, "PageUp" },
        { Qt::Key_PageDown, "PageDown" },
    };
    const int index = static_cast<int>(pick(18));
    const auto &key = keys[pick(4)];
    QDoubleSpinBox *box = boxes[static_cast<std::size_t>(index)];
    // Keys reach the box through its line edit, which has the focus, or
    // straight.
    QWidget *target = box;
    if (pick(2))
        if (auto *edit = box->findChild<QLineEdit *>())
            target = edit;
    log(QString("key %1 on %2%3")
            .arg(key.second, kBoxNames[index], target == box ? "" : " (line edit)"));
    endsEditOf(index, [&] { QTest::keyClick(target, key.first); });
    return QString();
}

QString Monkey::wheel()
{
    static const int deltas[] = { 120, -120, 240, -240, 60, -60, 360, -480 };
    const int index = static_cast<int>(pick(18));
    const int delta = deltas[pick(8)];
    const bool ctrl = pick(4) == 0;
    QDoubleSpinBox *box = boxes[static_cast<std::size_t>(index)];
    log(QString("wheel %1%2 on %3").arg(delta).arg(ctrl ? " with Ctrl" : "").arg(kBoxNames[index]));
    const QPoint pos(box->width() / 2, box->height() / 2);
    QWheelEvent event(QPointF(pos), QPointF(box->mapToGlobal(pos)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      ctrl ? Qt::ControlModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
    endsEditOf(index, [&] { QApplication::sendEvent(box, &event); });
    return QString();
}

QString Monkey::moveFocus()
{
    const QString problem = ensureActive();
    if (!problem.isEmpty())
        return problem;
    if (pick(5) == 0) {
        log("focus to the tabs");
        tabs->setFocus(Qt::TabFocusReason);
    } else {
        const int index = static_cast<int>(pick(18));
        log(QString("focus to %1").arg(kBoxNames[index]));
        boxes[static_cast<std::size_t>(index)]->setFocus(Qt::TabFocusReason);
    }
    return QString();
}

QString Monkey::ensureActive()
{
    if (QApplication::activeWindow() == window.get())
        return QString();
    QApplication::setActiveWindow(window.get());
    if (!QTest::qWaitForWindowActive(window.get()))
        return "the window does not become active";
    return QString();
}

// A new value from setValue, a step or the wheel ends a typed edit of the
// box, as the L <= R rule applies to it at once.
template<typename Act>
void Monkey::endsEditOf(int index, Act act)
{
    const double before = boxes[static_cast<std::size_t>(index)]->value();
    act();
    if (index == unfinishedEdit && boxes[static_cast<std::size_t>(index)]->value() != before)
        unfinishedEdit = -1;
}

void Monkey::expectRun()
{
    // A step run first ends the edit in progress.
    unfinishedEdit = -1;
    StepParameters p;
    p.setPoint = boxes[kSetPoint]->value();
    p.modellingTime = boxes[kModelTime]->value();
    p.kp = boxes[kKp]->value();
    p.ki = boxes[kKi]->value();
    p.kd = boxes[kKd]->value();
    p.amplification = boxes[kOutputAmp]->value();
    for (std::size_t i = 0; i < 3; ++i) {
        p.errSets[i] = { kKinds[i], toFloat(boxes[2 * i]->value()),
                         toFloat(boxes[2 * i + 1]->value()) };
        p.dErrSets[i] = { kKinds[i + 3], toFloat(boxes[2 * i + 6]->value()),
                          toFloat(boxes[2 * i + 7]->value()) };
    }
    expected = StepRun::run(p);
    if (expected.loops[0].t.empty())
        ++emptyRuns;
    for (const StepRun::Response &loop : expected.loops)
        if (std::any_of(loop.y.begin(), loop.y.end(), [](double v) { return !std::isfinite(v); })) {
            ++divergedRuns;
            break;
        }
    if (tabs->currentIndex() == 1)
        ++runsOnResultsTab;
    const float top = toFloat(expected.peak);
    peakFitsFloat = std::isfinite(top);
    resultsScales = { { 0.0, double(toFloat(p.modellingTime)), 0.0, double(top) } };
    curveVisible = { { true, true, true } };
    ++expectedRuns;
}

QString Monkey::runKey(bool step)
{
    const QString problem = ensureActive();
    if (!problem.isEmpty())
        return problem;
    bool &animating = step ? stepAnimating : chirpAnimating;
    const bool starts = !animating;
    log(QString("key %1%2").arg(step ? "F5" : "F6", starts ? "" : " (button still animating)"));
    QTest::keyClick(window.get(), step ? Qt::Key_F5 : Qt::Key_F6);
    animating = true;
    if (step && starts)
        expectRun();
    if (!starts)
        ++ignoredShortcuts;
    return QString();
}

QString Monkey::pressRunButton(bool step)
{
    QPushButton *button = step ? btnRunStep : btnRunChirp;
    log(QString("press and release %1").arg(button->objectName()));
    inMouseAction = true;
    QTest::mousePress(button, Qt::LeftButton);
    // The run starts as the button goes down.
    if (step)
        expectRun();
    const QString problem = check();
    QTest::mouseRelease(button, Qt::LeftButton);
    inMouseAction = false;
    return problem;
}

QString Monkey::menuRun(bool step)
{
    const char *name = step ? "actionStartStep" : "actionStartChirp";
    log(QString("trigger %1").arg(name));
    window->findChild<QAction *>(name)->trigger();
    if (step)
        expectRun();
    return QString();
}

QString Monkey::menuTone()
{
    static const std::pair<const char *, int> actions[] = {
        { "actionSave", 500 },
        { "actionLoad", 1000 },
        { "actionHelp", 200 },
    };
    const auto &a = actions[pick(3)];
    log(QString("trigger %1").arg(a.first));
    window->findChild<QAction *>(a.first)->trigger();
    expectedTones.append({ a.second, 100 });
    return QString();
}

QString Monkey::keyTone()
{
    static const std::tuple<Qt::Key, const char *, int> keys[] = {
        { Qt::Key_F2, "F2", 500 },
        { Qt::Key_F3, "F3", 1000 },
        { Qt::Key_F1, "F1", 200 },
    };
    const QString problem = ensureActive();
    if (!problem.isEmpty())
        return problem;
    const auto &k = keys[pick(3)];
    log(QString("key %1").arg(std::get<1>(k)));
    QTest::keyClick(window.get(), std::get<0>(k));
    expectedTones.append({ std::get<2>(k), 100 });
    return QString();
}

QString Monkey::legendClick()
{
    const int index = static_cast<int>(pick(3));
    QwtPlotCurve *curve = curveByTitle(plotResults, kResultTitles[index]);
    QwtLegendLabel *label = curve ? legendLabel(plotResults, curve) : nullptr;
    if (!label)
        return QString("no legend entry for %1").arg(kResultTitles[index]);
    log(QString("click legend %1").arg(kResultTitles[index]));
    QTest::mouseClick(label, Qt::LeftButton);
    curveVisible[static_cast<std::size_t>(index)] = !curveVisible[static_cast<std::size_t>(index)];
    return QString();
}

QString Monkey::switchTab()
{
    const int count = tabs->count();
    switch (pick(3)) {
    case 0: {
        const int to = static_cast<int>(pick(static_cast<quint64>(count)));
        log(QString("setCurrentIndex %1").arg(to));
        tabs->setCurrentIndex(to);
        expectedTab = to;
        break;
    }
    case 1: {
        auto *bar = tabs->findChild<QTabBar *>();
        if (!bar)
            return "the tab widget has no tab bar";
        const int to = static_cast<int>(pick(static_cast<quint64>(count)));
        log(QString("click tab %1").arg(to));
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(to).center());
        expectedTab = to;
        break;
    }
    default: {
        const bool back = pick(2);
        log(back ? "Ctrl+Shift+Tab on the tabs" : "Ctrl+Tab on the tabs");
        if (back)
            QTest::keyClick(tabs, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        else
            QTest::keyClick(tabs, Qt::Key_Tab, Qt::ControlModifier);
        expectedTab = (expectedTab + (back ? count - 1 : 1)) % count;
        break;
    }
    }
    return QString();
}

QString Monkey::about()
{
    const bool byKey = pick(2);
    if (byKey) {
        const QString problem = ensureActive();
        if (!problem.isEmpty())
            return problem;
    }
    log(byKey ? "key Shift+F1" : "trigger actionAbout");
    QList<ModalCloser::Seen> seen;
    {
        ModalCloser closer;
        if (byKey)
            QTest::keyClick(window.get(), Qt::Key_F1, Qt::ShiftModifier);
        else
            window->findChild<QAction *>("actionAbout")->trigger();
        seen = closer.seen;
    }
    if (seen.size() != 1)
        return QString("%1 modal widgets came up for the about box, expected one").arg(seen.size());
    if (seen[0].className != "DlgAbout" || !seen[0].modal || seen[0].parent != window.get())
        return QString("the about box came up as %1 (modal %2) not parented to the window")
            .arg(seen[0].className)
            .arg(seen[0].modal);
    if (!window->findChildren<DlgAbout *>().isEmpty())
        return "the about box outlives its exec()";
    ++aboutBoxes;
    return QString();
}

QString Monkey::idle()
{
    log("idle: process events (layouts, paints, timers)");
    QCoreApplication::processEvents();
    return QString();
}

QString Monkey::summary() const
{
    return QString("%1 runs (%2 on the results tab, %3 of no step, %4 diverging), "
                   "%5 run keys on a still animating button, %6 about boxes")
        .arg(expectedRuns)
        .arg(runsOnResultsTab)
        .arg(emptyRuns)
        .arg(divergedRuns)
        .arg(ignoredShortcuts)
        .arg(aboutBoxes);
}

QString Monkey::check() const
{
    for (const auto part : { &Monkey::checkRecords, &Monkey::checkMembership,
                             &Monkey::checkResults, &Monkey::checkAxes, &Monkey::checkShell }) {
        const QString problem = (this->*part)();
        if (!problem.isEmpty())
            return problem;
    }
    return QString();
}

// The six records are the twelve boxes rounded to float, the kinds never
// change, and every set of the error keeps L <= R in its boxes and record,
// but while the user is still typing into one of its boxes: a typed bound
// meets the rule when the edit ends (Enter, the focus leaving, a run).
// One drift is let through: a box adds its steps unrounded
// (QAbstractSpinBox::stepBy) while setValue rounds to the decimals shown, so
// a box put back onto a stepped partner can stay a hair beyond it (0 against
// -5.6e-17 after steps through zero). The two boxes then show the same
// number; anything more is a fault.
QString Monkey::checkRecords() const
{
    const auto typing = [this](std::size_t b) {
        return unfinishedEdit == static_cast<int>(b) && boxes[b]->hasFocus();
    };
    const auto sets = window->fuzzySets();
    for (std::size_t i = 0; i < 6; ++i) {
        const double l = boxes[2 * i]->value();
        const double r = boxes[2 * i + 1]->value();
        if (sets[i].kind != kKinds[i])
            return QString("record %1 has kind %2").arg(i).arg(int(sets[i].kind));
        if (sets[i].left != toFloat(l) || sets[i].right != toFloat(r))
            return QString("record %1 holds (%2, %3) while its boxes %4, %5 show (%6, %7)")
                .arg(i)
                .arg(number(double(sets[i].left)), number(double(sets[i].right)),
                     kBoxNames[2 * i], kBoxNames[2 * i + 1], number(l), number(r));
        if (i >= 3)
            continue;
        if (typing(2 * i) || typing(2 * i + 1))
            continue;
        if (!(shown(boxes[2 * i], l) <= shown(boxes[2 * i + 1], r)))
            return QString("%1 = %2 lies above %3 = %4")
                .arg(kBoxNames[2 * i], number(l), kBoxNames[2 * i + 1], number(r));
        const bool drift = shown(boxes[2 * i], l) == shown(boxes[2 * i + 1], r)
            && double(sets[i].left) - double(sets[i].right) <= 1e-12;
        if (!(sets[i].left <= sets[i].right) && !drift)
            return QString("record %1 has L %2 above R %3")
                .arg(i)
                .arg(number(double(sets[i].left)), number(double(sets[i].right)));
    }
    return QString();
}

// Both membership charts draw, for the records they belong to, the degree
// that the controller computes: a polyline that never runs backwards, from
// -10 to 10, through FuzzyController::membership wherever it is not a
// vertical edge, whatever the order of the bounds.
QString Monkey::checkMembership() const
{
    const auto sets = window->fuzzySets();
    const XPlot *charts[2] = { plotFuncErr, plotFuncDiffErr };
    for (std::size_t c = 0; c < 2; ++c) {
        for (std::size_t pos = 0; pos < 3; ++pos) {
            const FuzzySet &s = sets[3 * c + pos];
            const QwtPlotCurve *curve = curveByTitle(charts[c], kMembershipTitles[pos]);
            if (!curve)
                return QString("%1 lacks the curve %2")
                    .arg(charts[c]->objectName(), kMembershipTitles[pos]);
            const QString where = QString("%1: %2 (%3, %4): ")
                    .arg(charts[c]->objectName(), kMembershipTitles[pos])
                    .arg(double(s.left), 0, 'g', 17)
                    .arg(double(s.right), 0, 'g', 17);
            const int n = static_cast<int>(curve->dataSize());
            if (n < 2 || curve->sample(0).x() != -10.0 || curve->sample(n - 1).x() != 10.0)
                return where + "does not run from -10 to 10";
            for (int i = 0; i + 1 < n; ++i)
                if (curve->sample(i + 1).x() < curve->sample(i).x())
                    return where + QString("runs backwards after point %1").arg(i);
            int segment = 0;
            for (int k = -159; k <= 159; ++k) {
                const float x = float(k) / 16.0f;
                while (segment + 1 < n && curve->sample(segment + 1).x() <= x)
                    ++segment;
                const QPointF a = curve->sample(segment);
                const QPointF b = curve->sample(std::min(segment + 1, n - 1));
                if (x == a.x() || !(a.x() < x && x < b.x()))
                    continue; // on a point or a vertical edge
                const double drawn = a.y() + (b.y() - a.y()) * (x - a.x()) / (b.x() - a.x());
                const double degree = FuzzyController::membership(s, x);
                if (std::abs(drawn - degree) > 1e-9)
                    return where + QString("at %1 drawn %2, the controller's degree %3")
                            .arg(double(x)).arg(drawn).arg(degree);
            }
        }
    }
    return QString();
}

// The results chart shows the last run as the core computes it, with every
// curve shown or hidden as its legend check box says.
QString Monkey::checkResults() const
{
    for (std::size_t i = 0; i < 3; ++i) {
        const QwtPlotCurve *curve = curveByTitle(plotResults, kResultTitles[i]);
        if (!curve)
            return QString("plotResults lacks the curve %1").arg(kResultTitles[i]);
        const StepRun::Response &loop = expected.loops[i];
        const QString problem = compareSamples(curve, loop.t, loop.y);
        if (!problem.isEmpty())
            return "plotResults: " + problem;
        if (curve->isVisible() != curveVisible[i])
            return QString("%1 is %2").arg(kResultTitles[i], curve->isVisible() ? "shown" : "hidden");
        const QwtLegendLabel *label = legendLabel(plotResults, curve);
        if (!label || label->isChecked() != curveVisible[i])
            return QString("the legend entry of %1 is %2")
                .arg(kResultTitles[i], !label ? "missing" : label->isChecked() ? "checked" : "unchecked");
    }
    if (startedRuns != expectedRuns)
        return QString("%1 runs started, expected %2").arg(startedRuns).arg(expectedRuns);
    return QString();
}

// Every axis of every chart has finite bounds; the results chart keeps the
// scales of its last run (x from 0 to the modelling time, y from 0 to the
// peak), the membership charts their fixed ones.
QString Monkey::checkAxes() const
{
    const XPlot *charts[3] = { plotResults, plotFuncErr, plotFuncDiffErr };
    for (const XPlot *p : charts)
        for (int axis = 0; axis < QwtPlot::axisCnt; ++axis) {
            const QwtScaleDiv &div = p->axisScaleDiv(axis);
            if (!std::isfinite(div.lowerBound()) || !std::isfinite(div.upperBound()))
                return QString("%1 axis %2 runs from %3 to %4")
                    .arg(p->objectName())
                    .arg(axis)
                    .arg(number(div.lowerBound()), number(div.upperBound()));
        }

    const auto scalesOf = [](const XPlot *p) {
        return std::array<double, 4>{ { p->axisScaleDiv(QwtPlot::xBottom).lowerBound(),
                                        p->axisScaleDiv(QwtPlot::xBottom).upperBound(),
                                        p->axisScaleDiv(QwtPlot::yLeft).lowerBound(),
                                        p->axisScaleDiv(QwtPlot::yLeft).upperBound() } };
    };
    const auto describe = [](const std::array<double, 4> &s) {
        return QString("x %1..%2, y %3..%4")
            .arg(number(s[0]), number(s[1]), number(s[2]), number(s[3]));
    };
    const std::array<double, 4> results = scalesOf(plotResults);
    bool same = results[0] == resultsScales[0] && results[1] == resultsScales[1]
        && results[2] == resultsScales[2];
    // A diverged run whose peak is beyond float still gets a finite top.
    if (peakFitsFloat)
        same = same && results[3] == resultsScales[3];
    else
        same = same && results[3] > 0.0 && results[3] <= double(FLT_MAX);
    if (!same)
        return QString("plotResults is scaled %1, expected %2")
            .arg(describe(results), describe(resultsScales));
    for (std::size_t c = 0; c < 2; ++c) {
        const std::array<double, 4> s = scalesOf(charts[c + 1]);
        if (s != funcScales[c])
            return QString("%1 is scaled %2, expected %3")
                .arg(charts[c + 1]->objectName(), describe(s), describe(funcScales[c]));
    }
    return QString();
}

// The tab the user chose is current, the tones are those asked for, and no
// modal widget is left over.
QString Monkey::checkShell() const
{
    if (tabs->currentIndex() != expectedTab)
        return QString("tab %1 is current, expected %2").arg(tabs->currentIndex()).arg(expectedTab);
    if (tones.tones != expectedTones) {
        const auto last = [](const QList<std::pair<int, int>> &list) {
            return list.isEmpty() ? QString("none")
                                  : QString("%1 Hz for %2 ms")
                                        .arg(list.last().first)
                                        .arg(list.last().second);
        };
        return QString("%1 tones sounded, the last %2; expected %3, the last %4")
            .arg(tones.tones.size())
            .arg(last(tones.tones))
            .arg(expectedTones.size())
            .arg(last(expectedTones));
    }
    if (QApplication::activeModalWidget())
        return "a modal widget is left open";
    if (!window->isVisible())
        return "the window is no longer visible";
    return QString();
}

qulonglong environmentNumber(const char *name, qulonglong fallback, bool *ok)
{
    *ok = true;
    if (!qEnvironmentVariableIsSet(name))
        return fallback;
    return qEnvironmentVariable(name).trimmed().toULongLong(ok, 0);
}

} // namespace

class TestMonkey : public QObject
{
    Q_OBJECT

private slots:
    void randomUserActions_data();
    void randomUserActions();
};

void TestMonkey::randomUserActions_data()
{
    QTest::addColumn<qulonglong>("seed");
    QTest::addColumn<int>("actions");

    bool seedOk = false;
    bool actionsOk = false;
    const qulonglong seed = environmentNumber("KESTRUNE_MONKEY_SEED", kDefaultSeed, &seedOk);
    const qulonglong actions =
        environmentNumber("KESTRUNE_MONKEY_ACTIONS", kDefaultActions, &actionsOk);
    if (!seedOk || !actionsOk || actions == 0 || actions > 100000000)
        QFAIL("KESTRUNE_MONKEY_SEED and KESTRUNE_MONKEY_ACTIONS take positive whole numbers");
    QTest::newRow(qPrintable(QString("seed %1").arg(seed))) << seed << int(actions);
}

void TestMonkey::randomUserActions()
{
    QFETCH(qulonglong, seed);
    QFETCH(int, actions);

    Monkey monkey(seed);
    const QString setUp = monkey.start();
    if (!setUp.isEmpty())
        QFAIL(qPrintable(QString("seed %1, before the first action: %2").arg(seed).arg(setUp)));

    for (int i = 0; i < actions; ++i) {
        QString problem = monkey.act();
        if (problem.isEmpty())
            problem = monkey.check();
        if (!problem.isEmpty())
            QFAIL(qPrintable(QString("seed %1, action %2 of %3: %4\n"
                                     "  replay with KESTRUNE_MONKEY_SEED=%1 "
                                     "KESTRUNE_MONKEY_ACTIONS=%5\n"
                                     "  the last actions, the failing one last:\n%6")
                                 .arg(seed)
                                 .arg(i)
                                 .arg(actions)
                                 .arg(problem)
                                 .arg(i + 1)
                                 .arg(monkey.recentActions())));
    }
    qInfo("%s", qPrintable(monkey.summary()));
    // A monkey that never ran the loops would check only the empty chart.
    QVERIFY2(monkey.runCount() > actions / 100, qPrintable(monkey.summary()));
}

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"
