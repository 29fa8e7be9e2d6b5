#include "Database.h"
#include "EntryRules.h"
#include "TestDatabases.h"

#include <QTest>

class tst_EntryRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void numbers() {
        for (const char* accepted : {"0", "-12", "+3.5", "007", "12.345", "-0.5"})
            QVERIFY2(EntryRules::isNumeric(accepted), accepted);
        for (const char* refused : {"", " 1", "1 ", "1.", ".5", "-", "+", "1e3", "1,000", "1.2.3", "--1", "١٢"})
            QVERIFY2(!EntryRules::isNumeric(QString::fromUtf8(refused)), refused);
        QCOMPARE(EntryRules::numericValue("+3.5"), 3.5);
        QCOMPARE(EntryRules::numericValue("-0.25"), -0.25);
        QCOMPARE(EntryRules::numericValue("abc"), 0.0);
    }

    void dates() {
        QCOMPARE(EntryRules::parseDate("06/05/03"), QDate(2003, 6, 5));
        QCOMPARE(EntryRules::parseDate("6/5/2003"), QDate(2003, 6, 5));
        QCOMPARE(EntryRules::parseDate("12/31/29"), QDate(2029, 12, 31));
        QCOMPARE(EntryRules::parseDate("01/01/30"), QDate(1930, 1, 1));
        QCOMPARE(EntryRules::parseDate("02/29/00"), QDate(2000, 2, 29));
        for (const char* refused : {"13/45/03", "02/29/03", "00/10/03", "1/1/3", "01/01/003", "01-01-03", "  /  /  ",
                                    "01/01/03/", "", "a1/01/03"})
            QVERIFY2(!EntryRules::isDate(refused), refused);
        QCOMPARE(EntryRules::shortDate(QDate(2003, 6, 5)), QString("06/05/03"));
    }

    // The range holds every evaluation downloaded on its end day, up to the last second.
    void rangeHoldsTheWholeEndDay_data() { TestDatabases::addEngineRows(); }
    void rangeHoldsTheWholeEndDay() {
        QFETCH(QString, connection);
        {
            Database db = Database::open(connection, QStringLiteral("test"));
            const qint64 templateKey = db.insert("Template", {"Name"}, {"T"});
            const char* stamps[] = {"2003-06-04T23:59:59", "2003-06-05T00:00:00", "2003-06-06T23:59:59",
                                    "2003-06-07T00:00:00"};
            for (const char* stamp : stamps)
                db.execute("INSERT INTO Evaluation (TemplateKey, FileName, Downloaded) VALUES (?, ?, ?)",
                           {templateKey, QString::fromLatin1(stamp), QString::fromLatin1(stamp)});
            const auto range = EntryRules::downloadedRange(QDate(2003, 6, 5), QDate(2003, 6, 6));
            QSqlQuery found = db.query("SELECT FileName FROM Evaluation WHERE " + EntryRules::DownloadedCondition +
                                           " ORDER BY FileName",
                                       {range.from, range.before});
            QStringList names;
            while (found.next())
                names << found.value(0).toString();
            QCOMPARE(names, QStringList({"2003-06-05T00:00:00", "2003-06-06T23:59:59"}));
            db.close();
        }
        QSqlDatabase::removeDatabase("test");
    }
};

QTEST_GUILESS_MAIN(tst_EntryRules)
#include "tst_entryrules.moc"
