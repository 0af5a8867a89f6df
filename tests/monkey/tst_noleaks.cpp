// One whole session of the window: start, a run by "F5", the about box,
// closing by "E&xit". Afterwards nothing of it may be left: no window, no
// dialog, and, in the sanitizer build, no heap block that LeakSanitizer finds
// unreachable (checked here, and once more at exit).

#include "dlgabout.h"
#include "mainwindow.h"
#include "modalcloser.h"
#include "xplot.h"

#include <qwt_plot_curve.h>

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QtTest>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

class TestNoLeaks : public QObject
{
    Q_OBJECT

private slots:
    void wholeSession();
};

void TestNoLeaks::wholeSession()
{
    const QList<QWidget *> before = QApplication::topLevelWidgets();

    auto *window = new MainWindow;
    QPointer<MainWindow> alive(window);
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));

    QTest::keyClick(window, Qt::Key_F5);
    auto *results = window->findChild<XPlot *>("plotResults");
    QVERIFY(results);
    const QwtPlotItemList curves = results->itemList(QwtPlotItem::Rtti_PlotCurve);
    QCOMPARE(curves.size(), 3);
    for (QwtPlotItem *item : curves)
        QCOMPARE(int(static_cast<QwtPlotCurve *>(item)->dataSize()), 99);

    {
        ModalCloser closer;
        window->findChild<QAction *>("actionAbout")->trigger();
        QCOMPARE(closer.seen.size(), 1);
        QCOMPARE(closer.seen[0].className, QString("DlgAbout"));
    }
    QVERIFY(window->findChildren<DlgAbout *>().isEmpty());

    window->findChild<QAction *>("actionExit")->trigger();
    QVERIFY(!window->isVisible());
    delete window;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(alive.isNull());
    QCOMPARE(QApplication::topLevelWidgets(), before);

#if defined(__SANITIZE_ADDRESS__)
    QVERIFY2(__lsan_do_recoverable_leak_check() == 0,
             "LeakSanitizer found leaks; its report is on stderr");
#endif
}

QTEST_MAIN(TestNoLeaks)
#include "tst_noleaks.moc"
