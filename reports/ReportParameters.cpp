#include "ReportParameters.h"

#include "EntryRules.h"
#include "EvaluationExport.h"
#include "KestrivoError.h"
#include "LogError.h"
#include "ProgramSettings.h"
#include "Prompter.h"
#include "ReportColumnFields.h"
#include "ReportLists.h"

#include <QDir>
#include <QSaveFile>
#include <utility>

namespace {

const QString ReportErrorTitle = QStringLiteral("Report Error");
const QString ExportTitle = QStringLiteral("Export CSV");

QList<GridColumn> columnFieldColumns() {
    GridColumn field;
    field.caption = QStringLiteral("Report Columns");
    field.column = QStringLiteral("FieldLabel");
    field.help = QStringLiteral("Add / Delete column(s) used for report header");
    field.toolTip = QStringLiteral("Column(s) used for report header");
    field.stored = false;
    field.width = 200;
    QList<GridColumn> columns;
    for (const char* hidden : {"ReportColumnFieldKey", "ReportDefinitionKey", "TemplateKey", "TemplateFieldKey"}) {
        GridColumn key;
        key.caption = QString::fromLatin1(hidden);
        key.column = key.caption;
        key.visible = false;
        key.kind = GridColumn::Kind::WholeNumber;
        columns << key;
    }
    columns << field;
    return columns;
}

} // namespace

ReportParameters::ReportParameters(const Database& database, Windows windows, QObject* parent)
    : QObject(parent), m_database(database), m_windows(std::move(windows)),
      m_columnFields(std::make_unique<BoundGrid>(QStringLiteral("jgColumnFields"), QStringLiteral("ReportColumnField"),
                                                 columnFieldColumns())),
      m_files(ReportLists::lineOf) {
    m_columnFields->setReadOnly(true);
    m_columnFields->setSortColumn(QStringLiteral("FieldLabel"));
    m_dates[0] = DefaultBegin;
    m_dates[1] = DefaultEnd;
}

ReportParameters::~ReportParameters() = default;

QString ReportParameters::helpText(const QString& controlName) {
    static const QHash<QString, QString> texts{
        {QStringLiteral("lstReports"), QStringLiteral("Select the report to print!")},
        {QStringLiteral("cmbTemplate"), QStringLiteral("Select the template to filter file names by")},
        {QStringLiteral("lstGroup"), QStringLiteral("Select the groups to filter on the report")},
        {QStringLiteral("MskField0"), QStringLiteral("Enter the begin download date to filter file names by")},
        {QStringLiteral("MskField1"), QStringLiteral("Enter the ending download date to filter file names by")},
        {QStringLiteral("lstFileName"), QStringLiteral("Select the evaluation to print")},
        {QStringLiteral("cmdSelectAll"), QStringLiteral("Click to select all file names")},
        {QStringLiteral("cmdClearAll"), QStringLiteral("Click to clear all file names")},
        {QStringLiteral("jgColumnFields"), QStringLiteral("Add / Delete column(s) used for report header")},
    };
    return texts.value(controlName);
}

void ReportParameters::open() {
    Q_EMIT busyChanged(true);
    guarded(QStringLiteral("Form_Load"), [this] {
        setToolbar(ToolbarMask);
        m_dates[0] = DefaultBegin;
        m_dates[1] = DefaultEnd;
        Q_EMIT datesChanged();
        m_reports = ReportLists::reportDefinitions(m_database);
        m_currentReport = m_reports.isEmpty() ? -1 : 0;
        m_previousReportType = m_currentReport < 0 ? -1 : m_reports.first().reportType;
        Q_EMIT reportsChanged();
        m_templates = ReportLists::templates(m_database);
        m_currentTemplate = 0;
        Q_EMIT templatesChanged();
        RefreshGroupList();
        ShowColumnFields();
        RefreshFileList();
    });
    Q_EMIT busyChanged(false);
}

void ReportParameters::holdFileList(bool held) {
    m_fileListHeld = held;
    if (!held && std::exchange(m_fileListStale, false))
        guarded(QStringLiteral("RefreshFileList"), [this] { RefreshFileList(); });
}

void ReportParameters::chooseReport(int index) {
    guarded(QStringLiteral("lstReports_Click"), [this, index] {
        if (index < 0 || index >= m_reports.size())
            return;
        m_currentReport = index;
        const int type = m_reports.at(index).reportType;
        if (type != m_previousReportType)
            RefreshFileList();
        m_previousReportType = type;
        ShowColumnFields();
    });
}

void ReportParameters::chooseTemplate(int index) {
    guarded(QStringLiteral("cmbTemplate_Click"), [this, index] {
        if (index < 0 || index >= m_templates.size())
            return;
        m_currentTemplate = index;
        RefreshGroupList();
        ShowColumnFields();
        RefreshFileList();
    });
}

void ReportParameters::selectGroups(const QList<int>& indexes) {
    guarded(QStringLiteral("lstGroup_Click"), [this, &indexes] {
        for (int i = 0; i < m_groupSelected.size(); ++i)
            m_groupSelected[i] = indexes.contains(i);
        RefreshFileList();
    });
}

void ReportParameters::enterDate(int index) {
    if (!std::exchange(m_dateEntered[index], true))
        m_dateOnEntry[index] = m_dates[index];
    enterControl(QStringLiteral("MskField") + QString::number(index));
}

void ReportParameters::leaveDate(int index, const QString& text) {
    if (!std::exchange(m_dateEntered[index], false))
        return;
    guarded(QStringLiteral("MskField_LostFocus"), [this, index, &text] {
        // A date field never keeps a date that is not one.
        if (!EntryRules::isDate(text)) {
            m_dates[index] = m_dateOnEntry[index];
            Q_EMIT datesChanged();
            return;
        }
        m_dates[index] = text;
        if (text != m_dateOnEntry[index])
            RefreshFileList();
    });
}

void ReportParameters::setCurrentFile(int index) {
    m_currentFile = index >= 0 && index < m_files.size() ? index : -1;
}

void ReportParameters::setFileSelected(int index, bool selected) {
    if (index < 0 || index >= m_fileSelected.size())
        return;
    m_fileSelected[index] = selected;
    m_currentFile = index;
}

void ReportParameters::setFilesSelected(int first, int last, bool selected) {
    for (int i = std::max(first, 0); i <= last && i < m_fileSelected.size(); ++i)
        m_fileSelected[i] = selected;
}

// As if every entry were clicked in turn: the last one becomes the current one.
void ReportParameters::selectAllFiles(bool selected) {
    m_fileSelected.fill(selected);
    if (!m_fileSelected.isEmpty())
        m_currentFile = int(m_fileSelected.size()) - 1;
    Q_EMIT filesChanged();
}

void ReportParameters::RefreshGroupList() {
    m_groups = ReportLists::groups(m_database, templateKey());
    m_groupSelected = QList<bool>(m_groups.size(), false);
    if (!m_groupSelected.isEmpty())
        m_groupSelected[0] = true;
    Q_EMIT groupsChanged();
}

void ReportParameters::ShowColumnFields() {
    bool enabled = false;
    const ReportDefinition* current = report();
    if (current && m_currentTemplate >= 0) {
        m_columnFields->bind(m_database, ReportColumnFields::GridSql, {current->reportDefinitionKey, templateKey()});
        m_columnFields->applyLayout(programSettings().LayoutPath + QStringLiteral("frmReportTemplate.lyt"));
        enabled = current->columnsUsed && !(templateKey() == 0 && !current->allowAllTemplates);
    } else {
        m_columnFields->unbind();
    }
    m_gridEnabled = enabled;
    Q_EMIT columnFieldsEnabledChanged(enabled);
    setToolbar(enabled ? ToolbarMask : ToolbarMask & ~(AddMask | RemoveMask));
}

void ReportParameters::RefreshFileList() {
    if (m_fileListHeld) {
        m_fileListStale = true;
        return;
    }
    ReportLists::EvaluationFilter filter;
    filter.begin = EntryRules::parseDate(m_dates[0]).value_or(*EntryRules::parseDate(DefaultBegin));
    filter.end = EntryRules::parseDate(m_dates[1]).value_or(*EntryRules::parseDate(DefaultEnd));
    if (!m_groups.isEmpty() && m_groups.first().key != 0) {
        for (int i = 0; i < m_groups.size(); ++i)
            if (m_groupSelected.at(i))
                filter.groupKeys << m_groups.at(i).key;
    }
    filter.templateKey = templateKey();
    const ReportLists::Statement statement =
        ReportLists::evaluationsStatement(m_database, filter, QStringLiteral("Evaluation.EvaluationKey"));
    m_currentFile = -1;
    // A list that cannot be read leaves the one shown, with its selection.
    m_files.reset(m_database, statement.sql, statement.values);
    m_fileSelected = QList<bool>(m_files.size(), false);
    Q_EMIT filesChanged();
}

void ReportParameters::ToolbarButtonClick(const QString& caption) {
    guarded(QStringLiteral("Toolbar1_ButtonClick"), [this, &caption] {
        if (caption == QLatin1String("Add")) {
            const ReportDefinition* current = report();
            if (!m_gridEnabled || !current || !m_windows.addColumnField)
                return;
            if (!m_windows.addColumnField(templateKey(), current->reportDefinitionKey))
                ShowColumnFields();
        } else if (caption == QLatin1String("Del")) {
            if (!m_gridHasFocus || !m_gridEnabled)
                return;
            const QVariant key = m_columnFields->key(m_columnFields->currentRow());
            if (key.isNull())
                return;
            ReportColumnFields::remove(m_database, key.toLongLong());
            ShowColumnFields();
        } else if (caption == QLatin1String("Exit")) {
            Q_EMIT unloadRequested();
        } else if (caption == QLatin1String("Print")) {
            print(false);
        } else if (caption == QLatin1String("Prevw")) {
            print(true);
        }
    });
}

void ReportParameters::mnuPrintSetup() {
    guarded(QStringLiteral("mnuPrintSetup_Click"), [this] {
        if (m_windows.printSetup)
            m_windows.printSetup();
    });
}

void ReportParameters::mnuExit() {
    Q_EMIT unloadRequested();
}

void ReportParameters::enterControl(const QString& controlName) {
    m_status = helpText(controlName);
    Q_EMIT statusChanged(m_status);
}

std::optional<ReportRequest> ReportParameters::checkedRequest(bool preview) {
    Prompter& prompter = programPrompter();
    const ReportDefinition* current = report();
    if (!current || m_currentFile < 0) {
        prompter.inform(QStringLiteral("You must select report / file name to print."),
                        QStringLiteral("Selection Error"), PromptIcon::Critical);
        return std::nullopt;
    }
    if ((m_currentTemplate < 0 || templateKey() == 0) && !current->allowAllTemplates) {
        prompter.inform(QStringLiteral("You must select a template for this report"), ReportErrorTitle,
                        PromptIcon::Exclamation);
        return std::nullopt;
    }
    const qsizetype groups = m_groupSelected.count(true);
    if (!current->allowAllGroups && groups != 1) {
        prompter.inform(groups == 0 ? QStringLiteral("You must select a group for this report")
                                    : QStringLiteral("You cannot select multiple groups for this report"),
                        ReportErrorTitle, PromptIcon::Exclamation);
        return std::nullopt;
    }
    const qsizetype files = m_fileSelected.count(true);
    if (!current->multiSelectEvaluations && files >= 2) {
        prompter.inform(QStringLiteral("You cannot select more than one evaluation per report"), ReportErrorTitle,
                        PromptIcon::Exclamation);
        return std::nullopt;
    }
    if (files == 0) {
        prompter.inform(QStringLiteral("You must select an evalation for the report"), ReportErrorTitle,
                        PromptIcon::Exclamation);
        return std::nullopt;
    }

    ReportRequest request;
    request.report = *current;
    request.templateKey = templateKey();
    request.templateText = m_currentTemplate >= 0 ? m_templates.at(m_currentTemplate).text : QString();
    request.firstGroupKey = m_groups.isEmpty() ? 0 : m_groups.first().key;
    for (int i = 0; i < m_groups.size(); ++i)
        if (m_groupSelected.at(i))
            request.groupKeys << m_groups.at(i).key;
    request.beginText = m_dates[0];
    request.endText = m_dates[1];
    request.evaluations.reserve(m_files.size());
    for (int i = 0; i < m_files.size(); ++i)
        request.evaluations.append({m_files.keys().at(i), m_fileSelected.at(i)});
    for (int row = 0; row < m_columnFields->dataRowCount(); ++row)
        request.columnFields.append({m_columnFields->value(row, QStringLiteral("TemplateFieldKey")).toLongLong(),
                                     m_columnFields->value(row, QStringLiteral("FieldLabel")).toString()});
    request.preview = preview;
    request.variant = current->objectName == GroupSummaryGenerator ? current->reportType - 1 : 0;
    return request;
}

void ReportParameters::print(bool preview) {
    const std::optional<ReportRequest> request = checkedRequest(preview);
    if (!request)
        return;
    const QString& generator = request->report.objectName;
    if ((generator == EvaluationGenerator || generator == GroupSummaryGenerator || generator == AnswerChartGenerator) &&
        m_windows.showGenerator)
        m_windows.showGenerator(*request);
}

std::optional<ReportParameters::ExportChoice> ReportParameters::exportChoice() {
    if (templateKey() == 0) {
        programPrompter().inform(
            QStringLiteral("Choose a template first: the columns of the CSV file are the fields and "
                           "questions of one template."),
            ExportTitle, PromptIcon::Exclamation);
        return std::nullopt;
    }
    ExportChoice choice{templateKey(), m_templates.at(m_currentTemplate).text, {}};
    for (int i = 0; i < m_files.size(); ++i)
        if (m_fileSelected.at(i))
            choice.evaluations << m_files.keys().at(i);
    if (choice.evaluations.isEmpty()) {
        programPrompter().inform(QStringLiteral("Select the evaluations to export."), ExportTitle,
                                 PromptIcon::Exclamation);
        return std::nullopt;
    }
    return choice;
}

qint64 ReportParameters::exportCsv(const ExportChoice& choice, const QString& fileName,
                                   const ReportProgress& progress) {
    qint64 written = -1;
    guarded(QStringLiteral("mnuExportCsv_Click"), [&] {
        QSaveFile file(fileName);
        if (!file.open(QIODevice::WriteOnly))
            throw KestrivoError(
                ErrorNumber::General,
                QStringLiteral("%1 cannot be written: %2").arg(QDir::toNativeSeparators(fileName), file.errorString()));
        EvaluationExport exporter(m_database);
        exporter.setProgress(progress);
        const qint64 rows = exporter.write(file, choice.templateKey, choice.evaluations);
        if (!file.commit())
            throw KestrivoError(
                ErrorNumber::General,
                QStringLiteral("%1 cannot be written: %2").arg(QDir::toNativeSeparators(fileName), file.errorString()));
        written = rows;
    });
    if (written >= 0)
        programPrompter().inform(
            QStringLiteral("%1 evaluation(s) exported to %2.").arg(written).arg(QDir::toNativeSeparators(fileName)),
            ExportTitle);
    return written;
}

void ReportParameters::setToolbar(quint32 mask) {
    if (mask == m_mask)
        return;
    m_mask = mask;
    Q_EMIT toolbarMaskChanged(mask);
}

const ReportDefinition* ReportParameters::report() const {
    return m_currentReport >= 0 && m_currentReport < m_reports.size() ? &m_reports.at(m_currentReport) : nullptr;
}

qint64 ReportParameters::templateKey() const {
    return m_currentTemplate >= 0 && m_currentTemplate < m_templates.size() ? m_templates.at(m_currentTemplate).key : 0;
}
