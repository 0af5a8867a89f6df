// Exact decimal ranges FROM:TO:STEP: the values are the doubles of the exact
// decimals (never an accumulated sum), TO is included when a step lands on
// it, and bad texts name their first bad value.

#include "bitsof.h"
#include "decimalrange.h"

#include <QtTest>

#include <vector>

Q_DECLARE_METATYPE(std::vector<double>)

class TestDecimalRange : public QObject
{
    Q_OBJECT

private slots:
    void values_data();
    void values();
    void longRanges_data();
    void longRanges();
    void badTexts_data();
    void badTexts();
};

void TestDecimalRange::values_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::vector<double>>("expected");

    // The literals are the doubles nearest to each decimal; a running sum or
    // FROM + k * STEP in doubles gives 0.30000000000000004 and the like.
    QTest::newRow("tenths") << "0.1:1:0.1"
                            << std::vector<double>{ 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0 };
    QTest::newRow("from zero") << "0:0.3:0.1" << std::vector<double>{ 0.0, 0.1, 0.2, 0.3 };
    QTest::newRow("negative to positive") << "-0.3:0.3:0.15"
                                          << std::vector<double>{ -0.3, -0.15, 0.0, 0.15, 0.3 };
    QTest::newRow("TO between steps") << "0:1:0.3" << std::vector<double>{ 0.0, 0.3, 0.6, 0.9 };
    QTest::newRow("one value") << "0.7:0.7:0.1" << std::vector<double>{ 0.7 };
    QTest::newRow("step beyond TO") << "1:2:5" << std::vector<double>{ 1.0 };
    QTest::newRow("thousandths") << "0.998:1.001:0.001"
                                 << std::vector<double>{ 0.998, 0.999, 1.0, 1.001 };
    QTest::newRow("exponents") << "1e-3:3E-3:1e-3" << std::vector<double>{ 0.001, 0.002, 0.003 };
    QTest::newRow("signs and bare points") << "-.5:+1.:.5"
                                           << std::vector<double>{ -0.5, 0.0, 0.5, 1.0 };
    QTest::newRow("trailing zeros") << "0.10000000000000000000:0.2:0.1000"
                                    << std::vector<double>{ 0.1, 0.2 };
    QTest::newRow("negative zero") << "-0:0:1" << std::vector<double>{ 0.0 };
    // 17 significant digits: beyond 2^53 as a scaled integer.
    QTest::newRow("many digits") << "12345678.123456789:12345678.123456791:0.000000001"
                                 << std::vector<double>{ 12345678.123456789, 12345678.12345679,
                                                         12345678.123456791 };
}

void TestDecimalRange::values()
{
    QFETCH(QString, text);
    QFETCH(std::vector<double>, expected);
    DecimalRange::Error error;
    const std::optional<DecimalRange> range = DecimalRange::parse(text.toStdString(), &error);
    QVERIFY2(range, (error.value + " " + error.reason).c_str());
    const QString difference = bitDifference(range->values(), expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestDecimalRange::longRanges_data()
{
    // Ranges from 0 whose value k is exactly k * 10^-decimals.
    QTest::addColumn<QString>("text");
    QTest::addColumn<qulonglong>("size");
    QTest::addColumn<int>("decimals");

    QTest::newRow("the most values") << "0:9999999:1" << qulonglong(10000000) << 0;
    QTest::newRow("millionths") << "0:1:0.000001" << qulonglong(1000001) << 6;
    QTest::newRow("kp in thousandths") << "0:1000:0.001" << qulonglong(1000001) << 3;
}

void TestDecimalRange::longRanges()
{
    QFETCH(QString, text);
    QFETCH(qulonglong, size);
    QFETCH(int, decimals);
    const std::optional<DecimalRange> range = DecimalRange::parse(text.toStdString());
    QVERIFY(range);
    QCOMPARE(qulonglong(range->size()), size);
    // Reading "<k>e-<decimals>" gives the double nearest to the decimal.
    for (const std::size_t k : { std::size_t(1), std::size_t(size / 3), std::size_t(size / 2 + 7),
                                 std::size_t(size - 1) }) {
        const QByteArray decimal = QByteArray::number(qulonglong(k)) + "e-"
                + QByteArray::number(decimals);
        QCOMPARE(bitsOf((*range)[k]), bitsOf(decimal.toDouble()));
    }
}

void TestDecimalRange::badTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("reason");

    QTest::newRow("no step") << "0:1" << "0:1" << "is not FROM:TO:STEP";
    QTest::newRow("four parts") << "0:1:0.1:2" << "0:1:0.1:2" << "is not FROM:TO:STEP";
    QTest::newRow("empty") << "" << "" << "is not FROM:TO:STEP";
    QTest::newRow("word") << "abc:1:0.1" << "abc" << "is not a number";
    QTest::newRow("empty TO") << "0::0.1" << "" << "is not a number";
    QTest::newRow("blank") << "0: 1:0.1" << " 1" << "is not a number";
    QTest::newRow("comma") << "0:1:0,1" << "0,1" << "is not a number";
    QTest::newRow("bare exponent") << "1e:2:1" << "1e" << "is not a number";
    QTest::newRow("point alone") << ".:1:1" << "." << "is not a number";
    QTest::newRow("inf") << "0:inf:1" << "inf" << "is not a finite number";
    QTest::newRow("-Infinity") << "-Infinity:1:1" << "-Infinity" << "is not a finite number";
    QTest::newRow("nan step") << "0:1:NaN" << "NaN" << "is not a finite number";
    QTest::newRow("step 0") << "0:1:0" << "0" << "is not a STEP above 0";
    QTest::newRow("step -0.0") << "0:1:-0.0" << "-0.0" << "is not a STEP above 0";
    QTest::newRow("negative step") << "1:0:-0.1" << "-0.1" << "is not a STEP above 0";
    QTest::newRow("FROM above TO") << "0.2:0.1:0.1" << "0.2" << "is above TO 0.1";
    QTest::newRow("one value too many") << "0:10000000:1" << "1"
                                        << "gives more than 10000000 values";
    QTest::newRow("tiny step") << "0:1:1e-9" << "1e-9" << "gives more than 10000000 values";
    QTest::newRow("too many decimals") << "0:1:1e-19" << "1"
                                       << "has too many digits (at most 18, counting the "
                                          "decimals of all three)";
    QTest::newRow("too large") << "0:1e19:1" << "1e19"
                               << "has too many digits (at most 18, counting the decimals of "
                                  "all three)";
}

void TestDecimalRange::badTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, value);
    QFETCH(QString, reason);
    DecimalRange::Error error;
    QVERIFY(!DecimalRange::parse(text.toStdString(), &error));
    QCOMPARE(QString::fromStdString(error.value), value);
    QCOMPARE(QString::fromStdString(error.reason), reason);
}

QTEST_APPLESS_MAIN(TestDecimalRange)
#include "tst_decimalrange.moc"
