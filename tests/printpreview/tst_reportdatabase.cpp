#include "ControlErrorRoutine.h"
#include "ControlMessages.h"
#include "KestrivoError.h"
#include "RecordingPrinter.h"
#include "ReportDatabase.h"
#include "ReportSession.h"
#include "ScriptedPrompter.h"
#include "SharedControlState.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <stdexcept>

namespace {

QString connectionTo(const QString& file) {
    return QStringLiteral("Provider=SQLite;Data Source=") + file + QStringLiteral(";Persist Security Info=False");
}

// Reads through the library's own connection, which sees the rows it has not committed yet.
QStringList rows(const QString& sql, const QVariantList& values = {}) {
    ReportDatabase::shared().ensureOpen();
    QSqlQuery query = ReportDatabase::shared().select(sql, values);
    QStringList result;
    while (query.next()) {
        QStringList cells;
        for (int i = 0; i < query.record().count(); ++i)
            cells << (query.value(i).isNull() ? QStringLiteral("NULL") : query.value(i).toString());
        result << cells.join('|');
    }
    return result;
}

int detailCount(qint32 key) {
    ReportDatabase::shared().ensureOpen();
    return ReportDatabase::shared()
        .scalar(QStringLiteral("SELECT COUNT(*) FROM ReportDetail WHERE ReportKey=?"), {key})
        .toInt();
}

} // namespace

class tst_ReportDatabase : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<RecordingPrinter> m_printer;
    QList<qint32> m_previewed;

    QString reportFile() const { return m_dir->filePath(QStringLiteral("data/Report.db")); }
    std::unique_ptr<ReportSession> newSession() {
        return std::make_unique<ReportSession>([this](qint32 key) { m_previewed << key; },
                                               [this]() -> PrinterTarget& { return *m_printer; });
    }
    void expectBox(const QString& title) {
        QCOMPARE(m_prompter->pending(), 0);
        QVERIFY2(!m_prompter->shown().isEmpty(), qPrintable(title));
        QCOMPARE(m_prompter->last().title, title);
        m_prompter->clear();
    }

private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_prompter = std::make_unique<ScriptedPrompter>();
        ControlMessages::setPrompter(m_prompter.get());
        SharedControlState::instance().setConnectionString(connectionTo(reportFile()));
        m_previewed.clear();
        m_printer = std::make_unique<RecordingPrinter>();
    }
    void cleanup() {
        ControlMessages::setPrompter(nullptr);
        m_prompter.reset();
        m_dir.reset();
    }

    // Must run before any report has been started in this process.
    void deletingBeforeAnyStartReachesTheHost() {
        auto session = newSession();
        QVERIFY_THROWS_EXCEPTION(KestrivoError, session->ppKillDetail(1));
    }

    void theDatabaseHasEveryColumnInOrder() {
        auto session = newSession();
        QVERIFY(session->ppReportStart(false, false) > 0);
        QCOMPARE(rows("SELECT name, type, dflt_value FROM pragma_table_info('Report')"),
                 QStringList({"ReportKey|INTEGER|NULL", "Created|DATETIME|datetime('now', 'localtime')"}));
        QCOMPARE(rows("SELECT name, type, dflt_value FROM pragma_table_info('ReportDetail')"),
                 QStringList({"ReportDetailKey|INTEGER|NULL",
                              "ReportKey|INTEGER|NULL",
                              "ReportPage|INTEGER|0",
                              "Orientation|INTEGER|0",
                              "DetailType|INTEGER|0",
                              "X1|FLOAT|0",
                              "Y1|FLOAT|0",
                              "W1|FLOAT|0",
                              "H1|FLOAT|0",
                              "X2|FLOAT|0",
                              "Y2|FLOAT|0",
                              "W2|FLOAT|0",
                              "H2|FLOAT|0",
                              "OpCode|INTEGER|0",
                              "DetailData|VARCHAR(255)|NULL",
                              "ForeColor|INTEGER|-2147483640",
                              "FontName|VARCHAR(50)|NULL",
                              "FontSize|FLOAT|0",
                              "FontBold|BOOLEAN|0",
                              "FontItalic|BOOLEAN|0",
                              "FontStrikethru|BOOLEAN|0",
                              "FontUnderline|BOOLEAN|0",
                              "PictureImage|VARCHAR(255)|NULL",
                              "OfPage|BOOLEAN|0",
                              "OfPage2Cnt|INTEGER|0",
                              "DrawWidth|INTEGER|0",
                              "DrawStyle|INTEGER|0"}));
        QCOMPARE(rows("SELECT name, \"unique\" FROM pragma_index_list('ReportDetail')"),
                 QStringList({"I_ReportKey|0"}));
        QCOMPARE(rows("SELECT name FROM pragma_index_info('I_ReportKey')"), QStringList({"ReportKey", "ReportPage"}));
        QCOMPARE(rows("SELECT \"table\", \"from\", \"to\", on_update, on_delete FROM "
                      "pragma_foreign_key_list('ReportDetail')"),
                 QStringList({"Report|ReportKey|ReportKey|CASCADE|CASCADE"}));
        const QString created = rows("SELECT Created FROM Report").value(0);
        QVERIFY2(QDateTime::fromString(created, "yyyy-MM-dd HH:mm:ss").secsTo(QDateTime::currentDateTime()) < 60,
                 qPrintable(created));
    }

    void printDataIsConvertedAndMovesDown_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("stored");
        QTest::newRow("null") << QVariant() << "";
        QTest::newRow("empty") << QVariant(QString()) << "";
        QTest::newRow("number text with blanks") << QVariant(" 42 ") << "42";
        QTest::newRow("decimal text keeps blanks") << QVariant(" 4.2 ") << " 4.2 ";
        QTest::newRow("words keep blanks") << QVariant(" Total: ") << " Total: ";
        QTest::newRow("whole number") << QVariant(7) << "7";
        QTest::newRow("negative number") << QVariant(-15) << "-15";
        QTest::newRow("fraction") << QVariant(2.5) << "2.5";
        QTest::newRow("boolean") << QVariant(true) << "True";
    }
    void printDataIsConvertedAndMovesDown() {
        QFETCH(QVariant, value);
        QFETCH(QString, stored);
        auto session = newSession();
        const qint32 key = session->ppReportStart(false, false);
        qint16 yPos = 1000;
        session->ppReport_PrintData(key, yPos, 500, value, 1, 1, false, 10, 250, "Arial", false, 0, qint32(0x80000008u),
                                    false, false, false);
        QCOMPARE(yPos, qint16(1250));
        QCOMPARE(rows("SELECT DetailData FROM ReportDetail"), stored.isEmpty() ? QStringList() : QStringList{stored});
    }

    void eachKindFillsItsOwnColumns() {
        auto session = newSession();
        const qint32 key = session->ppReportStart(false, false);
        qint16 yPos = 2000;
        session->ppReport_PrintData(key, yPos, 720, "Name", 3, 2, true, 12, 300, "Courier New", true, 9, 0x0000FF, true,
                                    true, true);
        session->ppReport_Line(key, 10, 20, 30, 40, 3, 2, 3, 1, 0x00FF00);
        session->ppReport_PaintPicture(key, "/pictures/logo.png", 100.5f, 200, 4, 100, 50, 1, 7, 8, 20, 10, 99);
        // A box drawn from its lower right corner is kept by its top-left corner and size.
        session->ppReport_Box(key, 3000, 2500, -1000, -400, 4, 2, 0x00009FE6, 5, 2);
        const QString columns = "ReportKey, ReportPage, Orientation, DetailType, X1, Y1, W1, H1, X2, Y2, W2, H2, "
                                "OpCode, DetailData, ForeColor, FontName, FontSize, FontBold, FontItalic, "
                                "FontStrikethru, FontUnderline, PictureImage, OfPage, OfPage2Cnt, DrawWidth, DrawStyle";
        QCOMPARE(
            rows("SELECT " + columns + " FROM ReportDetail ORDER BY ReportDetailKey"),
            QStringList(
                {QString("%1|3|2|0|720|2000|0|0|0|0|0|0|0|Name|255|Courier New|12|-1|-1|-1|-1|NULL|-1|9|0|0").arg(key),
                 QString("%1|3|2|1|10|20|0|0|30|40|0|0|0|NULL|65280|NULL|0|0|0|0|0|NULL|0|0|3|1").arg(key),
                 QString("%1|4|1|2|100.5|200|1500|750|7|8|300|150|99|NULL|-2147483640|NULL|0|0|0|0|0|"
                         "/pictures/logo.png|0|0|0|0")
                     .arg(key),
                 QString("%1|4|2|3|2000|2100|1000|400|0|0|0|0|0|NULL|40934|NULL|0|0|0|0|0|NULL|0|0|2|5").arg(key)}));
    }

    void keyZeroRecordsNothing() {
        auto session = newSession();
        QVERIFY(session->ppReportStart(false, false) > 0);
        qint16 yPos = 100;
        session->ppReport_PrintData(0, yPos, 0, "lost", 1, 1, false, 10, 300, "Arial", false, 0, 0, false, false,
                                    false);
        session->ppReport_Line(0, 0, 0, 10, 10, 1, 1, 1, 0, 0);
        session->ppReport_PaintPicture(0, "x.png", 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0);
        session->ppReport_Box(0, 0, 0, 10, 10, 1, 1, 0, 0, 1);
        QCOMPARE(yPos, qint16(100));
        QCOMPARE(rows("SELECT COUNT(*) FROM ReportDetail"), QStringList({"0"}));
    }

    void overlongValuesAreRefusedWithoutLosingEarlierRows() {
        auto session = newSession();
        const qint32 key = session->ppReportStart(false, false);
        qint16 yPos = 0;
        const auto print = [&](const QString& text, const QString& font) {
            session->ppReport_PrintData(key, yPos, 0, text, 1, 1, false, 10, 300, font, false, 0, 0, false, false,
                                        false);
        };
        print(QString(255, 'x'), QString(50, 'f'));
        try {
            print(QString(256, 'x'), "Arial");
            QFAIL("a text of 256 characters was recorded");
        } catch (const KestrivoError& error) {
            QCOMPARE(error.description(), QString("The text to print is longer than 255 characters."));
        }
        QVERIFY_THROWS_EXCEPTION(KestrivoError, print("short", QString(51, 'f')));
        QVERIFY_THROWS_EXCEPTION(
            KestrivoError, session->ppReport_PaintPicture(key, QString(256, 'p'), 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0));
        QCOMPARE(detailCount(key), 1);
    }

    void yPosOverflowIsAnErrorNotAWrap() {
        auto session = newSession();
        const qint32 key = session->ppReportStart(false, false);
        qint16 yPos = 32600;
        try {
            session->ppReport_PrintData(key, yPos, 0, "last line", 1, 1, false, 10, 300, "Arial", false, 0, 0, false,
                                        false, false);
            QFAIL("the position wrapped around");
        } catch (const KestrivoError& error) {
            QCOMPARE(error.number(), 6);
        }
        QCOMPARE(yPos, qint16(32600));
        QCOMPARE(detailCount(key), 1);
    }

    void firstStartOfAnInstanceReplacesTheDatabase() {
        auto first = newSession();
        const qint32 kept = first->ppReportStart(false, true);
        first->ppReport_Line(kept, 0, 0, 10, 10, 1, 1, 1, 0, 0);
        first.reset(); // started with skipDelete: the report stays
        QCOMPARE(rows("SELECT COUNT(*) FROM ReportDetail"), QStringList({"1"}));
        ReportDatabase::shared().close();

        auto second = newSession();
        const qint32 one = second->ppReportStart(false, false);
        QCOMPARE(rows("SELECT COUNT(*) FROM Report"), QStringList({"1"}));
        second->ppReport_Line(one, 0, 0, 10, 10, 1, 1, 1, 0, 0);
        const qint32 two = second->ppReportStart(false, false);
        QVERIFY(two != one);
        QCOMPARE(detailCount(one), 1);
        second.reset(); // deletes only the report it started last
        QVERIFY(!ReportDatabase::shared().isOpen());
        QVERIFY(QFile::exists(reportFile()));
    }

    void twoInstancesShareTheDatabase() {
        auto a = newSession();
        const qint32 keyA = a->ppReportStart(false, false);
        a->ppReport_Line(keyA, 0, 0, 10, 10, 1, 1, 1, 0, 0);

        // The second instance's first start finds the database in use and goes on with it.
        m_prompter->answer(PromptAnswer::Ok);
        auto b = newSession();
        const qint32 keyB = b->ppReportStart(false, false);
        expectBox("Error: ppCreateDatabase");
        QVERIFY(keyB > keyA);
        b->ppReport_Line(keyB, 0, 0, 10, 10, 1, 1, 1, 0, 0);
        QCOMPARE(detailCount(keyA), 1);

        b.reset();
        QVERIFY(!ReportDatabase::shared().isOpen());
        // The survivor goes on: its report is there, and recording opens the database again.
        a->ppReport_Line(keyA, 5, 5, 10, 10, 1, 1, 1, 0, 0);
        QCOMPARE(detailCount(keyA), 2);
        QCOMPARE(detailCount(keyB), 0);
        qint32 key = keyA;
        a->ppPrint(key, false);
        QCOMPARE(m_printer->jobs().size(), 1);
        a.reset();
        QCOMPARE(rows("SELECT COUNT(*) FROM Report"), QStringList({"0"}));
        ReportDatabase::shared().close();
    }

    // A report of more rows than one deleting statement takes goes whole; the rows of another
    // report recorded between its rows stay.
    void killingARemovesItsRows() {
        auto session = newSession();
        const qint32 key = session->ppReportStart(false, false);
        const qint32 other = session->ppReportStart(false, false);
        for (int row = 0; row < 45001; ++row) {
            session->ppReport_Line(key, 0, 0, 10, 10, 1 + row / 50, 1, 1, 0, 0);
            if (row % 20000 == 0)
                session->ppReport_Line(other, 0, 0, 10, 10, 1, 1, 1, 0, 0);
        }
        QCOMPARE(detailCount(key), 45001);
        session->ppKillDetail(key);
        QCOMPARE(detailCount(key), 0);
        QCOMPARE(detailCount(other), 3);
        QCOMPARE(rows("SELECT ReportKey FROM Report"), QStringList({QString::number(other)}));
    }

    void printingChecksForRowsAndPreviews() {
        auto session = newSession();
        qint32 key = session->ppReportStart(false, false);
        m_prompter->answer(PromptAnswer::Ok);
        session->ppPrint(key, true);
        QCOMPARE(key, 0);
        expectBox("Print Error");

        key = session->ppReportStart(true, false);
        session->ppPrint(key, false); // silent: nothing shown
        QCOMPARE(key, 0);

        key = session->ppReportStart(false, false);
        qint16 y = 0;
        session->ppReport_PrintData(key, y, 0, "Hello", 1, 1, false, 10, 300, "Arial", false, 0, 0, false, false,
                                    false);
        session->ppPrint(key, true);
        QCOMPARE(m_previewed, QList<qint32>({key}));
        session->ppPrint(key, false);
        QCOMPARE(m_printer->summary(), QString("Hello"));
    }

    void aMissingDatabaseIsMadeWithItsFolder() {
        SharedControlState::instance().setConnectionString(connectionTo(m_dir->filePath("new/deeper/Report.db")));
        auto session = newSession();
        QVERIFY(session->ppReportStart(false, false) > 0);
        QVERIFY(QFile::exists(m_dir->filePath("new/deeper/Report.db")));
    }

    void anUnusableFolderGivesKeyZeroAndHarmlessCalls() {
        QFile blocker(m_dir->filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        SharedControlState::instance().setConnectionString(connectionTo(m_dir->filePath("blocker/Report.db")));
        auto session = newSession();
        m_prompter->answer(PromptAnswer::Ok).answer(PromptAnswer::Ok);
        const qint32 key = session->ppReportStart(false, false);
        QCOMPARE(key, 0);
        QCOMPARE(m_prompter->shown().size(), 2);
        QCOMPARE(m_prompter->shown().at(0).title, QString("Error: ppCreateDatabase"));
        QCOMPARE(m_prompter->shown().at(1).title, QString("Error: ppReportStart"));
        m_prompter->clear();
        qint16 y = 0;
        session->ppReport_PrintData(key, y, 0, "x", 1, 1, false, 10, 300, "Arial", false, 0, 0, false, false, false);
        qint32 printed = key;
        m_prompter->answer(PromptAnswer::Ok);
        session->ppPrint(printed, false);
        expectBox("Print Error");
        QCOMPARE(m_prompter->shown().size(), 0);
    }

    void theErrorLogLiesBesideTheDatabase() {
        SharedControlState::instance().setConnectionString(connectionTo(m_dir->filePath("missing/none/x")));
        auto first = newSession(); // the report folder follows the string held when an instance is made
        SharedControlState::instance().setConnectionString(connectionTo(m_dir->filePath("blocker/Report.db")));
        QFile blocker(m_dir->filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        m_prompter->answer(PromptAnswer::Ok);
        QVERIFY(first->ppCreateDatabase());
        QCOMPARE(m_prompter->last().title, QString("Error: ppCreateDatabase"));
        QCOMPARE(ControlErrorRoutine::logFile(), m_dir->filePath("missing/none/ErrorLog.txt"));

        auto second = newSession();
        QCOMPARE(ControlErrorRoutine::logFile(), m_dir->filePath("blocker/ErrorLog.txt"));
        QDir().mkpath(m_dir->filePath("logs"));
        SharedControlState::instance().setConnectionString(connectionTo(m_dir->filePath("logs/Report.db")));
        auto third = newSession();
        m_prompter->answer(PromptAnswer::Ok);
        ControlErrorRoutine::report(KestrivoError(-2147467259, "Disk full", "SQLite"), "ppReportStart");
        QFile log(m_dir->filePath("logs/ErrorLog.txt"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QVERIFY2(QRegularExpression("^User: Date:\\d\\d/\\d\\d/\\d{4} @ \\d\\d:\\d\\d\r\n"
                                    "Error=-2147467259  - Error # -2147467259 was generated by SQLite\r\n"
                                    "Disk full\r\n"
                                    "ppReportStart \r\n$")
                     .match(text)
                     .hasMatch(),
                 qPrintable(text));
        QCOMPARE(m_prompter->last().text, QString("Disk full"));
        QCOMPARE(m_prompter->last().title, QString("Error: ppReportStart"));
    }

    // The control's guard stops whatever a handler throws, not only the exceptions it knows:
    // each failure gets its box titled after the procedure and its record in the log.
    void guardStopsEveryFailure() {
        QDir().mkpath(m_dir->filePath("data"));
        auto session = newSession();
        m_prompter->answer(PromptAnswer::Ok).answer(PromptAnswer::Ok);
        QVERIFY(ControlErrorRoutine::guard("ppPrint", [] {}));
        QVERIFY(!ControlErrorRoutine::guard("ppPrint", [] { throw std::runtime_error("no paper"); }));
        QCOMPARE(m_prompter->last().text, QString("no paper"));
        QVERIFY(!ControlErrorRoutine::guard("ppPrint", [] { throw 42; }));
        QCOMPARE(m_prompter->last().text, QString("Unknown failure"));
        QCOMPARE(m_prompter->last().title, QString("Error: ppPrint"));
        QFile log(ControlErrorRoutine::logFile());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QCOMPARE(text.count("was generated by TrelkPrintPreview"), 2);
        QVERIFY2(text.contains("Unknown failure\r\nppPrint \r\n"), qPrintable(text));
    }

    void withoutDataSourceTheLogGoesToTheCurrentFolder() {
        const QString previous = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        SharedControlState::instance().setConnectionString("Provider=SQLite;Persist Security Info=False");
        {
            auto session = newSession();
            QCOMPARE(SharedControlState::instance().reportFolder(), QString());
            QCOMPARE(session->ppReportStart(true, false), 0); // silent: logged, not shown
        }
        QDir::setCurrent(previous);
        QFile log(m_dir->filePath("ErrorLog.txt"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QVERIFY(text.contains("ppCreateDatabase \r\n"));
        QVERIFY(text.contains("ppReportStart \r\n"));
        QVERIFY(text.contains("names no report database"));
        QVERIFY(m_prompter->shown().isEmpty());
    }

    void anEmptyConnectionStringGetsTheDefault() {
        SharedControlState::instance().setConnectionString(QString());
        auto session = newSession();
        QCOMPARE(ReportSession::connectionString(), SharedControlState::defaultConnectionString());
        QVERIFY(SharedControlState::instance().reportFolder().endsWith("/Trelk Consulting/PrintPreview/Data/"));
    }
};

QTEST_MAIN(tst_ReportDatabase)
#include "tst_reportdatabase.moc"
