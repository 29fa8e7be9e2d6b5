#include "BoundGrid.h"
#include "KestrivoError.h"
#include "ScriptedPrompter.h"
#include "TestDatabases.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

static GridColumn column(const char* caption, const char* name, bool visible, const QVariant& defaultValue,
                         int maxLength, GridColumn::Kind kind, const char* help = "") {
    GridColumn declared;
    declared.caption = QString::fromLatin1(caption);
    declared.column = QString::fromLatin1(name);
    declared.visible = visible;
    declared.defaultValue = defaultValue;
    declared.maxLength = maxLength;
    declared.kind = kind;
    declared.help = QString::fromLatin1(help);
    return declared;
}

// The grid over the answers of a question: hidden key and owner, a text, a hidden order.
static QList<GridColumn> answerColumns() {
    using Kind = GridColumn::Kind;
    return {
        column("TemplateAnswerKey", "TemplateAnswerKey", false, {}, 0, Kind::WholeNumber),
        column("TemplateQuestionKey", "TemplateQuestionKey", false, {}, 0, Kind::WholeNumber),
        column("Answer", "Answer", true, {}, 50, Kind::Text, "Enter answer"),
        column("Order", "Sequence", false, 99, 2, Kind::WholeNumber),
        column("Deleted", "Deleted", false, 0, 0, Kind::CheckBox),
    };
}

class tst_BoundGrid : public QObject {
    Q_OBJECT

    Database m_db;
    qint64 m_question = 0;

    void bindAnswers(BoundGrid& grid) {
        grid.bind(m_db, "SELECT * FROM TemplateAnswer WHERE Deleted=0 AND TemplateQuestionKey=? ORDER BY Answer",
                  {m_question});
    }
    QStringList stored() {
        QSqlQuery rows = m_db.query(
            "SELECT Answer, Sequence FROM TemplateAnswer WHERE TemplateQuestionKey=? ORDER BY TemplateAnswerKey",
            {m_question});
        QStringList result;
        while (rows.next())
            result << rows.value(0).toString() + '/' + rows.value(1).toString();
        return result;
    }

private Q_SLOTS:
    void init() {
        QFETCH_GLOBAL(QString, connection);
        m_db = Database::open(connection, QStringLiteral("grid"));
        const qint64 templateKey = m_db.insert("Template", {"Name"}, {"T"});
        m_question = m_db.insert("TemplateQuestion", {"TemplateKey", "Question"}, {templateKey, "Q"});
    }
    void cleanup() {
        m_db.close();
        QSqlDatabase::removeDatabase("grid");
    }
    void initTestCase_data() { TestDatabases::addEngineRows(); }

    // A row typed into the new row is inserted when left, with the hooks' values and its
    // key read back; an untouched row is never written.
    void newRowIsInsertedWhenLeft() {
        ScriptedPrompter prompter;
        BoundGrid grid("jgAnswer", "TemplateAnswer", answerColumns());
        QList<bool> afterWrites;
        grid.beforeWrite = [this](BoundGrid::RowWrite& row) {
            row.setValue("TemplateQuestionKey", m_question);
            if (row.value("Sequence").toInt() == 99)
                row.setValue("Sequence", row.position());
        };
        grid.afterWrite = [&](BoundGrid::RowWrite& row) { afterWrites << row.isNew; };
        bindAnswers(grid);
        QCOMPARE(grid.rowCount(), 1);
        QVERIFY(grid.isNewRowPlaceholder(0));
        QVERIFY(grid.setValue(0, "Answer", "Yes"));
        QCOMPARE(grid.rowCount(), 2); // a fresh new row follows the one typed into
        QVERIFY(grid.isPending(0));
        QVERIFY(grid.key(0).isNull());
        QVERIFY(grid.setCurrentRow(0));
        QVERIFY(grid.setCurrentRow(1));
        QCOMPARE(stored(), QStringList({"Yes/1"}));
        QVERIFY(!grid.key(0).isNull());
        QCOMPARE(grid.key(0).toLongLong(),
                 m_db.scalar("SELECT MAX(TemplateAnswerKey) FROM TemplateAnswer").toLongLong());
        QCOMPARE(afterWrites, QList<bool>({true}));

        // A change to a stored row is an update of that row; nothing else is written.
        QVERIFY(grid.setCurrentRow(0));
        QVERIFY(grid.setValue(0, "Answer", "Yes!"));
        QVERIFY(grid.commit());
        QCOMPARE(stored(), QStringList({"Yes!/1"}));
        QCOMPARE(afterWrites, QList<bool>({true, false}));
        QVERIFY(grid.commit());
        QCOMPARE(afterWrites.size(), 2);
        QCOMPARE(prompter.shown().size(), 0);
    }

    // A value the column refuses is reported, nothing is written, and the row stays current
    // with what was typed until it is mended.
    void refusedValuesKeepTheRowInEdit() {
        ScriptedPrompter prompter;
        BoundGrid grid("jgAnswer", "TemplateAnswer", answerColumns());
        grid.beforeWrite = [this](BoundGrid::RowWrite& row) { row.setValue("TemplateQuestionKey", m_question); };
        bindAnswers(grid);
        grid.setValue(0, "Answer", QString(51, 'x'));
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!grid.setCurrentRow(1));
        QCOMPARE(prompter.last().text, QString("Answer can hold at most 50 characters; it holds 51."));
        QCOMPARE(prompter.last().title, QString("Entry Error"));
        QCOMPARE(prompter.last().icon, PromptIcon::Critical);
        QCOMPARE(grid.currentRow(), 0);
        QCOMPARE(grid.value(0, "Answer").toString(), QString(51, 'x'));

        for (const char* order : {"", "1a", "-1", "100", " 5"}) {
            grid.setValue(0, "Answer", "ok");
            grid.setValue(0, "Sequence", QString::fromLatin1(order));
            prompter.answer(PromptAnswer::Ok);
            QVERIFY2(!grid.commit(), order);
            QCOMPARE(prompter.last().text,
                     QString("Order must be a whole number of at most 2 digits, not \"%1\".").arg(order));
        }
        QVERIFY(stored().isEmpty());
        grid.setValue(0, "Sequence", "7");
        QVERIFY(grid.setCurrentRow(1));
        QCOMPARE(stored(), QStringList({"ok/7"}));
    }

    // A failure inside the row's transaction leaves nothing written and no key on the row.
    void failedWriteWritesNothing() {
        ScriptedPrompter prompter;
        BoundGrid grid("jgAnswer", "TemplateAnswer", answerColumns());
        bool fail = true;
        grid.beforeWrite = [this](BoundGrid::RowWrite& row) { row.setValue("TemplateQuestionKey", m_question); };
        grid.afterWrite = [&](BoundGrid::RowWrite&) {
            if (fail)
                throw KestrivoError(ErrorNumber::Database, "disk full");
        };
        bindAnswers(grid);
        grid.setValue(0, "Answer", "A");
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!grid.commit());
        QVERIFY(prompter.last().text.endsWith("disk full"));
        QVERIFY(grid.key(0).isNull());
        QVERIFY(grid.isPending(0));
        QVERIFY(stored().isEmpty());
        fail = false;
        QVERIFY(grid.commit());
        QCOMPARE(stored(), QStringList({"A/99"}));

        // A key the database refuses (no such question) is a database error, not a crash.
        grid.beforeWrite = [](BoundGrid::RowWrite& row) { row.setValue("TemplateQuestionKey", 999999); };
        QVERIFY(grid.setCurrentRow(1));
        grid.setValue(1, "Answer", "B");
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!grid.commit());
        QCOMPARE(prompter.last().title, QString("Error"));
        QCOMPARE(stored(), QStringList({"A/99"}));

        // Escape gives the new row up.
        grid.cancelEdit();
        QCOMPARE(grid.dataRowCount(), 1);
        QVERIFY(grid.isNewRowPlaceholder(1));
    }

    // A row another PC deleted is reported when written, never inserted again or dropped silently.
    void rowDeletedElsewhereIsReported() {
        ScriptedPrompter prompter;
        const qint64 key =
            m_db.insert("TemplateAnswer", {"TemplateQuestionKey", "Answer", "Sequence"}, {m_question, "A", 1});
        BoundGrid grid("jgAnswer", "TemplateAnswer", answerColumns());
        bindAnswers(grid);
        grid.setValue(0, "Answer", "changed");
        m_db.execute("DELETE FROM TemplateAnswer WHERE TemplateAnswerKey=?", {key});
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!grid.commit());
        QCOMPARE(prompter.last().text, BoundGrid::RowGoneMessage);
        QCOMPARE(grid.dataRowCount(), 0);
        QVERIFY(stored().isEmpty());
    }

    // Two PCs editing the same row: each write stores that PC's whole row, never a mix of
    // both; a row the other PC deleted is reported on the PC that writes it.
    void twoPcsOnOneRow() {
        QFETCH_GLOBAL(QString, connection);
        ScriptedPrompter prompter;
        const qint64 key =
            m_db.insert("TemplateAnswer", {"TemplateQuestionKey", "Answer", "Sequence"}, {m_question, "A", 1});
        Database other = Database::open(connection, QStringLiteral("other-pc"));
        {
            BoundGrid mine("jgAnswer", "TemplateAnswer", answerColumns());
            BoundGrid theirs("jgAnswer", "TemplateAnswer", answerColumns());
            bindAnswers(mine);
            theirs.bind(other, "SELECT * FROM TemplateAnswer WHERE TemplateQuestionKey=?", {m_question});
            mine.setValue(0, "Answer", "mine");
            mine.setValue(0, "Sequence", "5");
            theirs.setValue(0, "Answer", "theirs");
            QVERIFY(mine.commit());
            QVERIFY(theirs.commit());
            QCOMPARE(stored(), QStringList({"theirs/1"}));

            other.execute("DELETE FROM TemplateAnswer WHERE TemplateAnswerKey=?", {key});
            mine.setValue(0, "Answer", "again");
            prompter.answer(PromptAnswer::Ok);
            QVERIFY(!mine.commit());
            QCOMPARE(prompter.last().text, BoundGrid::RowGoneMessage);
            QVERIFY(stored().isEmpty());
        }
        other.close();
        QSqlDatabase::removeDatabase("other-pc");
    }

    // Rows are shown in the order of the sort column, ties in the query's order.
    void sortColumnOrdersTheRows() {
        for (const auto& [answer, sequence] : {std::pair{"c", 1}, {"a", 2}, {"b", 1}})
            m_db.insert("TemplateAnswer", {"TemplateQuestionKey", "Answer", "Sequence"},
                        {m_question, answer, sequence});
        BoundGrid grid("jgAnswer", "TemplateAnswer", answerColumns());
        grid.setSortColumn("Sequence");
        bindAnswers(grid);
        QStringList shown;
        for (int row = 0; row < grid.dataRowCount(); ++row)
            shown << grid.value(row, "Answer").toString();
        QCOMPARE(shown, QStringList({"b", "c", "a"}));
    }

    // A layout rearranges the columns; any fault in the file leaves the built-in set-up.
    void layoutFiles() {
        QTemporaryDir folder;
        const auto write = [&](const QString& name, const QByteArray& content) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        };
        write("good.lyt", R"({"grid":"jgAnswer","columnHeaders":false,"sort":"Answer","columns":[
            {"column":"Answer","caption":"Reply","width":200},{"column":"Sequence","visible":true}]})");
        write("unknown.lyt", R"({"columns":[{"column":"Nonsense"}]})");
        write("broken.lyt", R"({"columns":[{"column":"Answer")");
        write("wrongtype.lyt", R"({"columns":[{"column":"Answer","visible":"yes"}]})");
        BoundGrid grid("jgAnswer", "TemplateAnswer", answerColumns());
        grid.setSortColumn("Sequence");

        QVERIFY(grid.applyLayout(folder.filePath("good.lyt")));
        QCOMPARE(grid.column(2).caption, QString("Reply"));
        QCOMPARE(grid.column(2).width, 200);
        QVERIFY(grid.column(3).visible);
        QCOMPARE(grid.displayOrder(), QList<int>({2, 3, 0, 1, 4}));
        QCOMPARE(grid.sortColumn(), QString("Answer"));
        QVERIFY(!grid.columnHeadersVisible());

        for (const char* bad : {"unknown.lyt", "broken.lyt", "wrongtype.lyt", "missing.lyt"}) {
            QVERIFY2(!grid.applyLayout(folder.filePath(bad)), bad);
            QCOMPARE(grid.column(2).caption, QString("Answer"));
            QVERIFY(!grid.column(3).visible);
            QCOMPARE(grid.displayOrder(), QList<int>({0, 1, 2, 3, 4}));
            QCOMPARE(grid.sortColumn(), QString("Sequence"));
            QVERIFY(grid.columnHeadersVisible());
        }
    }

    // Value lists show their text and store their value; check boxes store -1 and 0.
    void valueListsAndCheckBoxes() {
        using Kind = GridColumn::Kind;
        QList<GridColumn> columns = answerColumns();
        columns[2].kind = Kind::ValueList;
        columns[2].valueList = {{"Hand held only", "H"}, {"Both", "B"}};
        BoundGrid grid("jgAnswer", "TemplateAnswer", columns);
        grid.beforeWrite = [this](BoundGrid::RowWrite& row) { row.setValue("TemplateQuestionKey", m_question); };
        bindAnswers(grid);
        QVERIFY(grid.setData(grid.index(0, 2), "B"));
        QVERIFY(grid.setData(grid.index(0, 4), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(grid.data(grid.index(0, 2)).toString(), QString("Both"));
        QCOMPARE(grid.data(grid.index(0, 2), Qt::EditRole).toString(), QString("B"));
        QCOMPARE(grid.data(grid.index(0, 4), Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QVERIFY(grid.commit());
        QCOMPARE(m_db.scalar("SELECT Deleted FROM TemplateAnswer WHERE TemplateQuestionKey=?", {m_question}).toInt(),
                 -1);
        ScriptedPrompter prompter;
        grid.setData(grid.index(0, 2), "X");
        prompter.answer(PromptAnswer::Ok);
        QVERIFY(!grid.commit());
        QCOMPARE(prompter.last().text, QString("Answer must be one of: Hand held only, Both."));
    }
};

QTEST_GUILESS_MAIN(tst_BoundGrid)
#include "tst_boundgrid.moc"
