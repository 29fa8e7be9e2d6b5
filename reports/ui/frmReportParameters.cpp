#include "frmReportParameters.h"

#include "BoundGridView.h"
#include "DataEnvironment.h"
#include "FormStatusBar.h"
#include "FormToolbar.h"
#include "LogError.h"
#include "ProgramSettings.h"
#include "ReportOutput.h"
#include "ReportRunWindow.h"
#include "WindowTeardown.h"
#include "frmAddColumnField.h"
#include "frmReportAnswerChart.h"
#include "frmReportEvaluation.h"
#include "frmReportGroupSummary.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolBar>
#include <QVBoxLayout>

#include "ctlTrelkPrintPreview.h"

namespace {

constexpr int ClientWidth = 660;
constexpr int ClientHeight = 420;

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("lblField"));
    return label;
}

// Losing the focus to another window is not leaving the control: the user comes back to it.
bool leavesControl(const QFocusEvent* event) {
    return event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
}

QList<int> selectedRows(const QListWidget* list) {
    QList<int> rows;
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->isSelected())
            rows << row;
    return rows;
}

} // namespace

frmReportParameters::frmReportParameters(QWidget* owner)
    : QMainWindow(owner, Qt::Window),
      m_logic(DataEnvironment::instance().cnnConnection(),
              {[this](qint64 templateKey, qint64 reportKey) { return showAddColumnField(templateKey, reportKey); },
               [this](const ReportRequest& request) { showGenerator(request); },
               [this] { ctlTrelkPrintPreview::ppPrinterSetup(this); }}) {
    setObjectName(QStringLiteral("frmReportParameters"));
    setWindowTitle(QStringLiteral("Report Generator"));
    buildMenu();
    SetupToolbar(this, ReportParameters::ToolbarMask);
    connect(windowToolbar(this), &QToolBar::actionTriggered, this,
            [this](QAction* button) { m_logic.ToolbarButtonClick(button->text()); });

    auto* client = new QWidget(this);
    client->resize(ClientWidth, ClientHeight);
    buildReports(client)->setGeometry(8, 8, 230, 170);
    m_columnFields = new BoundGridView(&m_logic.jgColumnFields(), client);
    m_columnFields->setObjectName(QStringLiteral("jgColumnFields"));
    m_columnFields->setGeometry(8, 186, 230, ClientHeight - 194 - 30);
    m_control = new ctlTrelkPrintPreview(client);
    m_control->setObjectName(QStringLiteral("ctlTrelkPrintPreview1"));
    m_control->setConnectionString(reportConnectionString());
    m_control->move(8, ClientHeight - 28);
    buildParameters(client)->setGeometry(246, 8, ClientWidth - 254, ClientHeight - 16);
    setCentralWidget(client);
    RecordControlPositions(m_positions, client);
    client->installEventFilter(this);

    m_panel = SetupStatusBar(this);
    m_progress = AddStatusBarProgress(this);

    connect(m_reports, &QListWidget::currentRowChanged, this, [this](int row) { m_logic.chooseReport(row); });
    connect(m_templates, &QComboBox::activated, this, [this](int index) { m_logic.chooseTemplate(index); });
    connect(m_groups, &QListWidget::itemSelectionChanged, this,
            [this] { m_logic.selectGroups(selectedRows(m_groups)); });
    // Only what changed: selecting all of a hundred thousand is one range, not a row each.
    connect(m_files->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                if (m_showingFiles)
                    return;
                for (const QItemSelectionRange& range : deselected)
                    m_logic.setFilesSelected(range.top(), range.bottom(), false);
                for (const QItemSelectionRange& range : selected)
                    m_logic.setFilesSelected(range.top(), range.bottom(), true);
            });
    connect(m_files->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!m_showingFiles)
                    m_logic.setCurrentFile(current.row());
            });
    connect(m_columnFields, &BoundGridView::entered, this, [this] {
        m_logic.enterColumnFields();
        m_logic.enterControl(QStringLiteral("jgColumnFields"));
    });
    connect(m_columnFields, &BoundGridView::left, this, [this] { m_logic.leaveColumnFields(); });

    connect(&m_logic, &ReportParameters::reportsChanged, this, &frmReportParameters::showReports);
    connect(&m_logic, &ReportParameters::templatesChanged, this, &frmReportParameters::showTemplates);
    connect(&m_logic, &ReportParameters::groupsChanged, this, &frmReportParameters::showGroups);
    connect(&m_logic, &ReportParameters::datesChanged, this, &frmReportParameters::showDates);
    connect(&m_logic, &ReportParameters::filesChanged, this, &frmReportParameters::showFiles);
    connect(&m_logic, &ReportParameters::columnFieldsEnabledChanged, m_columnFields, &QWidget::setEnabled);
    connect(&m_logic, &ReportParameters::toolbarMaskChanged, this,
            [this](quint32 mask) { EnableToolbarButtons(this, mask, m_mask); });
    connect(&m_logic, &ReportParameters::statusChanged, m_panel, &QLabel::setText);
    connect(&m_logic, &ReportParameters::busyChanged, this, &frmReportParameters::showBusy);
    connect(&m_logic, &ReportParameters::unloadRequested, this, &QWidget::close);
    resize(sizeHint().expandedTo(QSize(ClientWidth, ClientHeight + 90)));
}

frmReportParameters::~frmReportParameters() {
    showBusy(false);
    TearDownControls(this);
}

void frmReportParameters::buildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    const auto item = [this, file](const char* name, const QString& text, auto command) {
        QAction* action = file->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, command);
        return action;
    };
    item("mnuPrintSetup", QStringLiteral("Print Set&up"), [this] { m_logic.mnuPrintSetup(); });
    item("mnuExportCsv", QStringLiteral("Export &CSV…"), [this] { exportCsv(); });
    file->addSeparator();
    item("mnuExit", QStringLiteral("E&xit"), [this] { m_logic.mnuExit(); });
}

QWidget* frmReportParameters::buildReports(QWidget* client) {
    auto* frame = new QGroupBox(QStringLiteral("Reports"), client);
    frame->setObjectName(QStringLiteral("fraReports"));
    auto* layout = new QVBoxLayout(frame);
    m_reports = new QListWidget(frame);
    m_reports->setObjectName(QStringLiteral("lstReports"));
    m_reports->installEventFilter(this);
    layout->addWidget(m_reports);
    return frame;
}

QWidget* frmReportParameters::buildParameters(QWidget* client) {
    auto* frame = new QGroupBox(QStringLiteral("Parameters"), client);
    frame->setObjectName(QStringLiteral("fraParameters"));
    auto* layout = new QGridLayout(frame);
    layout->addWidget(caption(QStringLiteral("Template:"), frame), 0, 0);
    m_templates = new QComboBox(frame);
    m_templates->setObjectName(QStringLiteral("cmbTemplate"));
    layout->addWidget(m_templates, 0, 1, 1, 4);
    layout->addWidget(caption(QStringLiteral("Group:"), frame), 1, 0, Qt::AlignTop);
    m_groups = new QListWidget(frame);
    m_groups->setObjectName(QStringLiteral("lstGroup"));
    m_groups->setSelectionMode(QAbstractItemView::MultiSelection);
    m_groups->setMaximumHeight(80);
    layout->addWidget(m_groups, 1, 1, 1, 4);
    layout->addWidget(caption(QStringLiteral("Download Date:"), frame), 2, 0);
    for (int index = 0; index < 2; ++index) {
        layout->addWidget(caption(index == 0 ? QStringLiteral("Begin:") : QStringLiteral("End:"), frame), 2,
                          1 + 2 * index, Qt::AlignRight);
        m_dates[index] = new QLineEdit(frame);
        m_dates[index]->setObjectName(QStringLiteral("MskField"));
        m_dates[index]->setProperty("index", index);
        m_dates[index]->setInputMask(QStringLiteral("99/99/99"));
        layout->addWidget(m_dates[index], 2, 2 + 2 * index);
    }
    layout->addWidget(caption(QStringLiteral("Evaluations:"), frame), 3, 0, Qt::AlignTop);
    m_files = new QListView(frame);
    m_files->setObjectName(QStringLiteral("lstFileName"));
    m_files->setModel(m_logic.fileModel());
    m_files->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_files->setUniformItemSizes(true);
    m_files->setSelectionMode(QAbstractItemView::MultiSelection);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    m_files->setFont(fixed);
    layout->addWidget(m_files, 3, 1, 1, 4);
    auto* selectAll = new QPushButton(QStringLiteral("&Select All"), frame);
    selectAll->setObjectName(QStringLiteral("cmdSelectAll"));
    auto* clearAll = new QPushButton(QStringLiteral("&Clear All"), frame);
    clearAll->setObjectName(QStringLiteral("cmdClearAll"));
    layout->addWidget(selectAll, 4, 1, 1, 2);
    layout->addWidget(clearAll, 4, 3, 1, 2);
    layout->setRowStretch(3, 1);
    layout->setColumnStretch(2, 1);
    layout->setColumnStretch(4, 1);
    connect(selectAll, &QPushButton::clicked, this, [this] { m_logic.selectAllFiles(true); });
    connect(clearAll, &QPushButton::clicked, this, [this] { m_logic.selectAllFiles(false); });
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_templates, m_groups, m_dates[0], m_dates[1], m_files, selectAll, clearAll})
        control->installEventFilter(this);
    return frame;
}

void frmReportParameters::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_opened)
        return;
    m_opened = true;
    m_logic.open();
}

bool frmReportParameters::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        guarded(QString(), [this] { ResizeControls(m_positions, centralWidget()); });
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        auto* control = qobject_cast<QWidget*>(watched);
        const int date = control == m_dates[0] ? 0 : control == m_dates[1] ? 1 : -1;
        if (event->type() == QEvent::FocusIn) {
            if (date >= 0)
                m_logic.enterDate(date);
            else if (control && control != centralWidget())
                m_logic.enterControl(control->objectName());
        } else if (date >= 0 && leavesControl(static_cast<QFocusEvent*>(event))) {
            m_logic.leaveDate(date, m_dates[date]->text());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmReportParameters::showReports() {
    const QSignalBlocker quiet(m_reports);
    m_reports->clear();
    for (const ReportDefinition& report : m_logic.reports())
        m_reports->addItem(report.name);
    m_reports->setCurrentRow(m_logic.currentReport());
}

void frmReportParameters::showTemplates() {
    const QSignalBlocker quiet(m_templates);
    m_templates->clear();
    for (const ListEntry& entry : m_logic.templates())
        m_templates->addItem(entry.text, entry.key);
    m_templates->setCurrentIndex(m_logic.currentTemplate());
}

void frmReportParameters::showGroups() {
    const QSignalBlocker quiet(m_groups);
    m_groups->clear();
    for (const ListEntry& entry : m_logic.groups())
        m_groups->addItem(entry.text);
    for (int row = 0; row < m_groups->count(); ++row)
        m_groups->item(row)->setSelected(m_logic.groupSelection().at(row));
}

void frmReportParameters::showDates() {
    for (int index = 0; index < 2; ++index)
        m_dates[index]->setText(m_logic.dateText(index));
}

// The list's model is the logic's own and shows its lines already; the selection is shown
// as runs of selected entries.
void frmReportParameters::showFiles() {
    const QAbstractItemModel* model = m_files->model();
    const QList<bool>& chosen = m_logic.fileSelection();
    QItemSelection selection;
    for (int row = 0; row < chosen.size(); ++row) {
        if (!chosen.at(row))
            continue;
        const int first = row;
        while (row + 1 < chosen.size() && chosen.at(row + 1))
            ++row;
        selection.select(model->index(first, 0), model->index(row, 0));
    }
    m_showingFiles = true;
    m_files->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_files->selectionModel()->setCurrentIndex(model->index(m_logic.currentFile(), 0), QItemSelectionModel::NoUpdate);
    m_showingFiles = false;
}

bool frmReportParameters::showAddColumnField(qint64 templateKey, qint64 reportDefinitionKey) {
    frmAddColumnField dialog(DataEnvironment::instance().cnnConnection(), templateKey, reportDefinitionKey,
                             m_templates->currentText(), this);
    dialog.exec();
    return dialog.Cancelled();
}

void frmReportParameters::showGenerator(const ReportRequest& request) {
    ReportRunWindow* window = nullptr;
    if (request.report.objectName == ReportParameters::GroupSummaryGenerator) {
        window = new frmReportGroupSummary(request, this);
        window->setProperty("ReportVariant", request.variant);
    } else if (request.report.objectName == ReportParameters::AnswerChartGenerator) {
        window = new frmReportAnswerChart(request, this);
    } else {
        window = new frmReportEvaluation(request, this);
    }
    window->setProperty("PreviewReport", request.preview);
    window->show();
}

void frmReportParameters::exportCsv() {
    const std::optional<ReportParameters::ExportChoice> choice = m_logic.exportChoice();
    if (!choice)
        return;
    const QString fileName = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export CSV"), programSettings().DataPath + choice->templateName + QStringLiteral(".csv"),
        QStringLiteral("CSV files (*.csv)"));
    if (fileName.isEmpty())
        return;
    showBusy(true);
    m_progress->show();
    m_logic.exportCsv(*choice, fileName, [this](int value, int maximum) {
        m_progress->setMaximum(maximum);
        m_progress->setValue(value);
        // The result's message comes next; the bar has nothing more to say.
        if (value >= maximum)
            m_progress->hide();
    });
    m_progress->hide();
    showBusy(false);
}

void frmReportParameters::showBusy(bool busy) {
    m_waitCursor.show(busy);
}
