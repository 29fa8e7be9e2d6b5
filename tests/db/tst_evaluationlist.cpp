#include "Database.h"
#include "EvaluationFixture.h"
#include "EvaluationListModel.h"
#include "TestDatabases.h"
#include "TextCollation.h"
#include "TextOrder.h"

#include <QRandomGenerator>
#include <QTest>
#include <algorithm>

// The lists of evaluations sorted by the engine: the same order as the program's own
// alphabetical order on both engines, and lines read a page at a time.
class tst_EvaluationList : public QObject {
    Q_OBJECT

    static int sign(int value) { return (value > 0) - (value < 0); }

    // Names that sort differently by case, by punctuation below and above the letters, by
    // letters outside ASCII and by length, each twice in places so that keys break ties.
    static QStringList awkwardNames() {
        return {"apple",  "Apple", "APPLE", "apple", "_under", "a_b",    "aB",         "ab", "a",  "A",      "Zoë's",
                "zoë",    "ZOË",   "ëa",    "Ëb",    "Éclair", "eclair", "b.part.two", "B",  "[x", "x]",     "Zebra",
                "zebra~", "10",    "9",     "",      "ß",      "SS",     "ss",         "Ω",  "ω",  "Straße", "STRASSE"};
    }

    // The template Audit with a group field of one value, North: its key and the group's.
    static std::pair<qint64, qint64> auditNorth(EvaluationFixture& build) {
        const qint64 audit = build.addTemplate("Audit");
        return {audit, build.valueKey(build.addGroupField(audit, {"North"}), "North")};
    }

private Q_SLOTS:
    // The SQLite collation compares as TextOrder does, on text of every kind.
    void collationIsTextOrder() {
        QStringList alphabet = QStringLiteral("a A b B z Z _ - . 0 9 ~ [ ] é É ë Ë ß ẞ σ ς Σ Ω ω \u212A").split(' ');
        alphabet << " " << QString::fromUtf8("😀") << QString::fromUtf8("\uFF21");
        QRandomGenerator random(26);
        const auto word = [&] {
            QString text;
            for (int length = random.bounded(6); length > 0; --length)
                text += alphabet.at(random.bounded(int(alphabet.size())));
            return text;
        };
        for (int i = 0; i < 20000; ++i) {
            const QString a = word();
            const QString b = i % 5 == 0 ? a.toUpper() : word();
            const QByteArray x = a.toUtf8();
            const QByteArray y = b.toUtf8();
            QVERIFY2(sign(TextCollation::compareUtf8(int(x.size()), x.constData(), int(y.size()), y.constData())) ==
                         sign(TextOrder::compare(a, b)),
                     qPrintable(a + " / " + b));
        }
    }

    // Sorted by the engine as the program sorted the list itself: by name, then by key.
    void enginesSortAsTextOrder_data() { TestDatabases::addEngines(); }
    void enginesSortAsTextOrder() {
        QFETCH(DatabaseEngine, engine);
        Database db = Database::open(TestDatabases::freshConnectionString(engine), "list");
        EvaluationFixture build(db);
        const auto [audit, group] = auditNorth(build);
        QStringList names = awkwardNames();
        std::shuffle(names.begin(), names.end(), std::mt19937(7));
        QList<std::pair<QString, qint64>> expected;
        for (const QString& name : names)
            expected.append({name, build.addEvaluation(audit, group, name, {}, {})});
        TextOrder::sort(expected, [](const std::pair<QString, qint64>& entry) { return entry.first; });

        QSqlQuery rows = db.query("SELECT FileName, EvaluationKey FROM Evaluation ORDER BY " +
                                  TextCollation::orderBy(db, "FileName") + ", EvaluationKey");
        QList<std::pair<QString, qint64>> sorted;
        while (rows.next())
            sorted.append({rows.value(0).toString(), rows.value(1).toLongLong()});
        QCOMPARE(sorted, expected);
        db.close();
    }

    // More lines than one page and more pages than are kept: every line is the one of its
    // key, read again after its page was let go; the heading stays first.
    void linesByPage_data() { TestDatabases::addEngines(); }
    void linesByPage() {
        QFETCH(DatabaseEngine, engine);
        Database db = Database::open(TestDatabases::freshConnectionString(engine), "list");
        EvaluationFixture build(db);
        const auto [audit, group] = auditNorth(build);
        QHash<qint64, QString> names;
        {
            Transaction transaction(db);
            for (int i = 0; i < 230; ++i) {
                const QString name = QStringLiteral("E%1.evl").arg(229 - i, 3, 10, QLatin1Char('0'));
                names.insert(build.addEvaluation(audit, group, name, {}, {}), name);
            }
            transaction.commit();
        }
        const qint64 removed = names.key("E100.evl");

        EvaluationListModel list([](const QVariant& fileName, const QVariant&) { return fileName.toString(); });
        list.setPaging(25, 3);
        list.setHeading("Name");
        list.reset(db, "SELECT EvaluationKey FROM Evaluation ORDER BY FileName", {});
        QCOMPARE(list.size(), 231);
        QCOMPARE(list.pagesHeld(), 0);
        QCOMPARE(list.at(0).text, QString("Name"));
        QCOMPARE(list.key(0), 0);
        db.execute("DELETE FROM Evaluation WHERE EvaluationKey=?", {removed});
        for (int pass = 0; pass < 2; ++pass) {
            for (int step = 1; step < list.size(); ++step) {
                const int row = pass == 0 ? step : list.size() - step; // down, then up
                const qint64 key = list.key(row);
                QCOMPARE(names.value(key), QStringLiteral("E%1.evl").arg(row - 1, 3, 10, QLatin1Char('0')));
                QCOMPARE(list.text(row), key == removed ? QString() : names.value(key));
                QCOMPARE(list.index(row).data(Qt::UserRole).toLongLong(), key);
                QVERIFY(list.pagesHeld() <= 3);
            }
        }
        QCOMPARE(list.rowOfKey(names.key("E229.evl")), 230);
        QCOMPARE(list.rowOfKey(-5), -1);
        QCOMPARE(list.keys().size(), 230);
        db.close();
    }

    // A typed prefix finds the first line from the current one that starts with it, whether
    // that line's page was read or not, and goes round to the top only when asked; an
    // evaluation the list leaves out is never found.
    void typedSearch_data() { TestDatabases::addEngines(); }
    void typedSearch() {
        QFETCH(DatabaseEngine, engine);
        Database db = Database::open(TestDatabases::freshConnectionString(engine), "list");
        EvaluationFixture build(db);
        const auto [audit, group] = auditNorth(build);
        {
            Transaction transaction(db);
            for (const char* stem : {"alder", "birch", "cedar"})
                for (int i = 0; i < 60; ++i)
                    build.addEvaluation(audit, group,
                                        QStringLiteral("%1%2.evl").arg(stem).arg(i, 2, 10, QLatin1Char('0')), {}, {});
            build.addEvaluation(audit, group, "Birds.evl", {}, {}); // left out of the list below
            build.addEvaluation(audit, group, "Élan.evl", {}, {});  // last by its bytes
            transaction.commit();
        }
        EvaluationListModel list([](const QVariant& fileName, const QVariant&) {
            return fileName.toString().section('.', 0, 0).toUpper().leftJustified(12) + "01/02/03";
        });
        list.setPaging(10, 2);
        list.setHeading("NAME");
        list.reset(db, "SELECT EvaluationKey FROM Evaluation WHERE FileName <> 'Birds.evl' ORDER BY FileName", {});
        const auto found = [&list](const QString& text, int from, Qt::MatchFlags flags = Qt::MatchStartsWith) {
            const QModelIndexList rows = list.match(list.index(from), Qt::DisplayRole, text, 1, flags);
            return rows.isEmpty() ? -1 : rows.first().row();
        };
        QCOMPARE(found("b", 1), 61);
        QCOMPARE(found("CEDAR4", 1), 121 + 40);
        QCOMPARE(found("birch0", 71), -1);
        QCOMPARE(found("birch0", 71, Qt::MatchStartsWith | Qt::MatchWrap), 61);
        QCOMPARE(found("birds", 0, Qt::MatchStartsWith | Qt::MatchWrap), -1);
        QCOMPARE(found("na", 100, Qt::MatchStartsWith | Qt::MatchWrap), 0);
        QCOMPARE(found("alder59 ", 3), 60);
        QCOMPARE(found("él", 1), 181);
        QCOMPARE(found("alder59 0", 3), -1); // the line goes on with spaces, not a date
        QVERIFY(list.pagesHeld() <= 2);
        // Anything but a typed prefix is the base model's search.
        QCOMPARE(list.match(list.index(0), Qt::DisplayRole, "CEDAR05", 1, Qt::MatchContains).first().row(), 126);
        db.close();
    }
};

QTEST_GUILESS_MAIN(tst_EvaluationList)
#include "tst_evaluationlist.moc"
