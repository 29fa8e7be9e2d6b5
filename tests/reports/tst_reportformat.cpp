#include "ReportFormat.h"

#include <QTest>

// The number texts the reports print: classic format strings, halves away from zero.
class tst_ReportFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void formats_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        // Two decimals always, and no digit before the point when the whole part is 0.
        QTest::newRow("12.345") << 12.345 << "#.#0"
                                << "12.35";
        QTest::newRow("0.5") << 0.5 << "#.#0"
                             << ".50";
        QTest::newRow("0") << 0.0 << "#.#0"
                           << ".00";
        QTest::newRow("binary neighbour below the half") << 2.675 << "#.#0"
                                                         << "2.68";
        QTest::newRow("carry into the whole part") << 99.995 << "#.#0"
                                                   << "100.00";
        QTest::newRow("negative half") << -2.345 << "#.#0"
                                       << "-2.35";
        QTest::newRow("negative that rounds to zero") << -0.001 << "#.#0"
                                                      << ".00";
        QTest::newRow("large") << 123456.7 << "#.#0"
                               << "123456.70";
        // The percent form multiplies by 100 first.
        QTest::newRow("half") << 0.5 << "#.#0%"
                              << "50.00%";
        QTest::newRow("whole") << 1.0 << "#.#0%"
                               << "100.00%";
        QTest::newRow("share") << 0.12345 << "#.#0%"
                               << "12.35%";
        QTest::newRow("small share") << 0.001 << "#.#0%"
                                     << ".10%";
        QTest::newRow("two thirds") << 2.0 / 3.0 << "#.#0%"
                                    << "66.67%";
        // At least one digit, halves away from zero.
        QTest::newRow("#0 zero") << 0.0 << "#0"
                                 << "0";
        QTest::newRow("#0 half") << 2.5 << "#0"
                                 << "3";
        QTest::newRow("#0 whole") << 20.0 << "#0"
                                  << "20";
        // "#" after the last "0" is a digit only when it is not a trailing zero.
        QTest::newRow("optional decimal") << 1.5 << "0.0#"
                                          << "1.5";
        QTest::newRow("optional decimal used") << 1.25 << "0.0#"
                                               << "1.25";
    }
    void formats() {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QCOMPARE(ReportFormat::format(value, pattern), text);
    }

    void conversions() {
        QCOMPARE(ReportFormat::str(1), QString(" 1"));
        QCOMPARE(ReportFormat::str(0), QString(" 0"));
        QCOMPARE(ReportFormat::str(-3), QString("-3"));
        // Halves go to the even neighbour, as the classic whole-number conversion does.
        QCOMPARE(ReportFormat::cint(1387.5), 1388);
        QCOMPARE(ReportFormat::cint(1386.5), 1386);
        QCOMPARE(ReportFormat::cint(11100.0 / 7), 1586);
        QCOMPARE(ReportFormat::cint(13550.0), 13550);
    }
};

QTEST_APPLESS_MAIN(tst_ReportFormat)
#include "tst_reportformat.moc"
