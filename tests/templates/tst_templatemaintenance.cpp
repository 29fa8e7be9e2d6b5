#include "AddTemplate.h"
#include "DataEnvironment.h"
#include "EvaluationHistory.h"
#include "FieldText.h"
#include "HistoryChain.h"
#include "TemplateEditorFixture.h"
#include "TemplateRows.h"
#include "TestDatabases.h"

#include <QSignalSpy>
#include <QTest>

// The template editor's rules, driven through its logic as the window drives it.
class tst_TemplateMaintenance : public QObject {
    Q_OBJECT

    std::unique_ptr<TemplateEditorFixture> m_fixture;
    TemplateMaintenance& editor() { return m_fixture->editor(); }
    ScriptedPrompter& prompter() { return m_fixture->prompter(); }
    const Database& db() { return m_fixture->db(); }

    QStringList gridTexts(BoundGrid& grid, const QString& column) {
        QStringList texts;
        for (int row = 0; row < grid.dataRowCount(); ++row)
            texts << FieldText(grid.value(row, column));
        return texts;
    }
    // A template with entry fields A..E (orders 2..6 after the group field) opened in the editor.
    qint64 openWithFields(const QStringList& labels) {
        const qint64 key = m_fixture->addTemplate("Audit");
        int order = 2;
        for (const QString& label : labels)
            db().insert("TemplateField", {"TemplateKey", "FieldLabel", "Sequence"}, {key, label, order++});
        editor().open();
        return key;
    }

private Q_SLOTS:
    void initTestCase_data() { TestDatabases::addEngines(); }
    void init() {
        QFETCH_GLOBAL(DatabaseEngine, engine);
        m_fixture = std::make_unique<TemplateEditorFixture>(engine);
    }
    void cleanup() { m_fixture.reset(); }

    // No templates: nothing to choose, every grid sends the focus back to the list, and
    // "Del" on the list asks and deletes nothing.
    void emptyTemplateTable() {
        editor().open();
        QVERIFY(editor().templates().isEmpty());
        QCOMPARE(editor().selectedTemplate(), -1);
        QSignalSpy focus(&editor(), &TemplateMaintenance::focusRequested);
        for (TemplateGrid grid :
             {TemplateGrid::EntryField, TemplateGrid::Question, TemplateGrid::Answer, TemplateGrid::FileNameField}) {
            editor().enterGrid(grid);
            QCOMPARE(focus.takeLast().at(0).toString(), QString("cmbTemplate"));
            QVERIFY(!editor().grid(grid).isBound());
        }
        editor().enterControl("cmbTemplate");
        QCOMPARE(editor().editContext(), int(TemplateMaintenance::TemplateList));
        prompter().answer(PromptAnswer::Yes);
        editor().ToolbarButtonClick("Del");
        QCOMPARE(prompter().last().text, QString("Delete Current Template?"));
        QCOMPARE(prompter().last().title, QString("Delete Verification"));
        QCOMPARE(prompter().last().icon, PromptIcon::Question);
        QCOMPARE(prompter().last().buttons, PromptButtons::YesNo);
        QCOMPARE(prompter().shown().size(), 1);
        prompter().answer(PromptAnswer::Ok);
        editor().chooseTemplate(-1);
        QCOMPARE(prompter().last().text, QString("Select template / press Add to add new template"));
        QCOMPARE(prompter().last().title, QString("Template Error"));
    }

    // Add makes a template with its group field and first value and shows it; Abort leaves
    // the list and the choice as they were.
    void addAndAbort() {
        m_fixture->addTemplate("Beta");
        editor().open();
        m_fixture->nextAdd = {false, TemplateRows::addTemplate(db(), "Alpha")};
        editor().ToolbarButtonClick("Add");
        QCOMPARE(editor().templates().size(), 2);
        QCOMPARE(editor().templates().at(editor().selectedTemplate()).name, QString("Alpha"));
        QCOMPARE(editor().templateName(), QString("Alpha"));
        BoundGrid& fields = editor().jgEntryField();
        QCOMPARE(fields.dataRowCount(), 1);
        QCOMPARE(fields.value(0, "FieldLabel").toString(), QString("Group"));
        QCOMPARE(fields.value(0, "FieldType").toInt(), 2);
        QCOMPARE(fields.value(0, "FieldLength").toInt(), 20);
        QCOMPARE(fields.value(0, "UseOn").toString(), QString("H"));
        QCOMPARE(fields.value(0, "ForceEntry").toInt(), -1);
        QCOMPARE(fields.value(0, "Sequence").toInt(), 1);
        QCOMPARE(fields.value(0, "GroupField").toInt(), -1);
        QCOMPARE(gridTexts(editor().jgFieldValue(), "FieldValue"), QStringList({"New Entry"}));
        QCOMPARE(editor().jgQuestion().dataRowCount(), 0);
        QCOMPARE(editor().jgFileNameField().dataRowCount(), 0);

        m_fixture->nextAdd = {true, 0};
        editor().ToolbarButtonClick("Add");
        QCOMPARE(editor().templates().size(), 2);
        QCOMPARE(editor().templates().at(editor().selectedTemplate()).name, QString("Alpha"));
        QCOMPARE(db().scalar("SELECT COUNT(*) FROM Template").toInt(), 2);
    }

    // The dialog refuses only the empty name (and one its column cannot hold).
    void addTemplateDialog() {
        AddTemplate dialog;
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(!dialog.Add(""));
        QCOMPARE(prompter().last().text, QString("Valid template name must be entered!"));
        QCOMPARE(prompter().last().title, QString("Error"));
        QCOMPARE(prompter().last().icon, PromptIcon::Critical);
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(!dialog.Add(QString(51, 'n')));
        QCOMPARE(db().scalar("SELECT COUNT(*) FROM Template").toInt(), 0);
        QVERIFY(dialog.Add("   "));
        QCOMPARE(db().scalar("SELECT Name FROM Template WHERE TemplateKey=?", {dialog.templateKey}).toString(),
                 QString("   "));
        dialog.Abort();
        QVERIFY(dialog.abort);
        dialog.activate();
        QVERIFY(!dialog.abort);
    }

    // New fields get their grid position as order; the group field is always a forced
    // dropdown; the 21st field that reaches the unit is warned about and stored.
    void entryFieldRules() {
        const qint64 key = openWithFields({});
        BoundGrid& fields = editor().jgEntryField();
        editor().enterGrid(TemplateGrid::EntryField);
        m_fixture->typeRow(fields, {{"FieldLabel", "Site"}, {"FieldType", 1}});
        QCOMPARE(fields.value(1, "Sequence").toInt(), 2);
        QCOMPARE(fields.value(1, "TemplateKey").toLongLong(), key);
        m_fixture->typeRow(fields, {{"FieldLabel", "Shift"}, {"FieldType", 0}, {"GroupField", -1}, {"Sequence", "7"}});
        QCOMPARE(m_fixture->column("SELECT FieldType || '/' || ForceEntry || '/' || Sequence FROM TemplateField WHERE "
                                   "FieldLabel='Shift'"),
                 QStringList({"2/-1/7"}));

        // Report-only fields are not counted; deleted fields are.
        for (int i = 0; i < 5; ++i)
            db().insert("TemplateField", {"TemplateKey", "FieldLabel", "UseOn"}, {key, "Report", "R"});
        for (int i = 0; i < 17; ++i)
            db().insert("TemplateField", {"TemplateKey", "FieldLabel", "Deleted"}, {key, "Old", i < 8 ? -1 : 0});
        editor().LoadTemplate();
        prompter().answer(PromptAnswer::Ok);
        m_fixture->typeRow(fields, {{"FieldLabel", "Extra"}});
        QCOMPARE(prompter().shown().size(), 1);
        QCOMPARE(prompter().last().text, QString("Only 20 fields can be added to template.\r\n"
                                                 "Extra data will be skipped when uploaded to unit."));
        QCOMPARE(prompter().last().title, QString("Entry Error"));
        QCOMPARE(prompter().last().icon, PromptIcon::Critical);
        QCOMPARE(m_fixture->column("SELECT COUNT(*) FROM TemplateField WHERE FieldLabel='Extra'"), QStringList({"1"}));
    }

    // Renaming a value of the group field renames the group of the evaluations that chose
    // it; renaming a value of another dropdown field changes no evaluation.
    void groupValueRename() {
        const qint64 key = openWithFields({});
        const qint64 groupField =
            db().scalar("SELECT TemplateFieldKey FROM TemplateField WHERE GroupField<>0").toLongLong();
        const qint64 group = db().scalar("SELECT TemplateFieldValueKey FROM TemplateFieldValue").toLongLong();
        const qint64 colourField =
            db().insert("TemplateField", {"TemplateKey", "FieldLabel", "FieldType", "Sequence"}, {key, "Colour", 2, 2});
        const qint64 red = db().insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {colourField, "Red"});
        const qint64 evaluation =
            db().insert("Evaluation", {"TemplateKey", "EvaluationGroupKey", "FileName"}, {key, group, "E1"});
        db().insert("EvaluationField", {"EvaluationKey", "TemplateFieldKey", "TemplateFieldValueKey", "EnteredValue"},
                    {evaluation, groupField, group, "New Entry"});
        db().insert("EvaluationField", {"EvaluationKey", "TemplateFieldKey", "TemplateFieldValueKey", "EnteredValue"},
                    {evaluation, colourField, red, "Red"});
        editor().LoadTemplate();

        BoundGrid& fields = editor().jgEntryField();
        BoundGrid& values = editor().jgFieldValue();
        editor().enterGrid(TemplateGrid::EntryField);
        editor().enterGrid(TemplateGrid::FieldValue);
        QCOMPARE(editor().editContext(), int(TemplateMaintenance::FieldValues));
        QCOMPARE(editor().valueOnEntry(), QString("New Entry"));
        values.setValue(0, "FieldValue", "North");
        editor().leaveGrid(TemplateGrid::FieldValue);

        editor().enterGrid(TemplateGrid::EntryField);
        QVERIFY(fields.setCurrentRow(1));
        editor().enterGrid(TemplateGrid::FieldValue);
        values.setValue(0, "FieldValue", "Blue");
        editor().leaveGrid(TemplateGrid::FieldValue);
        QCOMPARE(m_fixture->column("SELECT EnteredValue FROM EvaluationField ORDER BY EvaluationFieldKey"),
                 QStringList({"North", "Red"}));
        QCOMPARE(m_fixture->column("SELECT FieldValue FROM TemplateFieldValue ORDER BY TemplateFieldValueKey"),
                 QStringList({"North", "Blue"}));
        // The evaluation's history has the new group name, and only that.
        const QList<EvaluationHistory::Record> history = EvaluationHistory::of(db(), evaluation);
        QCOMPARE(history.size(), 1);
        QCOMPARE(history.first().what, QString("Group"));
        QCOMPARE(history.first().oldValue, QString("New Entry"));
        QCOMPARE(history.first().newValue, QString("North"));
        QCOMPARE(history.first().means, QString("template editor"));
        QVERIFY(HistoryChain::verify(db()).intact());
    }

    // A rename that cannot write its history (here a history table that is gone) is no rename:
    // the value and every evaluation keep their names.
    void groupValueRenameIsWhole() {
        openWithFields({});
        const qint64 key = db().scalar("SELECT TemplateKey FROM Template").toLongLong();
        const qint64 groupField =
            db().scalar("SELECT TemplateFieldKey FROM TemplateField WHERE GroupField<>0").toLongLong();
        const qint64 group = db().scalar("SELECT TemplateFieldValueKey FROM TemplateFieldValue").toLongLong();
        const qint64 evaluation =
            db().insert("Evaluation", {"TemplateKey", "EvaluationGroupKey", "FileName"}, {key, group, "E1"});
        db().insert("EvaluationField", {"EvaluationKey", "TemplateFieldKey", "TemplateFieldValueKey", "EnteredValue"},
                    {evaluation, groupField, group, "New Entry"});
        db().execute("ALTER TABLE EvaluationHistory RENAME TO HiddenHistory");
        editor().LoadTemplate();
        editor().enterGrid(TemplateGrid::EntryField);
        editor().enterGrid(TemplateGrid::FieldValue);
        editor().jgFieldValue().setValue(0, "FieldValue", "North");
        prompter().answer(PromptAnswer::Ok);
        editor().leaveGrid(TemplateGrid::FieldValue);
        QCOMPARE(prompter().pending(), 0);
        QVERIFY(prompter().last().text.contains("EvaluationHistory", Qt::CaseInsensitive));
        db().execute("ALTER TABLE HiddenHistory RENAME TO EvaluationHistory");
        QCOMPARE(m_fixture->column("SELECT EnteredValue FROM EvaluationField"), QStringList({"New Entry"}));
        QCOMPARE(m_fixture->column("SELECT FieldValue FROM TemplateFieldValue"), QStringList({"New Entry"}));
    }

    // The dropdown values can only be entered for a stored dropdown field.
    void fieldValuesNeedADropdown() {
        openWithFields({"Notes"});
        BoundGrid& fields = editor().jgEntryField();
        QSignalSpy focus(&editor(), &TemplateMaintenance::focusRequested);
        editor().enterGrid(TemplateGrid::EntryField);
        QVERIFY(fields.setCurrentRow(1));
        // A text field has none: the value grid keeps the focus, takes no input and says why.
        editor().enterGrid(TemplateGrid::FieldValue);
        QCOMPARE(focus.size(), 0);
        QVERIFY(editor().jgFieldValue().isReadOnly());
        QVERIFY(!editor().jgFieldValue().setValue(0, "FieldValue", "Alice"));
        QCOMPARE(editor().statusText(), QString("Only Dropdown fields have values; \"Notes\" is a Text field."));
        QCOMPARE(editor().toolbarMask(), TemplateMaintenance::ExitMask);
        // A new dropdown row is written first and its values go to it.
        QVERIFY(fields.setCurrentRow(2));
        fields.setValue(2, "FieldLabel", "Colour");
        fields.setValue(2, "FieldType", 2);
        QVERIFY(!editor().jgFieldValue().isReadOnly());
        editor().enterGrid(TemplateGrid::FieldValue);
        QVERIFY(fields.isSaved(2));
        m_fixture->typeRow(editor().jgFieldValue(), {{"FieldValue", "Red"}});
        QCOMPARE(
            m_fixture->column("SELECT FieldValue FROM TemplateFieldValue WHERE TemplateFieldKey=?", {fields.key(2)}),
            QStringList({"Red"}));
    }

    // The group field cannot be deleted; deleting a field marks it, makes it hand held only
    // and removes it from the file name.
    void deletingEntryFields() {
        openWithFields({"Site"});
        BoundGrid& fields = editor().jgEntryField();
        editor().changeTab(TemplateMaintenance::FileNameTab);
        editor().AddFileNameField(1);
        QCOMPARE(editor().jgFileNameField().dataRowCount(), 1);

        editor().enterGrid(TemplateGrid::EntryField);
        prompter().answer(PromptAnswer::Ok);
        editor().ToolbarButtonClick("Del");
        QCOMPARE(prompter().last().text, QString("You cannot delete this field."));
        QCOMPARE(prompter().last().title, QString("Group Deletion Validation"));
        QCOMPARE(prompter().last().icon, PromptIcon::Critical);

        QVERIFY(fields.setCurrentRow(1));
        prompter().answer(PromptAnswer::No);
        editor().ToolbarButtonClick("Del");
        QCOMPARE(prompter().last().text, QString("Delete Site field?"));
        QCOMPARE(fields.dataRowCount(), 2);
        prompter().answer(PromptAnswer::Yes);
        editor().ToolbarButtonClick("Del");
        QCOMPARE(fields.dataRowCount(), 1);
        QCOMPARE(m_fixture->column("SELECT UseOn || Deleted FROM TemplateField WHERE FieldLabel='Site'"),
                 QStringList({"H-1"}));
        QCOMPARE(db().scalar("SELECT COUNT(*) FROM FileNameField").toInt(), 0);
        QCOMPARE(editor().jgFileNameField().dataRowCount(), 0);
    }

    // Drag and drop renumbers the moved range with its grid positions, and nothing else.
    void dragAndDrop() {
        openWithFields({"A", "B", "C", "D", "E"});
        BoundGrid& fields = editor().jgEntryField();
        const auto orders = [&] {
            return m_fixture->column("SELECT FieldLabel || Sequence FROM TemplateField ORDER BY Sequence, FieldLabel");
        };
        QCOMPARE(gridTexts(fields, "FieldLabel"), QStringList({"Group", "A", "B", "C", "D", "E"}));
        // Rows 1..6 hold orders 1..6: drop row 5 (D) on row 2 (A).
        QVERIFY(fields.setCurrentRow(4));
        editor().dropRow(TemplateGrid::EntryField, 2);
        QCOMPARE(orders(), QStringList({"Group1", "D2", "A3", "B4", "C5", "E6"}));
        QCOMPARE(gridTexts(fields, "FieldLabel"), QStringList({"Group", "D", "A", "B", "C", "E"}));
        QCOMPARE(fields.currentRow(), 0);
        // Drop row 2 (D) on row 5 (C).
        QVERIFY(fields.setCurrentRow(1));
        editor().dropRow(TemplateGrid::EntryField, 5);
        QCOMPARE(orders(), QStringList({"Group1", "A2", "B3", "C4", "D5", "E6"}));
        // Beyond the last row, and on the new row, nothing changes.
        QVERIFY(fields.setCurrentRow(1));
        editor().dropRow(TemplateGrid::EntryField, 7);
        editor().dropRow(TemplateGrid::EntryField, 0);
        QCOMPARE(orders(), QStringList({"Group1", "A2", "B3", "C4", "D5", "E6"}));
    }

    // File-name fields number from 1, may repeat, and are removed after their own question.
    void fileNameFields() {
        openWithFields({"Site", "Report"});
        db().execute("UPDATE TemplateField SET UseOn='R' WHERE FieldLabel='Report'");
        editor().changeTab(TemplateMaintenance::FileNameTab);
        QStringList available;
        for (const auto& item : editor().availableFields())
            available << item.name;
        QCOMPARE(available, QStringList({"Group", "Site"}));
        editor().AddFileNameField(1);
        editor().AddFileNameField(0);
        editor().AddFileNameField(1);
        QCOMPARE(gridTexts(editor().jgFileNameField(), "FieldLabel"), QStringList({"Site", "Group", "Site"}));
        QCOMPARE(m_fixture->column("SELECT Sequence FROM FileNameField ORDER BY FileNameFieldKey"),
                 QStringList({"1", "2", "3"}));

        editor().enterGrid(TemplateGrid::FileNameField);
        QCOMPARE(editor().toolbarMask(), TemplateMaintenance::RemoveListMask | TemplateMaintenance::ExitMask);
        QCOMPARE(editor().statusText(), QString("Drag and drop the fields in this list to define the field order"));
        prompter().answer(PromptAnswer::Yes);
        editor().ToolbarButtonClick("Del L");
        QCOMPARE(prompter().last().text, QString("Delete Site record?"));
        QCOMPARE(prompter().last().title, QString("Deletion Verification"));
        QCOMPARE(prompter().last().icon, PromptIcon::None);
        QCOMPARE(gridTexts(editor().jgFileNameField(), "FieldLabel"), QStringList({"Group", "Site"}));
    }

    // Questions, answers and pick lists: a question typed and left for its answers is
    // written first; limits warn and store; the deletions ask differently.
    void questionsAnswersAndPickLists() {
        const qint64 key = openWithFields({});
        BoundGrid& questions = editor().jgQuestion();
        BoundGrid& answers = editor().jgAnswer();
        editor().enterGrid(TemplateGrid::Question);
        questions.setValue(0, "Question", "Clean?");
        editor().leaveGrid(TemplateGrid::Question);
        editor().enterGrid(TemplateGrid::Answer);
        QVERIFY(questions.isSaved(0));
        m_fixture->typeRow(answers, {{"Answer", "Yes"}});
        m_fixture->typeRow(editor().jgPicklist(), {{"Name", "Floor"}});
        QCOMPARE(m_fixture->column("SELECT Answer FROM TemplateAnswer WHERE TemplateQuestionKey=?", {questions.key(0)}),
                 QStringList({"Yes"}));
        QCOMPARE(m_fixture->column("SELECT Name || Sequence FROM TemplatePickList WHERE TemplateQuestionKey=?",
                                   {questions.key(0)}),
                 QStringList({"Floor1"}));

        // 49 more questions, one of them deleted: the 51st warns and is stored.
        for (int i = 0; i < 49; ++i)
            db().insert("TemplateQuestion", {"TemplateKey", "Question", "Deleted"}, {key, "Q", i == 0 ? -1 : 0});
        for (int i = 0; i < 19; ++i)
            db().insert("TemplateAnswer", {"TemplateQuestionKey", "Answer", "Deleted"}, {questions.key(0), "A", -1});
        editor().LoadTemplate();
        QVERIFY(questions.setCurrentRow(questions.rowOfKey(db().scalar("SELECT MIN(TemplateQuestionKey) FROM "
                                                                       "TemplateQuestion"))));
        prompter().answer(PromptAnswer::Ok);
        editor().enterGrid(TemplateGrid::Answer);
        m_fixture->typeRow(answers, {{"Answer", "No"}});
        QCOMPARE(prompter().last().text, QString("Only 20 answers can be added to each question.\r\n"
                                                 "Extra data will be skipped when uploaded to unit."));
        prompter().answer(PromptAnswer::Ok);
        m_fixture->typeRow(questions, {{"Question", "Last"}});
        QCOMPARE(prompter().last().text, QString("Only 50 questions can be added to template.\r\n"
                                                 "Extra data will be skipped when uploaded to unit."));
        QCOMPARE(db().scalar("SELECT COUNT(*) FROM TemplateQuestion").toInt(), 51);

        // "Del A" asks without an icon under "Deletion Verification", "Del Q" with one under
        // "Delete Verification"; the question's answers stay stored.
        const qint64 clean =
            db().scalar("SELECT TemplateQuestionKey FROM TemplateQuestion WHERE Question='Clean?'").toLongLong();
        QVERIFY(questions.setCurrentRow(questions.rowOfKey(clean)));
        editor().enterGrid(TemplateGrid::Answer);
        QVERIFY(answers.setCurrentRow(0));
        prompter().answer(PromptAnswer::Yes);
        editor().ToolbarButtonClick("Del A");
        QCOMPARE(prompter().last().text, QString("Delete Yes record?"));
        QCOMPARE(prompter().last().title, QString("Deletion Verification"));
        QCOMPARE(prompter().last().icon, PromptIcon::None);
        QCOMPARE(gridTexts(answers, "Answer"), QStringList({"No"}));
        editor().enterGrid(TemplateGrid::Question);
        const int live = questions.dataRowCount();
        prompter().answer(PromptAnswer::Yes);
        editor().ToolbarButtonClick("Del Q");
        QCOMPARE(prompter().last().text, QString("Delete Clean? record?"));
        QCOMPARE(prompter().last().title, QString("Delete Verification"));
        QCOMPARE(prompter().last().icon, PromptIcon::Question);
        QCOMPARE(questions.dataRowCount(), live - 1);
        QCOMPARE(db().scalar("SELECT COUNT(*) FROM TemplateAnswer WHERE Answer='No'").toInt(), 1);
    }

    // A template evaluations use is kept, with the reason; one without goes whole.
    void deletingTemplates() {
        const qint64 used = openWithFields({});
        const qint64 group = db().scalar("SELECT TemplateFieldValueKey FROM TemplateFieldValue").toLongLong();
        for (int i = 0; i < 2; ++i)
            db().insert("Evaluation", {"TemplateKey", "EvaluationGroupKey", "FileName"}, {used, group, "E"});
        editor().enterControl("cmbTemplate");
        prompter().answer(PromptAnswer::Yes).answer(PromptAnswer::Ok);
        editor().ToolbarButtonClick("Del");
        QCOMPARE(prompter().last().text, QString("This template cannot be deleted: 2 evaluations use it. Delete those "
                                                 "evaluations first, or keep the template."));
        QCOMPARE(db().scalar("SELECT COUNT(*) FROM Template").toInt(), 1);

        const qint64 spare = m_fixture->addTemplate("Spare");
        const qint64 question = db().insert("TemplateQuestion", {"TemplateKey", "Question"}, {spare, "Q"});
        db().insert("TemplateAnswer", {"TemplateQuestionKey", "Answer"}, {question, "A"});
        db().insert("TemplatePickList", {"TemplateQuestionKey", "Name"}, {question, "P"});
        db().insert("ReportColumnField", {"ReportDefinitionKey", "TemplateKey", "TemplateFieldKey"},
                    {1, spare, db().scalar("SELECT MAX(TemplateFieldKey) FROM TemplateField")});
        editor().LoadTemplateList(spare);
        editor().enterControl("cmbTemplate");
        prompter().answer(PromptAnswer::Yes);
        editor().ToolbarButtonClick("Del");
        // What is left is the used template's group field and its value.
        for (const auto& [table, left] : {std::pair{"TemplateField", 1},
                                          {"TemplateFieldValue", 1},
                                          {"TemplateQuestion", 0},
                                          {"TemplateAnswer", 0},
                                          {"TemplatePickList", 0},
                                          {"ReportColumnField", 0}})
            QCOMPARE(db().scalar(QString("SELECT COUNT(*) FROM %1").arg(table)).toInt(), left);
        QCOMPARE(editor().templates().size(), 1);
        QCOMPARE(editor().currentTemplateKey(), used);
    }

    // The name is saved on leaving; an empty name keeps the window open.
    void templateName() {
        m_fixture->addTemplate("Beta");
        openWithFields({});
        QCOMPARE(editor().templateName(), QString("Audit"));
        editor().setTemplateName("Zulu");
        QVERIFY(editor().queryUnload());
        QCOMPARE(editor().templates().at(editor().selectedTemplate()).name, QString("Zulu"));
        QCOMPARE(editor().templates().first().name, QString("Beta"));
        editor().setTemplateName("");
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(!editor().queryUnload());
        QCOMPARE(prompter().last().text, QString("Record cannot be saved, template must have name!"));
        QCOMPARE(prompter().last().title, QString("Validation Error"));
        QCOMPARE(db().scalar("SELECT COUNT(*) FROM Template WHERE Name='Zulu'").toInt(), 1);
    }

    // Print and Upload work on the template shown; the unit gets its file.
    void printAndUpload() {
        const qint64 key = openWithFields({"Site"});
        editor().ToolbarButtonClick("Print");
        QCOMPARE(m_fixture->printed, QList<qint64>({key}));
        prompter().answer(PromptAnswer::Ok);
        editor().ToolbarButtonClick("Upload");
        QCOMPARE(prompter().last().text, QString("Transfer Completed."));
        QVERIFY(QFile::exists(m_fixture->handheld().unitTemplateFolder() + "Audit.evt"));
    }
};

QTEST_GUILESS_MAIN(tst_TemplateMaintenance)
#include "tst_templatemaintenance.moc"
