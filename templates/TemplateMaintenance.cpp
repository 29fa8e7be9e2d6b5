#include "TemplateMaintenance.h"

#include "DataEnvironment.h"
#include "FieldGridRules.h"
#include "FieldText.h"
#include "LogError.h"
#include "ProgramSettings.h"
#include "Prompter.h"
#include "QuestionGridRules.h"
#include "TemplateGridColumns.h"
#include "TemplateNames.h"
#include "TemplateRows.h"
#include "TemplateUpload.h"

#include <QScopedValueRollback>

namespace {

const Database& db() {
    return DataEnvironment::instance().cnnConnection();
}

} // namespace

TemplateMaintenance::TemplateMaintenance(DeviceSession& session, Windows windows, QObject* parent)
    : QObject(parent), m_session(session), m_windows(std::move(windows)) {
    const QList<GridColumn> columns[TemplateGrids::Count] = {
        TemplateGridColumns::entryField(), TemplateGridColumns::fieldValue(), TemplateGridColumns::fileNameField(),
        TemplateGridColumns::question(),   TemplateGridColumns::answer(),     TemplateGridColumns::picklist()};
    const char* tables[TemplateGrids::Count] = {"TemplateField",    "TemplateFieldValue", "FileNameField",
                                                "TemplateQuestion", "TemplateAnswer",     "TemplatePickList"};
    for (int i = 0; i < TemplateGrids::Count; ++i) {
        m_grids[i] = std::make_unique<BoundGrid>(QString::fromLatin1(TemplateGrids::info(TemplateGrid(i)).objectName),
                                                 QString::fromLatin1(tables[i]), columns[i]);
        // Values have no order of their own: they stand alphabetically and cannot be dragged.
        const bool ordered = TemplateGrid(i) != TemplateGrid::FieldValue;
        m_grids[i]->setSortColumn(ordered ? QStringLiteral("Sequence") : QStringLiteral("FieldValue"));
        m_grids[i]->setRowsMovable(ordered);
    }
    jgFieldValue().setColumnHeadersVisible(false);
    jgFileNameField().setColumnHeadersVisible(false);
    jgFileNameField().setReadOnly(true);
    m_fieldRules = std::make_unique<FieldGridRules>(*this);
    m_questionRules = std::make_unique<QuestionGridRules>(*this);
    // The value grid takes input for the dropdown field in the current row only: another row,
    // a type changed in place, or the rows read again all change that.
    BoundGrid* fields = &jgEntryField();
    const auto followFields = [this] { jgFieldValue().setReadOnly(!fieldValuesClosed().isEmpty()); };
    connect(fields, &BoundGrid::currentRowChanged, this, followFields);
    connect(fields, &BoundGrid::dataChanged, this, followFields);
    connect(fields, &BoundGrid::rebound, this, followFields);
    for (int i = 0; i < TemplateGrids::Count; ++i) {
        const auto which = TemplateGrid(i);
        connect(m_grids[i].get(), &BoundGrid::currentColumnChanged, this, [this, which] {
            if (m_activeControl == grid(which).objectName() && grid(which).currentColumn() >= 0 &&
                which != TemplateGrid::FileNameField)
                showStatus(grid(which).currentHelp());
        });
    }
}

TemplateMaintenance::~TemplateMaintenance() = default;

QString TemplateMaintenance::helpText(const QString& controlName) {
    if (controlName == QLatin1String("cmbTemplate"))
        return TemplateUpload::IdleStatus;
    if (controlName == QLatin1String("txtField"))
        return QStringLiteral("Enter template name");
    if (controlName == QLatin1String("lstAvailable"))
        return QStringLiteral("Drag and drop the fields from entry fields list to selected list");
    if (controlName == QLatin1String("jgFileNameField"))
        return QStringLiteral("Drag and drop the fields in this list to define the field order");
    return QString();
}

QString TemplateMaintenance::limitMessage(int limit, const QString& what) {
    return QStringLiteral("Only ") + QString::number(limit) + QLatin1Char(' ') + what +
           QStringLiteral("\r\nExtra data will be skipped when uploaded to unit.");
}

void TemplateMaintenance::warnLimit(int count, int limit, const QString& what) {
    if (count + 1 <= limit)
        return;
    programPrompter().inform(limitMessage(limit, what), BoundGrid::EntryErrorTitle, PromptIcon::Critical);
}

void TemplateMaintenance::open() {
    guarded(QString(), [this] {
        showBusy(true);
        m_templateKey = 0;
        LoadTemplateList(0);
        showBusy(false);
    });
    showBusy(false);
}

void TemplateMaintenance::fillTemplateList(qint64 templateKey) {
    m_templates.clear();
    for (const TemplateName& entry : templatesByName(db()))
        m_templates.append({entry.name, entry.key});
    m_selected = -1;
    for (int i = 0; i < m_templates.size() && templateKey > 0; ++i) {
        if (m_templates.at(i).key == templateKey)
            m_selected = i;
    }
    if (templateKey <= 0 && !m_templates.isEmpty())
        m_selected = 0;
    Q_EMIT templateListChanged();
}

void TemplateMaintenance::LoadTemplateList(qint64 templateKey) {
    fillTemplateList(templateKey);
    if (m_selected >= 0) {
        chooseTemplate(m_selected);
        return;
    }
    // Nothing left to show: the panes must not go on showing a template that is gone.
    m_templateKey = 0;
    m_fieldKey = 0;
    m_questionKey = 0;
    m_templateName.clear();
    Q_EMIT templateNameChanged(m_templateName);
    for (auto& grid : m_grids)
        grid->unbind();
    m_available.clear();
    Q_EMIT availableFieldsChanged();
}

void TemplateMaintenance::chooseTemplate(int index) {
    guarded(QString(), [this, index] {
        if (index < 0 || index >= m_templates.size()) {
            programPrompter().inform(QStringLiteral("Select template / press Add to add new template"),
                                     QStringLiteral("Template Error"), PromptIcon::Critical);
            return;
        }
        const qint64 chosen = m_templates.at(index).key;
        m_selected = index;
        SaveTemplateEdits();
        // Saving a new name sorts the list again; the choice stays the one the user made.
        for (int i = 0; i < m_templates.size(); ++i) {
            if (m_templates.at(i).key == chosen)
                m_selected = i;
        }
        Q_EMIT templateListChanged();
        LoadTemplate();
        setToolbar(TemplateListMask);
        showStatus(helpText(QStringLiteral("cmbTemplate")));
    });
}

void TemplateMaintenance::LoadTemplate() {
    if (m_selected < 0)
        return;
    const QScopedValueRollback<bool> loading(m_loading, true);
    m_templateKey = m_templates.at(m_selected).key;
    m_templateName =
        FieldText(db().scalar(QStringLiteral("SELECT Name FROM Template WHERE TemplateKey=?"), {m_templateKey}));
    Q_EMIT templateNameChanged(m_templateName);
    jgEntryField().bind(
        db(), QStringLiteral("SELECT * FROM TemplateField WHERE Deleted=0 AND TemplateKey=? ORDER BY Sequence"),
        {m_templateKey});
    applyLayout(TemplateGrid::EntryField);
    m_fieldKey = jgEntryField().key(jgEntryField().currentRow()).toLongLong();
    jgQuestion().bind(
        db(), QStringLiteral("SELECT * FROM TemplateQuestion WHERE Deleted=0 AND TemplateKey=? ORDER BY Sequence"),
        {m_templateKey});
    applyLayout(TemplateGrid::Question);
    LoadQuestionDetails();
    LoadFileNameLists();
}

bool TemplateMaintenance::SaveTemplateEdits() {
    // A row that cannot be written keeps the window where it is, so nothing typed is lost.
    bool rowsWritten = true;
    for (TemplateGrid which : {TemplateGrid::FieldValue, TemplateGrid::EntryField, TemplateGrid::Answer,
                               TemplateGrid::Picklist, TemplateGrid::Question})
        rowsWritten = grid(which).commit() && rowsWritten;
    if (!rowsWritten)
        return true;
    if (m_templateKey == 0)
        return false;
    if (m_selected < 0)
        return true;
    if (m_templateName.isEmpty()) {
        programPrompter().inform(QStringLiteral("Record cannot be saved, template must have name!"),
                                 QStringLiteral("Validation Error"), PromptIcon::Critical);
        return true;
    }
    if (m_templateName.size() > TemplateRows::NameLength) {
        programPrompter().inform(QStringLiteral("Record cannot be saved, template name can hold at most %1 characters.")
                                     .arg(TemplateRows::NameLength),
                                 QStringLiteral("Validation Error"), PromptIcon::Critical);
        return true;
    }
    const QVariant stored =
        db().scalar(QStringLiteral("SELECT Name FROM Template WHERE TemplateKey=?"), {m_templateKey});
    if (!stored.isValid()) {
        programPrompter().inform(TemplateRows::GoneMessage, QStringLiteral("Validation Error"), PromptIcon::Critical);
        LoadTemplateList(0);
        return true;
    }
    db().execute(QStringLiteral("UPDATE Template SET Name=? WHERE TemplateKey=?"), {m_templateName, m_templateKey});
    if (FieldText(stored) != m_templateName)
        fillTemplateList(m_templateKey);
    return false;
}

void TemplateMaintenance::LoadFieldValues() {
    m_fieldRules->LoadFieldValues();
}

QString TemplateMaintenance::fieldValuesClosed() const {
    return m_fieldRules->valuesClosed();
}

void TemplateMaintenance::LoadFileNameLists() {
    m_fieldRules->LoadFileNameLists();
}

void TemplateMaintenance::AddFileNameField(int availableIndex) {
    guarded(QString(), [this, availableIndex] { m_fieldRules->AddFileNameField(availableIndex); });
}

void TemplateMaintenance::LoadQuestionDetails() {
    m_questionRules->LoadQuestionDetails();
}

void TemplateMaintenance::ResequenceRows(BoundGrid& grid, const QString& keyFilterPrefix, const QString& layoutFile,
                                         int target) {
    const int rows = grid.dataRowCount();
    if (!grid.rowsMovable() || target < 1 || target > rows)
        return;
    const int source = grid.currentRow() + 1;
    if (source < 1 || source > rows || !grid.commit())
        return;
    QList<std::pair<QVariant, int>> sequences;
    if (target < source) {
        int next = target + 1;
        for (int row = target; row <= source; ++row) {
            if (!grid.isSaved(row - 1))
                continue;
            sequences.append({grid.key(row - 1), row == source ? target : next++});
        }
    } else {
        sequences.append({grid.key(source - 1), target});
        int next = source;
        for (int row = source + 1; row <= target; ++row) {
            if (grid.isSaved(row - 1))
                sequences.append({grid.key(row - 1), next++});
        }
    }
    const QString keyColumn = keyFilterPrefix.chopped(1);
    {
        Transaction transaction(db());
        QSqlQuery update =
            db().prepare(QStringLiteral("UPDATE %1 SET Sequence=? WHERE %2=?").arg(grid.table(), keyColumn));
        for (const auto& [key, sequence] : sequences)
            db().run(update, {sequence, key});
        transaction.commit();
    }
    grid.requery();
    grid.applyLayout(layoutPath(layoutFile));
}

void TemplateMaintenance::enterControl(const QString& controlName) {
    m_activeControl = controlName;
    if (controlName == QLatin1String("cmbTemplate")) {
        m_editContext = TemplateList;
        setToolbar(TemplateListMask);
    } else if (controlName == QLatin1String("txtField")) {
        m_editContext = NameBox;
        setToolbar(ExitMask);
    } else if (controlName == QLatin1String("lstAvailable")) {
        setToolbar(ExitMask);
    } else {
        return;
    }
    showStatus(helpText(controlName));
}

void TemplateMaintenance::enterGrid(TemplateGrid which) {
    guarded(QString(), [this, which] {
        m_activeControl = grid(which).objectName();
        if (!templateSelected()) {
            requestFocus(QStringLiteral("cmbTemplate"));
            return;
        }
        if (which == TemplateGrid::EntryField || which == TemplateGrid::FieldValue ||
            which == TemplateGrid::FileNameField)
            m_fieldRules->entered(which);
        else
            m_questionRules->entered(which);
    });
}

void TemplateMaintenance::leaveGrid(TemplateGrid which) {
    guarded(QString(), [this, which] {
        if (which == TemplateGrid::Question || which == TemplateGrid::Answer || which == TemplateGrid::Picklist)
            m_questionRules->left(which);
        else if (!grid(which).commit())
            requestFocus(grid(which).objectName());
    });
}

void TemplateMaintenance::dropRow(TemplateGrid which, int target) {
    guarded(QString(), [this, which, target] {
        const TemplateGrids::Info info = TemplateGrids::info(which);
        ResequenceRows(grid(which), QString::fromLatin1(info.keyFilterPrefix), QString::fromLatin1(info.layoutFile),
                       target);
    });
}

void TemplateMaintenance::changeTab(int tab) {
    guarded(QString(), [this, tab] {
        if (tab == EntryFieldsTab) {
            requestFocus(QStringLiteral("txtField"));
        } else if (tab == QuestionsTab) {
            requestFocus(QStringLiteral("jgQuestion"));
        } else if (tab == FileNameTab) {
            SaveTemplateEdits();
            LoadFileNameLists();
            requestFocus(QStringLiteral("lstAvailable"));
        }
    });
}

void TemplateMaintenance::ToolbarButtonClick(const QString& caption) {
    guarded(QString(), [this, &caption] {
        if (caption == QLatin1String("Add")) {
            if (SaveTemplateEdits())
                return;
            const AddTemplateResult added = m_windows.addTemplate();
            if (!added.abort)
                LoadTemplateList(added.templateKey);
        } else if (caption == QLatin1String("Del")) {
            removeByContext();
        } else if (caption == QLatin1String("Exit")) {
            Q_EMIT unloadRequested();
        } else if (caption == QLatin1String("Print")) {
            if (m_selected < 0)
                return;
            SaveTemplateEdits();
            m_windows.printTemplate(m_templates.at(m_selected).key);
        } else if (caption == QLatin1String("Upload")) {
            upload();
        } else if (caption == QLatin1String("Del Q")) {
            m_questionRules->removeQuestion();
        } else if (caption == QLatin1String("Del A")) {
            m_questionRules->removeAnswer();
        } else if (caption == QLatin1String("Del L")) {
            if (m_activeControl == QLatin1String("jgPicklist"))
                m_questionRules->removePickListItem();
            else if (m_activeControl == QLatin1String("jgFileNameField"))
                m_fieldRules->removeFileNameField();
        }
    });
}

void TemplateMaintenance::removeByContext() {
    switch (m_editContext) {
    case TemplateList:
        deleteTemplate();
        break;
    case EntryFields:
        m_fieldRules->removeEntryField();
        break;
    case FieldValues:
        m_fieldRules->removeFieldValue();
        break;
    default:
        break;
    }
}

void TemplateMaintenance::deleteTemplate() {
    if (!programPrompter().confirm(QStringLiteral("Delete Current Template?"), QStringLiteral("Delete Verification")))
        return;
    if (m_templateKey > 0 && !TemplateRows::deleteTemplate(db(), m_templateKey))
        return;
    // Whatever was being typed belonged to the template that is gone.
    for (auto& grid : m_grids)
        grid->cancelEdit();
    m_templateKey = 0;
    LoadTemplateList(0);
}

void TemplateMaintenance::upload() {
    if (SaveTemplateEdits())
        return;
    if (!templateSelected()) {
        programPrompter().inform(QStringLiteral("Select template / press Add to add new template"),
                                 QStringLiteral("Template Error"), PromptIcon::Critical);
        return;
    }
    TemplateUpload upload(m_session, *this);
    upload.UploadTemplate(m_templateKey, m_templateName);
}

bool TemplateMaintenance::queryUnload() {
    bool failed = true;
    guarded(QString(), [this, &failed] { failed = SaveTemplateEdits(); });
    return !failed;
}

QString TemplateMaintenance::layoutPath(const QString& file) const {
    return programSettings().LayoutPath + file;
}

void TemplateMaintenance::applyLayout(TemplateGrid which) {
    grid(which).applyLayout(layoutPath(QString::fromLatin1(TemplateGrids::info(which).layoutFile)));
}

void TemplateMaintenance::showGridState(TemplateGrid which) {
    BoundGrid& shown = grid(which);
    const bool saved = shown.isSaved(shown.currentRow());
    switch (which) {
    case TemplateGrid::EntryField:
    case TemplateGrid::FieldValue:
        setToolbar(saved ? RemoveMask | ExitMask : ExitMask);
        break;
    case TemplateGrid::FileNameField:
    case TemplateGrid::Picklist:
        setToolbar(saved ? RemoveListMask | ExitMask : ExitMask);
        break;
    case TemplateGrid::Question:
        setToolbar(saved ? RemoveQuestionMask | ExitMask : ExitMask);
        break;
    case TemplateGrid::Answer:
        setToolbar(saved ? RemoveAnswerMask | ExitMask : ExitMask);
        break;
    }
    if (which == TemplateGrid::FileNameField)
        showStatus(helpText(shown.objectName()));
    else if (shown.currentColumn() >= 0)
        showStatus(shown.currentHelp());
}

void TemplateMaintenance::setToolbar(quint32 mask) {
    if (mask == m_mask)
        return;
    m_mask = mask;
    Q_EMIT toolbarMaskChanged(mask);
}

void TemplateMaintenance::requestFocus(const QString& controlName) {
    Q_EMIT focusRequested(controlName);
}

void TemplateMaintenance::showStatus(const QString& text) {
    m_status = text;
    Q_EMIT statusChanged(text);
}

void TemplateMaintenance::showBusy(bool busy) {
    Q_EMIT busyChanged(busy);
}
