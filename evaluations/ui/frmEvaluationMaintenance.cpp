#include "frmEvaluationMaintenance.h"

#include "DataEnvironment.h"
#include "FormStatusBar.h"
#include "FormToolbar.h"
#include "LogError.h"
#include "NobrinTab.h"
#include "WindowTeardown.h"
#include "frmAddEvaluation.h"
#include "frmEvaluationHistory.h"
#include "frmOpenEvaluation.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSize>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// Wide and high enough for the "Nobrin" tab's handheld-sized pages and its menu bar.
constexpr int ClientWidth = 352;
constexpr int ClientHeight = 486;
constexpr int Margin = 6;

} // namespace

frmEvaluationMaintenance::frmEvaluationMaintenance(DeviceSession& session, QWidget* owner)
    : QMainWindow(owner, Qt::Window), m_logic(session, *this) {
    setObjectName(QStringLiteral("frmEvaluationMaintenance"));
    setWindowTitle(QStringLiteral("Evaluation Maintenance"));
    SetupToolbar(this, EvaluationMaintenance::ToolbarMask);
    connect(windowToolbar(this), &QToolBar::actionTriggered, this, [this](QAction* button) {
        const QString caption = button->text();
        guarded(QString(), [this, &caption] { m_logic.ToolbarButtonClick(caption); });
    });

    // The tab strip sits at its design place and keeps its proportions through
    // ResizeControls; what is inside a tab follows the tab strip.
    auto* client = new QWidget(this);
    client->resize(ClientWidth, ClientHeight);
    m_tabs = new QTabWidget(client);
    m_tabs->setObjectName(QStringLiteral("TabStrip"));
    m_tabs->setGeometry(Margin, Margin, ClientWidth - 2 * Margin, ClientHeight - 2 * Margin);
    m_tabs->addTab(buildHandheldPage(), QStringLiteral("Handheld"));
    m_tabs->addTab(new NobrinTab(m_logic.editor(), m_logic.commands()), QStringLiteral("Nobrin"));
    m_tabs->tabBar()->installEventFilter(this);
    setCentralWidget(client);
    RecordControlPositions(m_positions, client);
    client->installEventFilter(this);

    m_panel = SetupStatusBar(this);
    m_progress = AddStatusBarProgress(this);
    m_progress->setFormat(QStringLiteral("%v of %m"));

    connect(m_tabs, &QTabWidget::currentChanged, this, &frmEvaluationMaintenance::selectTab);
    ShowHelpOnFocus(this, [this](QWidget* control) { showHelp(control); });
    connect(&m_logic.download(), &EvaluationDownload::listFocusRequested, m_list, [this] {
        m_list->setFocus(Qt::OtherFocusReason);
        showHelp(m_list);
    });
    connect(&m_logic, &EvaluationMaintenance::unloadRequested, this, &QWidget::close);
    connect(&m_logic.commands(), &EvaluationEditorCommands::addDialogRequested, this, [this] {
        // One add dialog at a time: "New" again brings the open one forward.
        auto* dialog = findChild<frmAddEvaluation*>();
        if (!dialog)
            dialog = new frmAddEvaluation(DataEnvironment::instance().cnnConnection(), m_logic.editor(), this);
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    });
    m_logic.commands().setOpenDialog([this] {
        frmOpenEvaluation dialog(DataEnvironment::instance().cnnConnection(), this);
        dialog.exec();
        dialog.logic().unload();
        return dialog.logic().chosenEvaluation();
    });
    buildViewMenu();
    selectTab(EvaluationMaintenance::HandheldTab);
    resize(sizeHint().expandedTo(QSize(ClientWidth, ClientHeight + 110)));
}

// View > History: the changes of the evaluation opened on the "Nobrin" tab.
void frmEvaluationMaintenance::buildViewMenu() {
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("mnuView"));
    QAction* history = view->addAction(QStringLiteral("&History..."));
    history->setObjectName(QStringLiteral("mnuHistory"));
    history->setStatusTip(QStringLiteral("Show who changed the opened evaluation, when and what"));
    const auto enable = [this, history] { history->setEnabled(m_logic.editor().openedEvaluationKey() != 0); };
    enable();
    connect(view, &QMenu::aboutToShow, history, enable);
    connect(&m_logic.editor(), &EvaluationEditor::screenChanged, history, enable);
    connect(history, &QAction::triggered, this, [this] {
        const EvaluationEditor& editor = m_logic.editor();
        if (editor.openedEvaluationKey() == 0)
            return;
        guarded(QStringLiteral("mnuHistory_Click"), [this, &editor] {
            auto* window = new frmEvaluationHistory(DataEnvironment::instance().cnnConnection(),
                                                    editor.openedEvaluationKey(), editor.fileNameText(), this);
            window->show();
            window->raise();
            window->activateWindow();
        });
    });
}

frmEvaluationMaintenance::~frmEvaluationMaintenance() {
    showBusy(false);
    TearDownControls(this);
}

QWidget* frmEvaluationMaintenance::buildHandheldPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("fraEvaluation"));
    page->setProperty("index", EvaluationMaintenance::HandheldTab);
    m_list = new QListView(page);
    m_list->setObjectName(QStringLiteral("lstEvaluations"));
    m_list->setModel(m_logic.download().evaluations());
    m_list->setSelectionModel(m_logic.download().selection());
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setUniformItemSizes(true);
    auto* selectAll = new QPushButton(QStringLiteral("&Select All"), page);
    selectAll->setObjectName(QStringLiteral("cmdSelectAll"));
    connect(selectAll, &QPushButton::clicked, this,
            [this] { guarded(QString(), [this] { m_logic.download().SelectAll(); }); });
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_list, 1);
    layout->addWidget(selectAll, 0, Qt::AlignLeft);
    return page;
}

void frmEvaluationMaintenance::selectTab(int tab) {
    if (m_selecting)
        return;
    const QScopedValueRollback<bool> selecting(m_selecting, true);
    bool allowed = true;
    guarded(QStringLiteral("TabStrip_Click"), [this, tab, &allowed] { allowed = m_logic.TabStripClick(tab); });
    if (!allowed)
        tab = EvaluationMaintenance::NobrinTab;
    if (m_tabs->currentIndex() != tab)
        m_tabs->setCurrentIndex(tab);
    EnableToolbarButtons(this, EvaluationMaintenance::tabMask(tab), m_mask);
    if (tab == EvaluationMaintenance::HandheldTab && isVisible())
        m_list->setFocus(Qt::OtherFocusReason);
}

void frmEvaluationMaintenance::closeEvent(QCloseEvent* event) {
    bool unload = true;
    guarded(QStringLiteral("Form_QueryUnload"), [this, &unload] { unload = m_logic.commands().QueryUnload(); });
    if (unload)
        event->accept();
    else
        event->ignore();
}

void frmEvaluationMaintenance::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_tabs->currentIndex() == EvaluationMaintenance::HandheldTab)
        m_list->setFocus(Qt::OtherFocusReason);
}

bool frmEvaluationMaintenance::eventFilter(QObject* watched, QEvent* event) {
    // A click on the other tab is answered before the tab changes, so the page on the
    // screen never flips while an evaluation is in progress.
    if (watched == m_tabs->tabBar() && event->type() == QEvent::MouseButtonPress) {
        const int tab = m_tabs->tabBar()->tabAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (tab >= 0 && tab != m_tabs->currentIndex()) {
            selectTab(tab);
            return true;
        }
    }
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        guarded(QString(), [this] { ResizeControls(m_positions, centralWidget()); });
    return QMainWindow::eventFilter(watched, event);
}

void frmEvaluationMaintenance::showHelp(QWidget* control) {
    if (!control || control->window() != this)
        return;
    const QString help = EvaluationMaintenance::helpText(control->objectName());
    if (!help.isEmpty())
        showStatus(help);
}

void frmEvaluationMaintenance::showStatus(const QString& text) {
    m_panel->setText(text);
}

void frmEvaluationMaintenance::showBusy(bool busy) {
    m_waitCursor.show(busy);
}

void frmEvaluationMaintenance::showProgress(int done, int total) {
    if (total <= 0) {
        m_progress->hide();
        return;
    }
    m_progress->setRange(0, total);
    m_progress->setValue(done);
    m_progress->show();
}
