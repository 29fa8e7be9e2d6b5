#include "DelimitedItemReader.h"
#include "EvaluationFileParser.h"
#include "KestrivoError.h"

#include <QTest>

Q_DECLARE_METATYPE(DelimitedItem::Kind)

// Reading the items and records of an evaluation file, without a database.
class tst_EvaluationFile : public QObject {
    Q_OBJECT

    static QList<DelimitedItem> itemsOf(const QByteArray& bytes) {
        DelimitedItemReader reader(bytes);
        QList<DelimitedItem> items;
        while (!reader.atEnd())
            items << reader.ReadItem();
        return items;
    }
    static QStringList textsOf(const QByteArray& bytes) {
        QStringList texts;
        for (const DelimitedItem& item : itemsOf(bytes))
            texts << item.text;
        return texts;
    }
    static QString failureOf(const QByteArray& bytes) {
        try {
            EvaluationFileParser::parse(bytes);
        } catch (const KestrivoError& error) {
            return QString::number(error.number()) + ": " + error.description();
        }
        return QString();
    }

private Q_SLOTS:
    void itemKinds_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<DelimitedItem::Kind>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::newRow("quoted text") << QByteArray("\"a, b\"") << DelimitedItem::Kind::Text << "a, b" << 0.0;
        QTest::newRow("quoted digits stay text") << QByteArray("\"12\"") << DelimitedItem::Kind::Text << "12" << 0.0;
        QTest::newRow("number") << QByteArray("  -42  ") << DelimitedItem::Kind::Number << "-42" << -42.0;
        QTest::newRow("decimal") << QByteArray("3.5") << DelimitedItem::Kind::Number << "3.5" << 3.5;
        QTest::newRow("true") << QByteArray("#TRUE#") << DelimitedItem::Kind::Boolean << "#TRUE#" << -1.0;
        QTest::newRow("false") << QByteArray("#FALSE#") << DelimitedItem::Kind::Boolean << "#FALSE#" << 0.0;
        QTest::newRow("null") << QByteArray("#NULL#") << DelimitedItem::Kind::Null << "#NULL#" << 0.0;
        QTest::newRow("bare word") << QByteArray("*H* ") << DelimitedItem::Kind::Text << "*H*" << 0.0;
        QTest::newRow("Windows-1252") << QByteArray("\"Caf\xe9 \x80\"") << DelimitedItem::Kind::Text
                                      << QString("Caf\u00e9 \u20ac") << 0.0;
        QTest::newRow("empty") << QByteArray(",") << DelimitedItem::Kind::Empty << "" << 0.0;
    }
    void itemKinds() {
        QFETCH(QByteArray, bytes);
        QFETCH(DelimitedItem::Kind, kind);
        DelimitedItemReader reader(bytes);
        const DelimitedItem item = reader.ReadItem();
        QCOMPARE(item.kind, kind);
        QTEST(item.text, "text");
        QTEST(item.number, "number");
    }

    void separatorsAndLines() {
        const QStringList expected{"*F*", "40", "A, B", "7", "", "x"};
        QCOMPARE(textsOf("\"*F*\",40,\"A, B\",7,,x\r\n"), expected);
        QCOMPARE(textsOf("\"*F*\"\r\n40\r\n\"A, B\"\r\n7,\r\nx"), expected);
        QCOMPARE(textsOf("\"*F*\"\n40,\"A, B\"\r7 \r\n\r\n x,"), expected);
        QCOMPARE(textsOf(" \r\n , "), QStringList({"", ""}));
        const QList<DelimitedItem> items = itemsOf("a\r\n\"multi\r\nline\"\r\nb");
        QCOMPARE(items.at(1).text, QString("multi\r\nline"));
        QCOMPARE(items.at(2).line, 4);
    }

    void malformedItems() {
        DelimitedItemReader unclosed("1,\"open");
        unclosed.ReadItem();
        QVERIFY_THROWS_EXCEPTION(KestrivoError, unclosed.ReadItem());
        DelimitedItemReader trailing("\"a\"b,1");
        QVERIFY_THROWS_EXCEPTION(KestrivoError, trailing.ReadItem());
        DelimitedItemReader past("1");
        past.ReadItem();
        try {
            past.ReadItem();
            QFAIL("read past the end");
        } catch (const KestrivoError& error) {
            QCOMPARE(error.number(), 62);
        }
    }

    void recordsOfAFile() {
        const QByteArray bytes = "junk,\"*H*\",\"unit 7\",12,7\r\n"
                                 "\"*F*\",40,\"A-Shift\",7\r\n"
                                 "\"*F*\",41,\"Kept, as typed\",\r\n"
                                 "\"*X*\",99\r\n"
                                 "\"*Q*\",90,\"Yes\",1\r\n"
                                 "\"*P*\",300\r\n\"*P*\",301\r\n"
                                 "\"*Q*\",91,#NULL#,#TRUE#\r\n"
                                 "\"*Q*\",92,\"No\",\"0\"\r\n"
                                 "\"*H*\",x,12,8\r\n\"*F*\",40,\"B\",8\r\n\"*P*\",302\r\n";
        const EvaluationFileContent content = EvaluationFileParser::parse(bytes);
        QCOMPARE(content.evaluations.size(), 2);
        const EvaluationFileContent::Evaluation& first = content.evaluations.first();
        QCOMPARE(first.templateKey, 12);
        QCOMPARE(first.evaluationGroupKey, 7);
        QCOMPARE(first.fields.size(), 2);
        QCOMPARE(first.fields.at(1).enteredValue.toString(), QString("Kept, as typed"));
        QCOMPARE(first.fields.at(1).templateFieldValueKey, 0);
        QCOMPARE(content.questions.size(), 3);
        QCOMPARE(first.lastQuestion - first.firstQuestion, 3);
        QCOMPARE(content.questions.at(0).tbcCheck, -1);
        QCOMPARE(content.questions.at(1).tbcCheck, -1);
        QVERIFY(content.questions.at(1).answer.isNull());
        QCOMPARE(content.questions.at(2).tbcCheck, 0);
        QCOMPARE(content.evaluations.at(1).evaluationGroupKey, 8);
        QCOMPARE(content.evaluations.at(1).lastQuestion - content.evaluations.at(1).firstQuestion, 0);
        // A pick-list entry belongs to the question read last, even one of an earlier evaluation.
        QCOMPARE(content.pickLists.size(), 3);
        QCOMPARE(content.pickLists.at(1).question, 0);
        QCOMPARE(content.pickLists.at(2).question, 2);
        QCOMPARE(content.rowCount(), 2 + 3 + 3 + 3);
    }

    void filesThatCannotBeImported_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("failure");
        QTest::newRow("empty") << QByteArray() << "5: The file holds no evaluation";
        QTest::newRow("blank lines") << QByteArray("\r\n\r\n") << "5: The file holds no evaluation";
        QTest::newRow("garbage") << QByteArray("\x00\xff\x13\x80,zz\x01\x02", 10) << "5: The file holds no evaluation";
        QTest::newRow("only unknown markers") << QByteArray("\"*Z*\",1,2") << "5: The file holds no evaluation";
        QTest::newRow("truncated") << QByteArray("\"*H*\",\"u\",12,7\r\n\"*F*\",40,\"A\"")
                                   << "62: Line 2: the file ends inside the \"*F*\" record";
        QTest::newRow("cut header") << QByteArray("\"*H*\",\"u\"") << "62: Line 1: the file ends inside";
        QTest::newRow("unbalanced quote")
            << QByteArray("\"*H*\",\"u,12,7\r\n") << "5: The double quote that opens an item on line 1";
        QTest::newRow("key not a number")
            << QByteArray("\"*H*\",\"u\",twelve,7") << "13: Line 1: the template key \"twelve\" is not a whole number";
        QTest::newRow("fractional key") << QByteArray("\"*H*\",\"u\",12,7.5") << "13: Line 1: the group value key";
        QTest::newRow("key too large") << QByteArray("\"*H*\",\"u\",99999999999,7") << "13: Line 1: the template key";
        QTest::newRow("empty key") << QByteArray("\"*H*\",\"u\",,7") << "13: Line 1: the template key";
        QTest::newRow("P before Q") << QByteArray("\"*H*\",\"u\",12,7\r\n\"*P*\",300\r\n\"*Q*\",90,\"Yes\",0")
                                    << "5: Line 2: a \"*P*\" record comes before any \"*Q*\" record.";
        QTest::newRow("F before H") << QByteArray("\"*F*\",40,\"A\",7\r\n\"*H*\",\"u\",12,7")
                                    << "5: Line 1: a \"*F*\" record comes before the \"*H*\" record";
        QTest::newRow("bad TBC") << QByteArray("\"*H*\",\"u\",12,7\r\n\"*Q*\",90,\"Yes\",maybe")
                                 << "13: Line 2: the TBC flag \"maybe\"";
        QTest::newRow("long answer") << QByteArray("\"*H*\",\"u\",12,7\r\n\"*Q*\",90,\"") + QByteArray(51, 'a') + "\",0"
                                     << "5: Line 2: the answer has 51 characters; at most 50 can be kept.";
        QTest::newRow("long value") << QByteArray("\"*H*\",\"u\",12,7\r\n\"*F*\",40,\"") + QByteArray(100000, 'v') +
                                           "\",0"
                                    << "5: Line 2: the entered value has 100000 characters";
    }
    void filesThatCannotBeImported() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, failure);
        const QString found = failureOf(bytes);
        QVERIFY2(found.startsWith(failure), qPrintable(found));
    }
};

QTEST_GUILESS_MAIN(tst_EvaluationFile)
#include "tst_evaluationfile.moc"
