#include "frmTemplateMaintenance.h"

#include "BoundGridView.h"
#include "FormStatusBar.h"
#include "FormToolbar.h"
#include "LogError.h"
#include "WindowTeardown.h"
#include "frmAddTemplate.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

namespace {

// Design sizes in pixels (15 twips each): the panes are 7275 × 5175 twips.
constexpr int PaneWidth = 485;
constexpr int PaneHeight = 345;
constexpr int ClientWidth = PaneWidth + 24;
constexpr int TabTop = 66;
constexpr int ClientHeight = TabTop + PaneHeight + 40;

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("lblField"));
    return label;
}

} // namespace

frmTemplateMaintenance::frmTemplateMaintenance(DeviceSession& session, ReportOpener printTemplate, QWidget* owner)
    : QMainWindow(owner, Qt::Window), m_logic(session, {[this] { return showAddTemplate(); },
                                                        [this](qint64 templateKey) {
                                                            if (m_printTemplate)
                                                                m_printTemplate(this, templateKey);
                                                        }}),
      m_printTemplate(std::move(printTemplate)) {
    setObjectName(QStringLiteral("frmTemplateMaintenance"));
    setWindowTitle(QStringLiteral("Template Maintenance"));
    SetupToolbar(this, TemplateMaintenance::ToolbarMask);
    connect(windowToolbar(this), &QToolBar::actionTriggered, this,
            [this](QAction* button) { m_logic.ToolbarButtonClick(button->text()); });

    auto* client = new QWidget(this);
    client->resize(ClientWidth, ClientHeight);
    caption(QStringLiteral("Template:"), client)->setGeometry(8, 10, 100, 22);
    m_templates = new QComboBox(client);
    m_templates->setObjectName(QStringLiteral("cmbTemplate"));
    m_templates->setGeometry(112, 8, ClientWidth - 120, 24);
    caption(QStringLiteral("Template Name:"), client)->setGeometry(8, 38, 100, 22);
    m_name = new QLineEdit(client);
    m_name->setObjectName(QStringLiteral("txtField"));
    m_name->setProperty("index", 0);
    m_name->setMaxLength(50);
    m_name->setGeometry(112, 36, ClientWidth - 120, 24);
    m_tabs = new QTabWidget(client);
    m_tabs->setObjectName(QStringLiteral("TabStrip"));
    m_tabs->setGeometry(8, TabTop, ClientWidth - 16, ClientHeight - TabTop - 8);
    m_tabs->addTab(buildPane(0), QStringLiteral("Entry Fields"));
    m_tabs->addTab(buildPane(1), QStringLiteral("Questions"));
    m_tabs->addTab(buildPane(2), QStringLiteral("File Name"));
    setCentralWidget(client);
    RecordControlPositions(m_positions, client);
    client->installEventFilter(this);

    m_panel = SetupStatusBar(this);

    for (QWidget* control :
         {static_cast<QWidget*>(m_templates), static_cast<QWidget*>(m_name), static_cast<QWidget*>(m_available)})
        control->installEventFilter(this);
    connect(m_templates, &QComboBox::activated, this, [this](int index) { m_logic.chooseTemplate(index); });
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) { m_logic.setTemplateName(text); });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int tab) { m_logic.changeTab(tab); });
    connect(m_available, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { m_logic.AddFileNameField(m_available->row(item)); });
    connect(&m_logic, &TemplateMaintenance::templateListChanged, this, &frmTemplateMaintenance::showTemplateList);
    connect(&m_logic, &TemplateMaintenance::templateNameChanged, this, [this](const QString& name) {
        const QSignalBlocker quiet(m_name);
        m_name->setText(name);
    });
    connect(&m_logic, &TemplateMaintenance::availableFieldsChanged, this, &frmTemplateMaintenance::showAvailableFields);
    connect(&m_logic, &TemplateMaintenance::statusChanged, m_panel, &QLabel::setText);
    connect(&m_logic, &TemplateMaintenance::toolbarMaskChanged, this,
            [this](quint32 mask) { EnableToolbarButtons(this, mask, m_mask); });
    connect(&m_logic, &TemplateMaintenance::busyChanged, this, &frmTemplateMaintenance::showBusy);
    connect(&m_logic, &TemplateMaintenance::focusRequested, this, [this](const QString& name) {
        // After the event that asked for it, so focus does not move inside a focus change.
        QTimer::singleShot(0, this, [this, name] { focusControl(name); });
    });
    connect(&m_logic, &TemplateMaintenance::unloadRequested, this, &QWidget::close);
    resize(sizeHint().expandedTo(QSize(ClientWidth, ClientHeight + 90)));
}

frmTemplateMaintenance::~frmTemplateMaintenance() {
    showBusy(false);
    TearDownControls(this);
}

QWidget* frmTemplateMaintenance::buildPane(int index) {
    auto* pane = new QWidget;
    pane->setObjectName(QStringLiteral("fraEvaluation"));
    pane->setProperty("index", index);
    auto* layout = new QGridLayout(pane);
    layout->setContentsMargins(6, 6, 6, 6);
    if (index == 0) {
        layout->addWidget(caption(QStringLiteral("Entry Fields:"), pane), 0, 0, 1, 2);
        layout->addWidget(addGrid(TemplateGrid::EntryField, pane), 1, 0, 1, 2);
        layout->addWidget(caption(QStringLiteral("Dropdown Field Values:"), pane), 2, 0);
        layout->addWidget(addGrid(TemplateGrid::FieldValue, pane), 3, 0);
        layout->setRowStretch(1, 3);
        layout->setRowStretch(3, 2);
        layout->setColumnStretch(0, 1);
        layout->setColumnStretch(1, 1);
    } else if (index == 1) {
        layout->addWidget(caption(QStringLiteral("Questions:"), pane), 0, 0, 1, 2);
        layout->addWidget(addGrid(TemplateGrid::Question, pane), 1, 0, 1, 2);
        layout->addWidget(caption(QStringLiteral("Answers:"), pane), 2, 0);
        layout->addWidget(caption(QStringLiteral("Pick List:"), pane), 2, 1);
        layout->addWidget(addGrid(TemplateGrid::Answer, pane), 3, 0);
        layout->addWidget(addGrid(TemplateGrid::Picklist, pane), 3, 1);
        layout->setRowStretch(1, 1);
        layout->setRowStretch(3, 1);
    } else {
        layout->addWidget(caption(QStringLiteral("Entry Fields"), pane), 0, 0);
        layout->addWidget(caption(QStringLiteral("Selected Fields"), pane), 0, 1);
        m_available = new QListWidget(pane);
        m_available->setObjectName(QStringLiteral("lstAvailable"));
        m_available->setDragEnabled(true);
        m_available->setDragDropMode(QAbstractItemView::DragOnly);
        layout->addWidget(m_available, 1, 0);
        layout->addWidget(addGrid(TemplateGrid::FileNameField, pane), 1, 1);
    }
    return pane;
}

BoundGridView* frmTemplateMaintenance::addGrid(TemplateGrid which, QWidget* pane) {
    auto* view = new BoundGridView(&m_logic.grid(which), pane);
    m_views[int(which)] = view;
    connect(view, &BoundGridView::entered, this, [this, which] { m_logic.enterGrid(which); });
    connect(view, &BoundGridView::left, this, [this, which] { m_logic.leaveGrid(which); });
    connect(view, &BoundGridView::rowDropped, this, [this, which](int target) { m_logic.dropRow(which, target); });
    if (which == TemplateGrid::FileNameField) {
        connect(view, &BoundGridView::foreignDrop, this, [this](QObject* source, int) {
            if (source == m_available)
                m_logic.AddFileNameField(m_available->currentRow());
        });
    }
    return view;
}

void frmTemplateMaintenance::showTemplateList() {
    const QSignalBlocker quiet(m_templates);
    m_templates->clear();
    for (const TemplateMaintenance::TemplateItem& item : m_logic.templates())
        m_templates->addItem(item.name, item.key);
    m_templates->setCurrentIndex(m_logic.selectedTemplate());
}

void frmTemplateMaintenance::showAvailableFields() {
    m_available->clear();
    for (const TemplateMaintenance::TemplateItem& item : m_logic.availableFields()) {
        auto* entry = new QListWidgetItem(item.name, m_available);
        entry->setData(Qt::UserRole, item.key);
    }
}

void frmTemplateMaintenance::focusControl(const QString& controlName) {
    if (auto* control = findChild<QWidget*>(controlName)) {
        if (auto* pane = control->parentWidget(); pane && pane->objectName() == QLatin1String("fraEvaluation"))
            m_tabs->setCurrentWidget(pane);
        control->setFocus(Qt::OtherFocusReason);
    }
}

TemplateMaintenance::AddTemplateResult frmTemplateMaintenance::showAddTemplate() {
    frmAddTemplate dialog(this);
    dialog.exec();
    return {dialog.logic().abort, dialog.logic().templateKey};
}

bool frmTemplateMaintenance::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        guarded(QString(), [this] { ResizeControls(m_positions, centralWidget()); });
    if (event->type() == QEvent::FocusIn) {
        if (auto* control = qobject_cast<QWidget*>(watched); control && control != centralWidget())
            m_logic.enterControl(control->objectName());
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmTemplateMaintenance::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_opened)
        return;
    m_opened = true;
    m_logic.open();
}

void frmTemplateMaintenance::closeEvent(QCloseEvent* event) {
    if (!m_logic.queryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
}

void frmTemplateMaintenance::showBusy(bool busy) {
    m_waitCursor.show(busy);
}
