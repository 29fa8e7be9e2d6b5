#include "AddColumnField.h"
#include "EvaluationExport.h"
#include "ReportLists.h"
#include "ReportParameters.h"
#include "ReportTestbed.h"
#include "TestDatabases.h"
#include "TextOrder.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

// The report window's rules, driven through its logic as the window drives it: the lists
// for each filter, the date fields, the column fields, the checks before a report is
// handed over, and the CSV export.
class tst_ReportParameters : public QObject {
    Q_OBJECT

    std::unique_ptr<ReportTestbed> m_bed;
    std::unique_ptr<ReportParameters> m_window;
    QList<ReportRequest> m_handed;
    qint64 m_audit = 0;
    qint64 m_auditGroups = 0;
    qint64 m_check = 0;
    qint64 m_inspector = 0;

    EvaluationFixture& build() { return m_bed->build(); }
    ReportParameters& window() { return *m_window; }
    ScriptedPrompter& prompter() { return m_bed->prompter(); }

    qint64 evaluation(qint64 templateKey, qint64 groupField, const QString& group, const QString& file,
                      const QDateTime& downloaded, const QList<std::pair<qint64, QString>>& fields = {}) {
        const qint64 key = build().addEvaluation(templateKey, build().valueKey(groupField, group), file, fields, {});
        build().setDownloaded(key, downloaded);
        return key;
    }
    QStringList fileNames() const {
        QStringList names;
        for (const auto& entry : m_window->files())
            names << entry.text.left(19).trimmed();
        return names;
    }
    template <typename List> QStringList texts(const List& entries) const {
        QStringList list;
        for (const auto& entry : entries)
            list << entry.text;
        return list;
    }
    template <typename List> int indexOf(const List& entries, const QString& text) const {
        for (int i = 0; i < entries.size(); ++i)
            if (entries.at(i).text == text || entries.at(i).text.startsWith(text + ' '))
                return i;
        return -1;
    }
    int report(const QString& name) const {
        for (int i = 0; i < m_window->reports().size(); ++i)
            if (m_window->reports().at(i).name == name)
                return i;
        return -1;
    }
    void press(const QString& caption, const QString& text, const QString& title, PromptIcon icon) {
        prompter().answer(PromptAnswer::Ok);
        window().ToolbarButtonClick(caption);
        QCOMPARE(prompter().last().text, text);
        QCOMPARE(prompter().last().title, title);
        QCOMPARE(prompter().last().icon, icon);
    }

private Q_SLOTS:
    void initTestCase_data() { TestDatabases::addEngines(); }
    void init() {
        QFETCH_GLOBAL(DatabaseEngine, engine);
        m_bed = std::make_unique<ReportTestbed>(engine);
        m_audit = build().addTemplate("Audit");
        m_auditGroups = build().addGroupField(m_audit, {"North", "South"});
        m_inspector = build().addField(m_audit, {"Inspector", 0, {}, 3});
        build().addField(m_audit, {"Area", 0, {}, 2});
        build().markDeleted("TemplateField", build().addField(m_audit, {"Gone", 0, {}, 4}));
        m_check = build().addTemplate("Check");
        const qint64 checkGroups = build().addGroupField(m_check, {"East"});
        evaluation(m_audit, m_auditGroups, "North", "N-b.evl", QDateTime(QDate(2024, 1, 10), QTime(9, 0)));
        evaluation(m_audit, m_auditGroups, "North", "N-a.evl", QDateTime(QDate(2024, 1, 12), QTime(23, 30)));
        evaluation(m_audit, m_auditGroups, "South", "S-a.evl", QDateTime(QDate(2024, 2, 1), QTime(8, 0)));
        evaluation(m_check, checkGroups, "East", "An-evaluation-file-name-without-a-point",
                   QDateTime(QDate(2023, 12, 31), QTime(12, 0)));
        m_handed.clear();
        ReportParameters::Windows windows;
        windows.addColumnField = [this](qint64 templateKey, qint64 reportKey) {
            AddColumnField dialog(m_bed->db(), templateKey, reportKey);
            dialog.activate();
            dialog.add(0);
            return dialog.Cancelled();
        };
        windows.showGenerator = [this](const ReportRequest& request) { m_handed << request; };
        m_window = std::make_unique<ReportParameters>(m_bed->db(), windows);
        window().open();
    }
    void cleanup() {
        m_window.reset();
        m_bed.reset();
    }

    // "All Templates" lists every template's evaluations between the dates, by group name,
    // group key and file name, in 30-character lines; a template lists only its own, and
    // the chosen groups narrow it.
    void listsForEachFilter() {
        QCOMPARE(texts(window().templates()), QStringList({"All Templates", "Audit", "Check"}));
        QCOMPARE(texts(window().groups()), QStringList({"All Groups"}));
        QCOMPARE(window().groupSelection(), QList<bool>({true}));
        QCOMPARE(fileNames(), QStringList({"An-evaluation-file-", "N-a", "N-b", "S-a"}));
        QCOMPARE(window().files().at(1).text, QString("N-a                 01/12/24  "));
        QCOMPARE(window().files().at(0).text, QString("An-evaluation-file- 12/31/23  "));

        window().chooseTemplate(indexOf(window().templates(), "Audit"));
        QCOMPARE(texts(window().groups()), QStringList({"North", "South"}));
        QCOMPARE(window().groupSelection(), QList<bool>({true, false}));
        QCOMPARE(fileNames(), QStringList({"N-a", "N-b"}));
        window().selectGroups({0, 1});
        QCOMPARE(fileNames(), QStringList({"N-a", "N-b", "S-a"}));
        window().selectGroups({});
        QCOMPARE(fileNames(), QStringList({"N-a", "N-b", "S-a"}));
    }

    // More evaluations than the list reads at once: the same order as sorting every line in
    // the program (group name, group, file name, key), Select All hands every key over without
    // a line being read, and each filter reads the list again with nothing selected.
    void longListByKeys() {
        const qint64 lower = build().addValue(m_auditGroups, "north");
        const QStringList names{"a", "B", "_c", "b", "A", "Zoë's", "ZOË", "ëa", "Ëb", "10", "9"};
        {
            Transaction transaction(m_bed->db());
            for (int i = 0; i < 450; ++i) {
                const qint64 group =
                    i % 3 == 0 ? lower : build().valueKey(m_auditGroups, i % 3 == 1 ? "North" : "South");
                build().addEvaluation(m_audit, group, names.at(i % names.size()) + QString::number(i % 7) + ".evl", {},
                                      {});
            }
            transaction.commit();
        }
        struct Row {
            qint64 key;
            QString fileName;
            QString group;
            qint64 groupKey;
        };
        QList<Row> rows;
        QSqlQuery found = m_bed->db().query(
            "SELECT EvaluationKey, FileName, FieldValue, EvaluationGroupKey FROM Evaluation INNER JOIN "
            "TemplateFieldValue ON EvaluationGroupKey=TemplateFieldValueKey ORDER BY EvaluationKey");
        while (found.next())
            rows.append({found.value(0).toLongLong(), found.value(1).toString(), found.value(2).toString(),
                         found.value(3).toLongLong()});
        std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
            if (const int group = TextOrder::compare(a.group, b.group); group != 0)
                return group < 0;
            if (a.groupKey != b.groupKey)
                return a.groupKey < b.groupKey;
            return TextOrder::less(a.fileName, b.fileName);
        });
        QList<qint64> expected;
        for (const Row& row : rows)
            expected << row.key;

        window().chooseReport(report("Evaluation Report"));
        window().RefreshFileList();
        QCOMPARE(window().files().keys(), expected);
        window().selectAllFiles(true);
        const std::optional<ReportRequest> request = window().checkedRequest(true);
        QVERIFY(request);
        QCOMPARE(request->selectedEvaluations(), expected);
        QCOMPARE(window().files().pagesHeld(), 0);
        QCOMPARE(window().files().at(int(expected.size()) - 1).text.left(19).trimmed(),
                 rows.constLast().fileName.section('.', 0, 0));

        window().chooseTemplate(indexOf(window().templates(), "Audit"));
        QCOMPARE(texts(window().groups()), QStringList({"North", "north", "South"}));
        QCOMPARE(window().files().size(), 2 + 150);
        QCOMPARE(window().fileSelection().count(true), 0);
        window().selectGroups({1, 2});
        QCOMPARE(window().files().size(), 150 + 151);
        window().enterDate(1);
        window().leaveDate(1, "12/31/23");
        QCOMPARE(window().files().size(), 0);
    }

    // A date range holds its whole end day; an impossible date is put back and the list is
    // not read again.
    void dateFields() {
        QCOMPARE(window().dateText(0), QString("01/01/02"));
        QCOMPARE(window().dateText(1), QString("12/31/29"));
        window().enterDate(1);
        window().leaveDate(1, "01/12/24");
        QCOMPARE(fileNames(), QStringList({"An-evaluation-file-", "N-a", "N-b"}));
        window().enterDate(0);
        window().leaveDate(0, "01/11/24");
        QCOMPARE(fileNames(), QStringList({"N-a"}));
        QSignalSpy refreshed(&window(), &ReportParameters::filesChanged);
        window().enterDate(0);
        window().leaveDate(0, "13/45/02");
        QCOMPARE(window().dateText(0), QString("01/11/24"));
        QCOMPARE(refreshed.size(), 0);
        QCOMPARE(fileNames(), QStringList({"N-a"}));
    }

    // The checks run in their order and stop at the first that fails.
    void checksInOrder() {
        press("Print", "You must select report / file name to print.", "Selection Error", PromptIcon::Critical);

        window().chooseReport(report("Group Summary by Evaluation"));
        window().setFileSelected(0, true);
        press("Prevw", "You must select a template for this report", "Report Error", PromptIcon::Exclamation);

        window().chooseTemplate(indexOf(window().templates(), "Audit"));
        window().selectGroups({});
        window().setFileSelected(0, true);
        press("Print", "You must select a group for this report", "Report Error", PromptIcon::Exclamation);
        window().selectGroups({0, 1});
        window().setFileSelected(0, true);
        press("Print", "You cannot select multiple groups for this report", "Report Error", PromptIcon::Exclamation);
        window().selectGroups({0});
        window().setFileSelected(0, false);
        press("Print", "You must select an evalation for the report", "Report Error", PromptIcon::Exclamation);
        QVERIFY(m_handed.isEmpty());

        window().selectAllFiles(true);
        window().ToolbarButtonClick("Prevw");
        QCOMPARE(m_handed.size(), 1);
        const ReportRequest& request = m_handed.first();
        QVERIFY(request.preview);
        QCOMPARE(request.variant, 0);
        QCOMPARE(request.templateKey, m_audit);
        QCOMPARE(request.templateText, QString("Audit"));
        QCOMPARE(request.groupKeys, QList<qint64>({build().valueKey(m_auditGroups, "North")}));
        QCOMPARE(request.selectedEvaluations().size(), 2);
        QCOMPARE(request.beginText, QString("01/01/02"));

        window().chooseReport(report("Group Summary by Group"));
        window().selectAllFiles(true);
        window().ToolbarButtonClick("Print");
        QCOMPARE(m_handed.size(), 2);
        QVERIFY(!m_handed.last().preview);
        QCOMPARE(m_handed.last().variant, 1);
    }

    // A report for one evaluation stops at the fourth check with two chosen, even when the
    // groups are right; a report naming no generator prints nothing.
    void singleEvaluationReport() {
        build().addTemplate("unused");
        m_bed->db().execute("INSERT INTO ReportDefinition (Name, objectName, reportType, columnsUsed, "
                            "allowAllTemplates, allowAllGroups, multiSelectEvaluations) VALUES ('One', "
                            "'frmReportEvaluation', 0, 0, -1, 0, 0), ('Other', 'frmSomethingElse', 0, 0, -1, -1, -1)");
        window().open();
        window().chooseReport(report("One"));
        window().chooseTemplate(indexOf(window().templates(), "Audit"));
        window().setFileSelected(0, true);
        window().setFileSelected(1, true);
        press("Print", "You cannot select more than one evaluation per report", "Report Error",
              PromptIcon::Exclamation);
        window().setFileSelected(1, false);
        window().ToolbarButtonClick("Print");
        QCOMPARE(m_handed.size(), 1);

        window().chooseReport(report("Other"));
        window().selectAllFiles(true);
        window().ToolbarButtonClick("Print");
        QCOMPARE(m_handed.size(), 1);
        QCOMPARE(prompter().pending(), 0);
    }

    // A report of the same type keeps the list and its selection; another type reads it again.
    void reportChoiceRefreshes() {
        m_bed->db().execute("INSERT INTO ReportDefinition (Name, objectName, reportType, columnsUsed, "
                            "allowAllTemplates, allowAllGroups, multiSelectEvaluations) VALUES ('Evaluation Copy', "
                            "'frmReportEvaluation', 0, 0, -1, -1, -1)");
        window().open();
        window().chooseReport(report("Evaluation Report"));
        window().setFileSelected(2, true);
        window().chooseReport(report("Evaluation Copy"));
        QCOMPARE(window().fileSelection().count(true), 1);
        window().chooseReport(report("Group Summary by Evaluation"));
        QCOMPARE(window().fileSelection().count(true), 0);
    }

    // The column grid follows the report and the template, and the toolbar's Add and Del
    // follow the grid; Add goes through the dialog, Del only while the grid has the focus.
    void columnFields() {
        QVERIFY(!window().columnFieldsEnabled());
        QCOMPARE(window().toolbarMask(),
                 ReportParameters::PrintMask | ReportParameters::PreviewMask | ReportParameters::ExitMask);
        window().chooseReport(report("Group Summary by Evaluation"));
        QVERIFY(!window().columnFieldsEnabled());
        window().chooseTemplate(indexOf(window().templates(), "Audit"));
        QVERIFY(window().columnFieldsEnabled());
        QCOMPARE(window().toolbarMask(), ReportParameters::ToolbarMask);

        window().ToolbarButtonClick("Add");
        window().ToolbarButtonClick("Add");
        BoundGrid& grid = window().jgColumnFields();
        QCOMPARE(grid.dataRowCount(), 2);
        QCOMPARE(grid.value(0, "FieldLabel").toString(), QString("Area"));
        window().ToolbarButtonClick("Del");
        QCOMPARE(grid.dataRowCount(), 2);
        window().enterColumnFields();
        window().ToolbarButtonClick("Del");
        QCOMPARE(grid.dataRowCount(), 1);

        // Another report keeps its own columns.
        window().chooseReport(report("Group Summary by Group"));
        QCOMPARE(grid.dataRowCount(), 0);
        window().chooseReport(report("Group Summary by Evaluation"));
        QCOMPARE(grid.dataRowCount(), 1);
        window().selectAllFiles(true);
        window().ToolbarButtonClick("Print");
        QCOMPARE(m_handed.size(), 1);
        QCOMPARE(m_handed.first().columnFields.size(), 1);
        QCOMPARE(m_handed.first().columnFields.first().label, QString("Area"));
    }

    // The add dialog lists the template's live fields by label and refuses an empty choice.
    void addColumnFieldDialog() {
        AddColumnField dialog(m_bed->db(), m_audit, window().reports().at(1).reportDefinitionKey);
        dialog.activate();
        QVERIFY(!dialog.Cancelled());
        QCOMPARE(texts(dialog.fields()), QStringList({"Area", "Group", "Inspector"}));
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(!dialog.add(-1));
        QCOMPARE(prompter().last().text, QString("Valid field must be entered!"));
        QCOMPARE(prompter().last().title, QString("Error"));
        QCOMPARE(prompter().last().icon, PromptIcon::Critical);
        dialog.abort();
        QVERIFY(dialog.Cancelled());
    }

    // The CSV of the chosen evaluations: quotes, commas, line breaks and 8-bit letters come
    // back whole through any CSV reader.
    void exportCsv() {
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(!window().exportChoice());
        QVERIFY(prompter().last().text.startsWith("Choose a template first"));

        const qint64 clean = build().addQuestion(m_audit, "Clean, \"really\"?", {"1", "2"}, {"Floor", "Wall"}, 1);
        build().addQuestion(m_audit, "Unanswered", {"1"}, {}, 2);
        const qint64 key = build().addEvaluation(m_audit, build().valueKey(m_auditGroups, "South"), "Zoë's.evl",
                                                 {{m_inspector, "Zoë, \"Chef\"\r\nsecond line"}},
                                                 {{clean, {"2", true, {"Wall", "Floor"}}}});
        build().setDownloaded(key, QDateTime(QDate(2024, 2, 3), QTime(4, 5, 6)));
        window().chooseTemplate(indexOf(window().templates(), "Audit"));
        window().selectGroups({1});
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(!window().exportChoice());
        QCOMPARE(prompter().last().text, QString("Select the evaluations to export."));

        window().setFileSelected(indexOf(window().files(), "Zoë's"), true);
        const auto choice = window().exportChoice();
        QVERIFY(choice);
        const QString file = m_bed->folder() + "export.csv";
        prompter().answer(PromptAnswer::Ok);
        QCOMPARE(window().exportCsv(*choice, file), qint64(1));
        QVERIFY(prompter().last().text.startsWith("1 evaluation(s) exported to "));
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray header = "EvaluationKey,Template,Group,FileName,Downloaded,Group,Area,Inspector,Gone,\"Clean, "
                                  "\"\"really\"\"?\",\"Clean, \"\"really\"\"? TBC\",\"Clean, \"\"really\"\"? Pick "
                                  "List\",Unanswered,Unanswered TBC,Unanswered Pick List\r\n";
        const QByteArray all = csv.readAll();
        QVERIFY2(all.startsWith(header), all.constData());
        const QByteArray row = QString("%1,Audit,South,Zoë's.evl,2024-02-03T04:05:06,,,\"Zoë, \"\"Chef\"\"\r\nsecond "
                                       "line\",,2,Y,Floor; Wall,,,\r\n")
                                   .arg(key)
                                   .toUtf8();
        QVERIFY2(all.endsWith(row), all.constData());
    }
};

QTEST_MAIN(tst_ReportParameters)
#include "tst_reportparameters.moc"
