// The main window's widget tree as the user meets it: names, classes,
// layouts, spin-box settings, texts, tooltips, keys and the dock.

#include "mainwindow.h"
#include "modelparameter.h"
#include "spinboxsettings.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSpacerItem>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTextDocument>
#include <QtTest>

#include <cmath>
#include <memory>

Q_DECLARE_METATYPE(QMargins)

class TestMainWindowForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void tree_data();
    void tree();
    void tabs_data();
    void tabs();
    void layouts_data();
    void layouts();
    void spacers_data();
    void spacers();
    void spinBoxes_data();
    void spinBoxes();
    void boxesAgreeWithParameterModel_data();
    void boxesAgreeWithParameterModel();
    void labels_data();
    void labels();
    void richTexts_data();
    void richTexts();
    void actions_data();
    void actions();
    void menus();
    void runButtons_data();
    void runButtons();
    void dock();
    void scrollArea();
    void windowFrame();
    void schemeLabel();

private:
    template<typename T = QWidget>
    T *child(const QString &name) const
    {
        return window->findChild<T *>(name);
    }

    std::unique_ptr<MainWindow> window;
};

namespace {

// The nearest ancestor with a name of our own, passing over the widgets
// that Qt puts between a container and its pages (viewport, stack).
QString namedParent(const QWidget *w)
{
    for (QWidget *p = w->parentWidget(); p; p = p->parentWidget()) {
        if (!p->objectName().startsWith(QLatin1String("qt_")))
            return p->objectName();
    }
    return {};
}

QString plainText(const QString &html)
{
    QTextDocument doc;
    doc.setHtml(html);
    return doc.toPlainText();
}

QString itemName(QLayoutItem *item)
{
    if (item->spacerItem())
        return QStringLiteral("<spacer>");
    if (item->widget())
        return item->widget()->objectName();
    if (item->layout())
        return item->layout()->objectName();
    return QStringLiteral("<?>");
}

} // namespace

void TestMainWindowForm::initTestCase()
{
    window = std::make_unique<MainWindow>();
}

void TestMainWindowForm::cleanupTestCase()
{
    window.reset();
}

void TestMainWindowForm::tree_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parent");

    const QList<std::array<const char *, 3>> rows = {
        {"centralWidget", "QWidget", "MainWindow"},
        {"tabScheme", "QTabWidget", "centralWidget"},
        {"tabFuncs", "QWidget", "tabScheme"},
        {"plotFuncErr", "XPlot", "tabFuncs"},
        {"plotFuncDiffErr", "XPlot", "tabFuncs"},
        {"tabResults", "QWidget", "tabScheme"},
        {"plotResults", "XPlot", "tabResults"},
        {"tabRules", "QWidget", "tabScheme"},
        {"lblModelScheme", "XQScaledLabel", "tabRules"},
        {"menuBar", "QMenuBar", "MainWindow"},
        {"menu", "QMenu", "menuBar"},
        {"menu_2", "QMenu", "menuBar"},
        {"statusBar", "QStatusBar", "MainWindow"},
        {"dockWidgetConfig", "QDockWidget", "MainWindow"},
        {"dockWidgetContents", "QWidget", "dockWidgetConfig"},
        {"lblModelTip", "QLabel", "dockWidgetContents"},
        {"scrollAreaConfigure", "QScrollArea", "dockWidgetContents"},
        {"scrollAreaWidgetContents", "QWidget", "scrollAreaConfigure"},
        {"lblFuzzyTip", "QLabel", "scrollAreaWidgetContents"},
        {"gbErr", "QGroupBox", "scrollAreaWidgetContents"},
        {"lblKLL", "QLabel", "gbErr"},
        {"lblKLR", "QLabel", "gbErr"},
        {"lblKCL", "QLabel", "gbErr"},
        {"lblKCR", "QLabel", "gbErr"},
        {"lblKRL", "QLabel", "gbErr"},
        {"lblKRR", "QLabel", "gbErr"},
        {"gbDErr", "QGroupBox", "scrollAreaWidgetContents"},
        {"lblDE_KLL", "QLabel", "gbDErr"},
        {"lblDE_KLR", "QLabel", "gbDErr"},
        {"lblDE_KCL", "QLabel", "gbDErr"},
        {"lblDE_KCR", "QLabel", "gbDErr"},
        {"lblDE_KRL", "QLabel", "gbDErr"},
        {"lblDE_KRR", "QLabel", "gbDErr"},
        {"gbOutput", "QGroupBox", "scrollAreaWidgetContents"},
        {"lblOutputAmp", "QLabel", "gbOutput"},
        {"sbOutputAmp", "QDoubleSpinBox", "gbOutput"},
        {"gbPIDConfiguration", "QGroupBox", "scrollAreaWidgetContents"},
        {"lblKP", "QLabel", "gbPIDConfiguration"},
        {"sbKp", "QDoubleSpinBox", "gbPIDConfiguration"},
        {"lblKI", "QLabel", "gbPIDConfiguration"},
        {"sbKi", "QDoubleSpinBox", "gbPIDConfiguration"},
        {"lblKD", "QLabel", "gbPIDConfiguration"},
        {"sbKd", "QDoubleSpinBox", "gbPIDConfiguration"},
        {"lblModelTime", "QLabel", "scrollAreaWidgetContents"},
        {"sbModelTime", "QDoubleSpinBox", "scrollAreaWidgetContents"},
        {"lblSetPoint", "QLabel", "scrollAreaWidgetContents"},
        {"sbSetPoint", "QDoubleSpinBox", "scrollAreaWidgetContents"},
        {"btnRunStep", "QPushButton", "dockWidgetContents"},
        {"btnRunChirp", "QPushButton", "dockWidgetContents"},
    };
    for (const auto &r : rows)
        QTest::newRow(r[0]) << r[0] << r[1] << r[2];

    const QStringList errBoxes = {"sbErrKNeg_L", "sbErrKNeg_R", "sbErrKZero_L",
                                  "sbErrKZero_R", "sbErrKPos_L", "sbErrKPos_R"};
    for (const QString &name : errBoxes)
        QTest::newRow(qPrintable(name)) << name << "QDoubleSpinBox" << "gbErr";
    for (QString name : errBoxes) {
        name.replace("sbErr", "sbDErr");
        QTest::newRow(qPrintable(name)) << name << "QDoubleSpinBox" << "gbDErr";
    }
}

void TestMainWindowForm::tree()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parent);

    const QList<QWidget *> found = window->findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(QString(found[0]->metaObject()->className()), className);
    QCOMPARE(namedParent(found[0]), parent);
}

void TestMainWindowForm::tabs_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("title");

    QTest::newRow("0") << 0 << "tabFuncs" << "Member Functions";
    QTest::newRow("1") << 1 << "tabResults" << "Simulation results";
    QTest::newRow("2") << 2 << "tabRules" << "Model scheme";
}

void TestMainWindowForm::tabs()
{
    QFETCH(int, index);
    QFETCH(QString, page);
    QFETCH(QString, title);

    auto *tabs = child<QTabWidget>("tabScheme");
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->widget(index)->objectName(), page);
    QCOMPARE(tabs->tabText(index), title);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->sizePolicy().horizontalPolicy(), QSizePolicy::Ignored);
    QCOMPARE(tabs->sizePolicy().verticalPolicy(), QSizePolicy::Ignored);
}

void TestMainWindowForm::layouts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<QMargins>("margins");
    QTest::addColumn<QStringList>("items");

    const QMargins box(11, 11, 11, 11);
    const QMargins row(0, 0, 0, 0);
    const QString sp = "<spacer>";

    QTest::newRow("verticalLayout") << "verticalLayout" << true << 6 << box
                                    << QStringList{"tabScheme"};
    QTest::newRow("verticalLayout_2") << "verticalLayout_2" << true << 6 << box
                                      << QStringList{"plotFuncErr", "plotFuncDiffErr"};
    QTest::newRow("verticalLayout_3") << "verticalLayout_3" << true << 6 << box
                                      << QStringList{"plotResults"};
    QTest::newRow("verticalLayout_4") << "verticalLayout_4" << true << 6 << box
                                      << QStringList{"lblModelScheme"};
    // Left and right margins come from the style; checked in the test body.
    QTest::newRow("verticalLayout_5")
        << "verticalLayout_5" << true << 0 << QMargins(-1, 0, -1, 0)
        << QStringList{"lblModelTip", "scrollAreaConfigure", sp, "btnRunStep", "btnRunChirp"};
    QTest::newRow("verticalLayout_9")
        << "verticalLayout_9" << true << 6 << box
        << QStringList{"lblFuzzyTip", "gbErr", "gbDErr", "gbOutput", "gbPIDConfiguration",
                       "layoutModelTime", "layoutModelTime_2", sp};
    QTest::newRow("verticalLayout_6") << "verticalLayout_6" << true << 6 << box
                                      << QStringList{"layoutErrNeg", "layoutErrZero", "layoutErrPos"};
    QTest::newRow("verticalLayout_7") << "verticalLayout_7" << true << 6 << box
                                      << QStringList{"layoutDErrNeg", "layoutDErrZero", "layoutDErrPos"};
    QTest::newRow("verticalLayout_8") << "verticalLayout_8" << true << 6 << box
                                      << QStringList{"layoutOutputAmp"};
    QTest::newRow("verticalLayout_10") << "verticalLayout_10" << true << 6 << box
                                       << QStringList{"layoutPIDKp", "layoutPIDKi", "layoutPIDKd"};
    QTest::newRow("layoutErrNeg") << "layoutErrNeg" << false << 6 << row
                                  << QStringList{"lblKLL", "sbErrKNeg_L", "lblKLR", "sbErrKNeg_R"};
    QTest::newRow("layoutErrZero") << "layoutErrZero" << false << 6 << row
                                   << QStringList{"lblKCL", "sbErrKZero_L", "lblKCR", "sbErrKZero_R"};
    QTest::newRow("layoutErrPos") << "layoutErrPos" << false << 6 << row
                                  << QStringList{"lblKRL", "sbErrKPos_L", "lblKRR", "sbErrKPos_R"};
    QTest::newRow("layoutDErrNeg")
        << "layoutDErrNeg" << false << 6 << row
        << QStringList{"lblDE_KLL", "sbDErrKNeg_L", "lblDE_KLR", "sbDErrKNeg_R"};
    QTest::newRow("layoutDErrZero")
        << "layoutDErrZero" << false << 6 << row
        << QStringList{"lblDE_KCL", "sbDErrKZero_L", "lblDE_KCR", "sbDErrKZero_R"};
    QTest::newRow("layoutDErrPos")
        << "layoutDErrPos" << false << 6 << row
        << QStringList{"lblDE_KRL", "sbDErrKPos_L", "lblDE_KRR", "sbDErrKPos_R"};
    QTest::newRow("layoutOutputAmp") << "layoutOutputAmp" << false << 6 << row
                                     << QStringList{"lblOutputAmp", "sbOutputAmp"};
    QTest::newRow("layoutPIDKp") << "layoutPIDKp" << false << 6 << row
                                 << QStringList{sp, "lblKP", "sbKp"};
    QTest::newRow("layoutPIDKi") << "layoutPIDKi" << false << 6 << row
                                 << QStringList{sp, "lblKI", "sbKi"};
    QTest::newRow("layoutPIDKd") << "layoutPIDKd" << false << 6 << row
                                 << QStringList{sp, "lblKD", "sbKd"};
    QTest::newRow("layoutModelTime") << "layoutModelTime" << false << 6 << row
                                     << QStringList{"lblModelTime", "sbModelTime"};
    QTest::newRow("layoutModelTime_2") << "layoutModelTime_2" << false << 6 << row
                                       << QStringList{"lblSetPoint", "sbSetPoint"};
}

void TestMainWindowForm::layouts()
{
    QFETCH(QString, name);
    QFETCH(bool, vertical);
    QFETCH(int, spacing);
    QFETCH(QMargins, margins);
    QFETCH(QStringList, items);

    auto *layout = window->findChild<QBoxLayout *>(name);
    QVERIFY(layout);
    QCOMPARE(layout->direction(), vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    QCOMPARE(QString(layout->metaObject()->className()),
             QString(vertical ? "QVBoxLayout" : "QHBoxLayout"));
    QCOMPARE(layout->spacing(), spacing);

    QMargins expected = margins;
    if (expected.left() < 0) {
        QStyle *style = layout->parentWidget()->style();
        expected.setLeft(style->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr,
                                             layout->parentWidget()));
        expected.setRight(style->pixelMetric(QStyle::PM_LayoutRightMargin, nullptr,
                                              layout->parentWidget()));
        QVERIFY(expected.left() > 0);
    }
    QCOMPARE(layout->contentsMargins(), expected);

    QStringList actual;
    for (int i = 0; i < layout->count(); ++i) {
        actual << itemName(layout->itemAt(i));
        QCOMPARE(layout->stretch(i), 0);
        QCOMPARE(int(layout->itemAt(i)->alignment()), 0);
    }
    QCOMPARE(actual, items);
}

void TestMainWindowForm::spacers_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("index");
    QTest::addColumn<QSize>("hint");
    QTest::addColumn<QSizePolicy::Policy>("horizontal");
    QTest::addColumn<QSizePolicy::Policy>("vertical");

    for (const char *row : {"layoutPIDKp", "layoutPIDKi", "layoutPIDKd"})
        QTest::newRow(row) << row << 0 << QSize(20, 20) << QSizePolicy::Preferred
                           << QSizePolicy::Minimum;
    QTest::newRow("end of panel") << "verticalLayout_9" << 7 << QSize(20, 10)
                                  << QSizePolicy::Minimum << QSizePolicy::Expanding;
    QTest::newRow("above buttons") << "verticalLayout_5" << 2 << QSize(20, 10)
                                   << QSizePolicy::Minimum << QSizePolicy::Minimum;
}

void TestMainWindowForm::spacers()
{
    QFETCH(QString, layout);
    QFETCH(int, index);
    QFETCH(QSize, hint);
    QFETCH(QSizePolicy::Policy, horizontal);
    QFETCH(QSizePolicy::Policy, vertical);

    auto *box = window->findChild<QBoxLayout *>(layout);
    QVERIFY(box);
    QSpacerItem *spacer = box->itemAt(index)->spacerItem();
    QVERIFY(spacer);
    QCOMPARE(spacer->sizeHint(), hint);
    QCOMPARE(spacer->sizePolicy().horizontalPolicy(), horizontal);
    QCOMPARE(spacer->sizePolicy().verticalPolicy(), vertical);
}

void TestMainWindowForm::spinBoxes_data()
{
    QTest::addColumn<int>("row");
    const auto &table = spinBoxSettings();
    for (int i = 0; i < int(table.size()); ++i)
        QTest::newRow(table[i].name) << i;
}

void TestMainWindowForm::spinBoxes()
{
    QFETCH(int, row);
    const SpinBoxSettings &s = spinBoxSettings()[row];

    QCOMPARE(window->findChildren<QDoubleSpinBox *>().size(), 18);
    auto *box = child<QDoubleSpinBox>(s.name);
    QVERIFY(box);
    // The settings are written as decimal numbers; the box holds them as
    // doubles rounded to its decimals, so allow for the last bit only.
    const double tol = 1e-12;
    QVERIFY(std::abs(box->minimum() - s.minimum) < tol);
    QVERIFY(std::abs(box->maximum() - s.maximum) < tol);
    QVERIFY(std::abs(box->singleStep() - s.singleStep) < tol);
    QVERIFY2(std::abs(box->value() - s.value) < tol, qPrintable(QString::number(box->value())));
    QCOMPARE(box->decimals(), s.decimals);
    QCOMPARE(box->suffix(), QString::fromUtf8(s.suffix));
    QCOMPARE(box->prefix(), QString());
    QCOMPARE(box->specialValueText(), QString());
    QCOMPARE(box->wrapping(), s.wrapping);
    QCOMPARE(box->buttonSymbols(), s.buttons);
    QCOMPARE(box->isAccelerated(), s.accelerated);
    QVERIFY(box->keyboardTracking());
    // The suffix is shown after the number and is not part of the value.
    QCOMPARE(box->text(), box->locale().toString(s.value, 'f', s.decimals) + QString::fromUtf8(s.suffix));
}

// The command line, the sweeps and the tuner take their ranges, decimals,
// start values and the L <= R rule from the parameter model: each box of the
// window must hold the same, and keep its set in order where the model says.
void TestMainWindowForm::boxesAgreeWithParameterModel_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("partner"); // the other bound of its set, if a bound
    const QList<std::array<const char *, 3>> boxes = {
        { "sbSetPoint", "setpoint", "" },         { "sbModelTime", "time", "" },
        { "sbKp", "kp", "" },                     { "sbKi", "ki", "" },
        { "sbKd", "kd", "" },                     { "sbOutputAmp", "amp", "" },
        { "sbErrKNeg_L", "err-neg.l", "sbErrKNeg_R" },
        { "sbErrKNeg_R", "err-neg.r", "sbErrKNeg_L" },
        { "sbErrKZero_L", "err-zero.l", "sbErrKZero_R" },
        { "sbErrKZero_R", "err-zero.r", "sbErrKZero_L" },
        { "sbErrKPos_L", "err-pos.l", "sbErrKPos_R" },
        { "sbErrKPos_R", "err-pos.r", "sbErrKPos_L" },
        { "sbDErrKNeg_L", "derr-neg.l", "sbDErrKNeg_R" },
        { "sbDErrKNeg_R", "derr-neg.r", "sbDErrKNeg_L" },
        { "sbDErrKZero_L", "derr-zero.l", "sbDErrKZero_R" },
        { "sbDErrKZero_R", "derr-zero.r", "sbDErrKZero_L" },
        { "sbDErrKPos_L", "derr-pos.l", "sbDErrKPos_R" },
        { "sbDErrKPos_R", "derr-pos.r", "sbDErrKPos_L" },
    };
    QCOMPARE(std::size_t(boxes.size()), ModelParameter::count());
    for (const auto &b : boxes)
        QTest::newRow(b[1]) << QString::fromLatin1(b[0]) << QString::fromLatin1(b[2]);
}

void TestMainWindowForm::boxesAgreeWithParameterModel()
{
    QFETCH(QString, box);
    QFETCH(QString, partner);
    const ModelParameter *p = ModelParameter::find(QTest::currentDataTag());
    QVERIFY(p);
    auto *b = child<QDoubleSpinBox>(box);
    QVERIFY(b);
    const double tol = 1e-12;
    QVERIFY(std::abs(b->minimum() - p->minimum()) < tol);
    QVERIFY(std::abs(b->maximum() - p->maximum()) < tol);
    QCOMPARE(b->decimals(), p->decimals());
    QVERIFY2(std::abs(b->value() - p->start()) < tol, qPrintable(QString::number(p->start())));
    if (partner.isEmpty())
        return;
    // Push the bound past its partner, as the arrow keys would.
    auto *other = child<QDoubleSpinBox>(partner);
    QVERIFY(other);
    const double start = b->value();
    const double past = other->value() + (p->isLeft() ? 0.5 : -0.5);
    b->setValue(past);
    const double held = b->value();
    b->setValue(start);
    QVERIFY(p->isLeft() ? p->inOrder(held, other->value()) : p->inOrder(other->value(), held));
    QCOMPARE(std::abs(held - past) < tol, !p->isOrderedBound());
}

void TestMainWindowForm::labels_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("buddy");
    QTest::addColumn<QString>("toolTip");

    const QList<std::array<const char *, 3>> fuzzy = {
        {"lblKLL", "Negative L (&1)", "sbErrKNeg_L"},   {"lblKLR", "Negative R (&2)", "sbErrKNeg_R"},
        {"lblKCL", "Zero L (&3)", "sbErrKZero_L"},      {"lblKCR", "Zero R (&4)", "sbErrKZero_R"},
        {"lblKRL", "Positive L (&5)", "sbErrKPos_L"},   {"lblKRR", "Positive R (&6)", "sbErrKPos_R"},
        {"lblDE_KLL", "Negative L (&7)", "sbDErrKNeg_L"}, {"lblDE_KLR", "Negative R (&8)", "sbDErrKNeg_R"},
        {"lblDE_KCL", "Zero L (&9)", "sbDErrKZero_L"},  {"lblDE_KCR", "Zero R (&0)", "sbDErrKZero_R"},
        {"lblDE_KRL", "Positive L (&-)", "sbDErrKPos_L"}, {"lblDE_KRR", "Positive R (&=)", "sbDErrKPos_R"},
    };
    for (const auto &r : fuzzy)
        QTest::newRow(r[0]) << r[0] << r[1] << r[2] << QString();

    QTest::newRow("lblOutputAmp") << "lblOutputAmp" << "Output amplification (&A)" << "sbOutputAmp"
                                  << QString();
    QTest::newRow("lblKP") << "lblKP" << "K&p" << "sbKp"
                           << QString::fromUtf8("KP - Параметрическое значение PID (Усиление)");
    QTest::newRow("lblKI")
        << "lblKI" << "K&i" << "sbKi"
        << QString::fromUtf8("KI - Интегральное значение PID (Устранение статической ошибки)");
    QTest::newRow("lblKD")
        << "lblKD" << "K&d" << "sbKd"
        << QString::fromUtf8("Kd - Дифференциальное значение PID\n"
                             "(Ускоренный рост при сильных рассогласованиях)");
    QTest::newRow("lblModelTime")
        << "lblModelTime" << "Modelling time (&T)" << "sbModelTime"
        << QString::fromUtf8("Время моделирования работы системы.\n(Model time)");
    QTest::newRow("lblSetPoint") << "lblSetPoint" << "Target value (&Setpoint)" << "sbSetPoint"
                                 << QString();
}

void TestMainWindowForm::labels()
{
    QFETCH(QString, label);
    QFETCH(QString, text);
    QFETCH(QString, buddy);
    QFETCH(QString, toolTip);

    auto *lbl = child<QLabel>(label);
    QVERIFY(lbl);
    QCOMPARE(lbl->text(), text);
    QVERIFY(lbl->buddy());
    QCOMPARE(lbl->buddy()->objectName(), buddy);
    if (toolTip.isEmpty()) {
        QCOMPARE(lbl->toolTip(), QString());
    } else {
        QVERIFY(Qt::mightBeRichText(lbl->toolTip()));
        QCOMPARE(plainText(lbl->toolTip()), toolTip);
    }
}

void TestMainWindowForm::richTexts_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("markup");

    QTest::newRow("lblModelTip")
        << "lblModelTip"
        << "Input modelling params and press Start modelling button \n"
           "to run simulation and plot generation."
        << "font-weight:600;\">Start modelling</span>";
    QTest::newRow("lblFuzzyTip") << "lblFuzzyTip" << "Member functions configuration"
                                 << "color:#e7c100;\">Member functions configuration</span>";
}

void TestMainWindowForm::richTexts()
{
    QFETCH(QString, label);
    QFETCH(QString, plain);
    QFETCH(QString, markup);

    auto *lbl = child<QLabel>(label);
    QVERIFY(lbl);
    QCOMPARE(plainText(lbl->text()), plain);
    QVERIFY2(lbl->text().contains(markup), qPrintable(lbl->text()));
    QVERIFY(lbl->text().contains("<meta name=\"qrichtext\" content=\"1\" />"));
    QVERIFY(lbl->text().contains("font-family:'MS Shell Dlg 2'; font-size:8.25pt;"));
    QVERIFY(lbl->toolTip().isEmpty());
}

void TestMainWindowForm::actions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QKeySequence>("shortcut");

    QTest::newRow("actionStartStep") << "actionStartStep" << "Start &step modelling" << QKeySequence();
    QTest::newRow("actionSave") << "actionSave" << "&Save" << QKeySequence(Qt::Key_F2);
    QTest::newRow("actionExit") << "actionExit" << "E&xit" << QKeySequence();
    QTest::newRow("actionHelp") << "actionHelp" << "&Help" << QKeySequence(Qt::Key_F1);
    QTest::newRow("actionAbout") << "actionAbout" << "&About" << QKeySequence(Qt::SHIFT + Qt::Key_F1);
    QTest::newRow("actionStartChirp") << "actionStartChirp" << "Start &chirp modelling" << QKeySequence();
    QTest::newRow("actionLoad") << "actionLoad" << "&Load" << QKeySequence(Qt::Key_F3);
}

void TestMainWindowForm::actions()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QKeySequence, shortcut);

    auto *action = window->findChild<QAction *>(name);
    QVERIFY(action);
    QCOMPARE(action->parent(), window.get());
    QCOMPARE(action->text(), text);
    QCOMPARE(action->shortcut(), shortcut);
    QCOMPARE(action->shortcuts().size(), shortcut.isEmpty() ? 0 : 1);
}

void TestMainWindowForm::menus()
{
    auto *bar = window->menuBar();
    QCOMPARE(bar->objectName(), QString("menuBar"));
    QCOMPARE(bar->actions().size(), 2);
    auto *app = child<QMenu>("menu");
    auto *help = child<QMenu>("menu_2");
    QVERIFY(app && help);
    QCOMPARE(bar->actions()[0], app->menuAction());
    QCOMPARE(bar->actions()[1], help->menuAction());
    QCOMPARE(app->title(), QString("Application"));
    QCOMPARE(help->title(), QString("Help"));

    const auto names = [](const QMenu *menu) {
        QStringList list;
        for (const QAction *a : menu->actions())
            list << (a->isSeparator() ? QString("|") : a->objectName());
        return list;
    };
    QCOMPARE(names(app), (QStringList{"actionStartStep", "actionStartChirp", "actionLoad",
                                      "actionSave", "|", "actionExit"}));
    QCOMPARE(names(help), (QStringList{"actionHelp", "|", "actionAbout"}));
}

void TestMainWindowForm::runButtons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QKeySequence>("shortcut");

    QTest::newRow("btnRunStep") << "btnRunStep"
                                << QString::fromUtf8("\u25ba Start modelling (STEP) (F5)")
                                << QKeySequence(Qt::Key_F5);
    QTest::newRow("btnRunChirp") << "btnRunChirp"
                                 << QString::fromUtf8("\u25ba Start modelling (&CHIRP) (F6)")
                                 << QKeySequence(Qt::Key_F6);
}

void TestMainWindowForm::runButtons()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QKeySequence, shortcut);

    auto *button = child<QPushButton>(name);
    QVERIFY(button);
    QCOMPARE(button->text(), text);
    QCOMPARE(button->text().at(0).unicode(), ushort(0x25ba));
    QCOMPARE(button->shortcut(), shortcut);
}

void TestMainWindowForm::dock()
{
    auto *dock = child<QDockWidget>("dockWidgetConfig");
    QVERIFY(dock);
    QCOMPARE(dock->windowTitle(), QString("Modelling configuration"));
    QCOMPARE(window->dockWidgetArea(dock), Qt::LeftDockWidgetArea);
    QCOMPARE(dock->minimumSize(), QSize(400, 200));
    QCOMPARE(dock->maximumSize(), QSize(400, 524287));
    QVERIFY(dock->autoFillBackground());
    QCOMPARE(dock->features(), QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    QCOMPARE(dock->allowedAreas(), Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    QCOMPARE(dock->widget(), child("dockWidgetContents"));
    QCOMPARE(dock->width(), 400);

    auto *tip = child<QLabel>("lblModelTip");
    QCOMPARE(tip->frameShape(), QFrame::NoFrame);
    QCOMPARE(tip->frameShadow(), QFrame::Sunken);
    QCOMPARE(tip->lineWidth(), 5);
    QCOMPARE(tip->midLineWidth(), 5);
    QCOMPARE(tip->textFormat(), Qt::RichText);
}

void TestMainWindowForm::scrollArea()
{
    auto *area = child<QScrollArea>("scrollAreaConfigure");
    QVERIFY(area);
    QCOMPARE(area->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QCOMPARE(area->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(area->widgetResizable());
    QCOMPARE(area->widget(), child("scrollAreaWidgetContents"));
}

void TestMainWindowForm::windowFrame()
{
    QCOMPARE(window->objectName(), QString("MainWindow"));
    QCOMPARE(QString(window->metaObject()->className()), QString("MainWindow"));
    QCOMPARE(window->windowTitle(), QString("Fuzzy logic control simulation"));
    // The form leaves the minimum height at 0, which lets the layout set it.
    QCOMPARE(window->minimumWidth(), 200);
    QCOMPARE(window->font().family(), QString("Tahoma"));
    QVERIFY(window->font().styleStrategy() & QFont::PreferAntialias);
    QVERIFY(window->windowState() & Qt::WindowMaximized);
    QVERIFY(window->isVisible());
    QCOMPARE(window->centralWidget(), child("centralWidget"));
    QCOMPARE(window->statusBar(), child<QStatusBar>("statusBar"));
    QVERIFY(window->statusBar()->currentMessage().isEmpty());
    QVERIFY(!window->windowIcon().isNull());
    QVERIFY(!window->windowIcon().availableSizes().isEmpty());
}

void TestMainWindowForm::schemeLabel()
{
    auto *label = child<QLabel>("lblModelScheme");
    QVERIFY(label);
    QCOMPARE(label->sizePolicy().horizontalPolicy(), QSizePolicy::Minimum);
    QCOMPARE(label->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
    QCOMPARE(label->sizePolicy().horizontalStretch(), 1);
    QCOMPARE(label->sizePolicy().verticalStretch(), 1);
    QCOMPARE(label->sizeIncrement(), QSize(0, 0));
    QVERIFY(!label->autoFillBackground());
    QCOMPARE(label->frameShape(), QFrame::NoFrame);
    QCOMPARE(label->frameShadow(), QFrame::Plain);
    QCOMPARE(label->lineWidth(), 0);
    QVERIFY(label->hasScaledContents());
    QVERIFY(!label->wordWrap());
    QCOMPARE(label->margin(), 0);
    QCOMPARE(label->textInteractionFlags(), Qt::NoTextInteraction);
    QVERIFY(label->text().isEmpty());
    QVERIFY(label->pixmap(Qt::ReturnByValue).cacheKey() != 0);
    QCOMPARE(label->pixmap(Qt::ReturnByValue).size(), QSize(2069, 673));
}

QTEST_MAIN(TestMainWindowForm)
#include "tst_mainwindowform.moc"
