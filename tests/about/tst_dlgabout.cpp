#include "dlgabout.h"

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSpacerItem>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <QtTest>

#include <qwt_global.h>

namespace {

// Reads a build stamp in the compiler's __DATE__ " " __TIME__ form,
// "Mmm dd yyyy hh:mm:ss" with the day padded by a blank. Invalid if the
// text is not of that form, whatever the locale.
QDateTime parseBuildStamp(const QString &text)
{
    static const QRegularExpression stamp(QStringLiteral(
        "^([A-Z][a-z]{2}) ([ 1-3][0-9]) ([0-9]{4}) ([0-9]{2}):([0-9]{2}):([0-9]{2})$"));
    static const QStringList months = {
        QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
        QStringLiteral("May"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Aug"),
        QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};

    const QRegularExpressionMatch m = stamp.match(text);
    if (!m.hasMatch() || !months.contains(m.captured(1)))
        return {};
    const QDate date(m.captured(3).toInt(), months.indexOf(m.captured(1)) + 1,
                     m.captured(2).trimmed().toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    return QDateTime(date, time);
}

QStringList paragraphs(const QLabel *label)
{
    QTextDocument doc;
    doc.setHtml(label->text());
    QStringList lines;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        lines << b.text();
    return lines;
}

QString majorMinor(const QString &version)
{
    return version.section(QLatin1Char('.'), 0, 1);
}

} // namespace

// The about box as a user meets it: its widget tree, texts, build line,
// fixed size and the ways to close it.
class TestDlgAbout : public QObject
{
    Q_OBJECT

public slots:
    void openMail(const QUrl &url) { openedUrls << url; }

private slots:
    void title();
    void tree_data();
    void tree();
    void layoutItems_data();
    void layoutItems();
    void widgetSettings();
    void texts_data();
    void texts();
    void creditsNameBuildComponents();
    void mailLink();
    void mailLinkOpensByKeyboard();
    void buildLine();
    void fixedSize();
    void noMaximiseButton();
    void formIsABase();
    void closes_data();
    void closes();
    void images();

private:
    QList<QUrl> openedUrls;
};

void TestDlgAbout::title()
{
    DlgAbout dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("About Kestrune"));
    QCOMPARE(dlg.objectName(), QStringLiteral("dlgAbout"));
}

void TestDlgAbout::tree_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");

    const char *labels[] = {"label", "label_2", "label_3", "label_4", "label_6", "label_5",
                            "lblBuildInfo"};
    for (const char *name : labels)
        QTest::newRow(name) << QString::fromLatin1(name) << QStringLiteral("QLabel");
    QTest::newRow("okButton") << QStringLiteral("okButton") << QStringLiteral("QPushButton");
    QTest::newRow("verticalLayout") << QStringLiteral("verticalLayout") << QStringLiteral("QVBoxLayout");
    for (const char *name : {"horizontalLayout", "horizontalLayout_2", "hboxLayout"})
        QTest::newRow(name) << QString::fromLatin1(name) << QStringLiteral("QHBoxLayout");
}

void TestDlgAbout::tree()
{
    QFETCH(QString, name);
    QFETCH(QString, className);

    DlgAbout dlg;
    const QList<QObject *> found = dlg.findChildren<QObject *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
}

void TestDlgAbout::layoutItems_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("item");          // object name, or empty for a spacer
    QTest::addColumn<QSize>("spacerHint");
    QTest::addColumn<int>("horizontalPolicy");
    QTest::addColumn<int>("verticalPolicy");

    const QSize noHint;
    const QString layouts[] = {QStringLiteral("verticalLayout"), QStringLiteral("horizontalLayout"),
                               QStringLiteral("horizontalLayout_2"), QStringLiteral("hboxLayout")};
    const int exp = QSizePolicy::Expanding;
    const int min = QSizePolicy::Minimum;
    auto row = [&](int l, int i, const char *item, QSize hint = QSize(), int hp = 0, int vp = 0) {
        QTest::addRow("%s[%d]", qPrintable(layouts[l]), i)
            << layouts[l] << i << QString::fromLatin1(item) << hint << hp << vp;
    };
    row(0, 0, "label");
    row(0, 1, "label_2");
    row(0, 2, "horizontalLayout");
    row(0, 3, "horizontalLayout_2");
    row(0, 4, "", QSize(20, 0), min, exp);
    row(0, 5, "hboxLayout");
    row(1, 0, "label_3");
    row(1, 1, "", QSize(40, 20), exp, min);
    row(1, 2, "label_4");
    row(2, 0, "label_6");
    row(2, 1, "", QSize(40, 20), exp, min);
    row(2, 2, "label_5");
    row(3, 0, "lblBuildInfo");
    row(3, 1, "", QSize(131, 31), exp, min);
    row(3, 2, "okButton");
}

void TestDlgAbout::layoutItems()
{
    QFETCH(QString, layout);
    QFETCH(int, index);
    QFETCH(QString, item);
    QFETCH(QSize, spacerHint);
    QFETCH(int, horizontalPolicy);
    QFETCH(int, verticalPolicy);

    DlgAbout dlg;
    auto *box = dlg.findChild<QLayout *>(layout);
    QVERIFY(box);
    QVERIFY(index < box->count());
    QLayoutItem *it = box->itemAt(index);

    if (item.isEmpty()) {
        QSpacerItem *spacer = it->spacerItem();
        QVERIFY(spacer);
        QCOMPARE(spacer->sizeHint(), spacerHint);
        QCOMPARE(int(spacer->sizePolicy().horizontalPolicy()), horizontalPolicy);
        QCOMPARE(int(spacer->sizePolicy().verticalPolicy()), verticalPolicy);
        return;
    }
    const QObject *object = it->widget() ? static_cast<QObject *>(it->widget()) : it->layout();
    QVERIFY(object);
    QCOMPARE(object->objectName(), item);
    QCOMPARE(int(box->itemAt(index)->alignment()), 0);
    if (layout == QStringLiteral("verticalLayout"))
        QCOMPARE(static_cast<QBoxLayout *>(box)->stretch(index), 0);
}

void TestDlgAbout::widgetSettings()
{
    DlgAbout dlg;
    QCOMPARE(dlg.label_2->textFormat(), Qt::RichText);
    QCOMPARE(dlg.label->textFormat(), Qt::AutoText);
    QVERIFY(dlg.label_4->openExternalLinks());
    QCOMPARE(dlg.label_4->textInteractionFlags(),
             Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    QVERIFY(!dlg.label_6->hasScaledContents());
    QVERIFY(dlg.okButton->isDefault());
    QCOMPARE(dlg.okButton->styleSheet(), QStringLiteral("QPushButton { color: rgb(0, 85, 0) }"));
    QCOMPARE(dlg.hboxLayout->spacing(), 6);
    QCOMPARE(dlg.hboxLayout->contentsMargins(), QMargins(0, 0, 0, 0));
}

void TestDlgAbout::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");

    QTest::newRow("label") << "label" << "Kestrune";
    QTest::newRow("label_2") << "label_2" << "the 3-position fuzzy logic controller system";
    QTest::newRow("label_3") << "label_3" << "Developed by the Kestrune project";
    QTest::newRow("label_4") << "label_4" << "mailto: kestrune@example.org";
    QTest::newRow("label_6") << "label_6" << "";
    QTest::newRow("okButton") << "okButton" << "OK";
}

void TestDlgAbout::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, shown);

    DlgAbout dlg;
    QWidget *w = dlg.findChild<QWidget *>(name);
    QVERIFY(w);
    if (auto *button = qobject_cast<QPushButton *>(w)) {
        QCOMPARE(button->text(), shown);
        return;
    }
    auto *label = qobject_cast<QLabel *>(w);
    QVERIFY(label);
    QCOMPARE(paragraphs(label).join(QLatin1Char('\n')), shown);
}

void TestDlgAbout::creditsNameBuildComponents()
{
    DlgAbout dlg;
    const QStringList lines = paragraphs(dlg.label_5);

    QCOMPARE(lines.size(), 14);
    QVERIFY(lines.at(1).contains(QStringLiteral("Qt %1").arg(QT_VERSION_MAJOR)));
    QVERIFY(lines.at(1).contains(majorMinor(QStringLiteral(QT_VERSION_STR))));
    QCOMPARE(lines.at(2), QString());
    QCOMPARE(lines.at(5), QString());
    QCOMPARE(lines.at(6), QStringLiteral("This application makes use of the following"));
    QCOMPARE(lines.at(7), QStringLiteral("external components:"));
    QVERIFY(lines.at(8).startsWith(QLatin1Char('\t')));
    QVERIFY(lines.at(8).contains(QStringLiteral("Qwt project")));
    QVERIFY(lines.at(8).contains(QStringLiteral("qwt.sourceforge.io")));
    QVERIFY(lines.at(9).startsWith(QLatin1Char('\t')));
    QVERIFY(lines.at(9).contains(QStringLiteral("Qwt ") + majorMinor(QStringLiteral(QWT_VERSION_STR))));
    QVERIFY(lines.at(9).contains(QStringLiteral("QwtPlot")));
    for (int i = 10; i < 14; ++i)
        QCOMPARE(lines.at(i), QString());
}

void TestDlgAbout::mailLink()
{
    DlgAbout dlg;
    QTextDocument doc;
    doc.setHtml(dlg.label_4->text());

    QStringList anchors;
    QString anchorText;
    QTextCharFormat anchorFormat;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.charFormat().isAnchor()) {
                anchors << f.charFormat().anchorHref();
                anchorText += f.text();
                anchorFormat = f.charFormat();
            }
        }
    }
    QCOMPARE(anchors.size(), 1);
    QCOMPARE(anchorText, QStringLiteral("kestrune@example.org"));
    QVERIFY(anchorFormat.fontUnderline());
    QCOMPARE(anchorFormat.foreground().color(), QColor(0x00, 0x00, 0xff));

    const QUrl url(anchors.first());
    QCOMPARE(url.scheme(), QStringLiteral("mailto"));
    QCOMPARE(url.path(), QStringLiteral("kestrune@example.org"));
    QCOMPARE(QUrlQuery(url).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
             QStringLiteral("Fuzzy Logic Controller Application"));
    QCOMPARE(anchors.first(), QStringLiteral("mailto:kestrune@example.org"
                                             "?subject=Fuzzy%20Logic%20Controller%20Application"));
}

void TestDlgAbout::mailLinkOpensByKeyboard()
{
    openedUrls.clear();
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "openMail");

    DlgAbout dlg;
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.label_4->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(dlg.label_4, Qt::Key_Tab);     // onto the link
    QTest::keyClick(dlg.label_4, Qt::Key_Return);  // follow it
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));

    QCOMPARE(openedUrls.size(), 1);
    QCOMPARE(openedUrls.first().path(), QStringLiteral("kestrune@example.org"));
    QCOMPARE(QUrlQuery(openedUrls.first()).queryItemValue(QStringLiteral("subject")),
             QStringLiteral("Fuzzy Logic Controller Application"));
    QVERIFY(dlg.isVisible());
}

void TestDlgAbout::buildLine()
{
    // The compiler writes the day padded with a blank: "Dec  8 2026".
    QVERIFY(parseBuildStamp(QStringLiteral(__DATE__ " " __TIME__)).isValid());

    DlgAbout dlg;
    static const QRegularExpression line(
        QStringLiteral("^Version ([0-9.]+)\\. Build time: (.{11} .{8})$"));
    const QRegularExpressionMatch m = line.match(dlg.lblBuildInfo->text());
    QVERIFY2(m.hasMatch(), qPrintable(dlg.lblBuildInfo->text()));
    QCOMPARE(m.captured(1), QStringLiteral("1.0.0.0"));

    const QDateTime built = parseBuildStamp(m.captured(2));
    QVERIFY2(built.isValid(), qPrintable(m.captured(2)));
    QVERIFY(built <= QDateTime::currentDateTime());
    QCOMPARE(dlg.lblBuildInfo->textFormat(), Qt::AutoText);
}

void TestDlgAbout::fixedSize()
{
    DlgAbout dlg;

    // The box takes the size that the toolkit gives the same form when asked
    // to fit its contents: the layout's size hint on any ordinary screen
    // (the toolkit trims it to the small offscreen screen, so the reference
    // is built rather than assumed).
    QDialog reference;
    Ui::dlgAbout form;
    form.setupUi(&reference);
    form.lblBuildInfo->setText(dlg.lblBuildInfo->text());
    reference.adjustSize();
    const QSize expected = reference.size();

    QCOMPARE(dlg.size(), expected);
    QVERIFY(dlg.size() != QSize(524, 323));
    QCOMPARE(dlg.minimumSize(), expected);
    QCOMPARE(dlg.maximumSize(), expected);

    dlg.show();
    dlg.resize(expected + QSize(100, 80));
    QCOMPARE(dlg.size(), expected);
}

void TestDlgAbout::noMaximiseButton()
{
    DlgAbout dlg;
    // A plain dialog's frame (title bar, system menu, help and close
    // buttons), without a maximise button, and nothing added: no minimise
    // button, no customised frame that would drop the close button.
    const Qt::WindowFlags plain = QDialog().windowFlags();
    QCOMPARE(dlg.windowFlags(), plain & ~Qt::WindowMaximizeButtonHint);
}

void TestDlgAbout::formIsABase()
{
    DlgAbout dlg;
    QCOMPARE(dlg.metaObject()->className(), "DlgAbout");
    QCOMPARE(dlg.qt_metacast("DlgAbout"), static_cast<void *>(&dlg));
    QCOMPARE(dlg.qt_metacast("Ui::dlgAbout"), static_cast<void *>(static_cast<Ui::dlgAbout *>(&dlg)));
    QCOMPARE(dlg.qt_metacast("QDialog"), static_cast<void *>(static_cast<QDialog *>(&dlg)));
}

void TestDlgAbout::closes_data()
{
    QTest::addColumn<int>("key");          // 0: click "OK" instead
    QTest::addColumn<int>("result");

    QTest::newRow("Return") << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("Enter") << int(Qt::Key_Enter) << int(QDialog::Accepted);
    QTest::newRow("Escape") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    QTest::newRow("OK button") << 0 << int(QDialog::Accepted);
}

void TestDlgAbout::closes()
{
    QFETCH(int, key);
    QFETCH(int, result);

    QWidget owner;
    owner.show();
    DlgAbout dlg(&owner);

    // Run it modally as the main window does. Whatever receives the keys
    // (the focus starts on the link label), the dialog must close; should it
    // not, it is closed with a result that fails the comparison below.
    QTimer::singleShot(0, &dlg, [&dlg, key] {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &dlg;
        if (key)
            QTest::keyClick(target, Qt::Key(key));
        else
            QTest::mouseClick(dlg.okButton, Qt::LeftButton);
        if (dlg.isVisible())
            dlg.done(-1);
    });
    QCOMPARE(dlg.exec(), result);
    QVERIFY(!dlg.isVisible());
}

void TestDlgAbout::images()
{
    DlgAbout dlg;
    QCOMPARE(dlg.label_6->pixmap(Qt::ReturnByValue).size(), QSize(199, 165));
    QVERIFY(!dlg.windowIcon().isNull());
    QVERIFY(dlg.label_6->width() >= 199 && dlg.label_6->height() >= 165);
}

QTEST_MAIN(TestDlgAbout)
#include "tst_dlgabout.moc"
