#include "frmSwitchboard.h"

#include "ControlPositions.h"
#include "LogError.h"
#include "ProgramIcons.h"
#include "frmAbout.h"
#include "frmCatalogBackup.h"
#include "frmEula.h"
#include "frmHelp.h"
#include "frmLogViewer.h"
#include "frmOptions.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QHash<QString, frmSwitchboard::WindowFactory>& factories() {
    static QHash<QString, frmSwitchboard::WindowFactory> registered;
    return registered;
}

} // namespace

void frmSwitchboard::registerWindow(const QString& key, WindowFactory factory) {
    factories()[key] = std::move(factory);
}

frmSwitchboard::frmSwitchboard(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmSwitchboard"));
    setWindowTitle(SwitchboardLogic::caption());
    setWindowIcon(ProgramIcons::icon(QStringLiteral("icoPocketPC")));
    resize(520, 420);
    buildMenus();
    buildNagMenu();
}

QAction* frmSwitchboard::menuItem(QMenu* menu, const char* name, const QString& caption,
                                  std::function<void()> command) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    const QString procedure = QString::fromLatin1(name) + QStringLiteral("_Click");
    connect(action, &QAction::triggered, this, [procedure, command] { guarded(procedure, command); });
    return action;
}

void frmSwitchboard::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    menuItem(file, "mnuExit", QStringLiteral("&Exit"), [this] { close(); });

    // The working areas of the button bar, for the keyboard as much as for the mouse.
    QMenu* entry = menuBar()->addMenu(QStringLiteral("&Entry"));
    entry->setObjectName(QStringLiteral("mnuEntry"));
    const struct {
        const char* name;
        const char* caption;
        const char* key;
    } areas[] = {{"mnuEvaluations", "&Evaluations", "frmEvaluationMaintenance"},
                 {"mnuTemplates", "&Templates", "frmTemplates"},
                 {"mnuReports", "&Reports", "frmReports"}};
    for (const auto& area : areas) {
        const QString key = QString::fromLatin1(area.key);
        menuItem(entry, area.name, QString::fromLatin1(area.caption), [this, key] {
            nagMenuClick(key);
        })->setEnabled(factories().contains(key));
    }

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("mnuTools"));
    menuItem(tools, "mnuDeleteErrorLog", QStringLiteral("Delete &Error Log"), [this] { m_logic.deleteErrorLog(); });
    menuItem(tools, "mnuOptions", QStringLiteral("Options"), [this] {
        frmOptions options(this);
        options.exec();
    });
    // Registered by the web unit; opened once, like the working areas' windows.
    menuItem(tools, "mnuWebUnit", QStringLiteral("&Phones and Tablets\u2026"),
             [this] { nagMenuClick(QStringLiteral("frmWebUnit")); });
    menuItem(tools, "mnuBackupCatalog", QStringLiteral("Back up catalog\u2026"), [this] {
        frmCatalogBackup backup(this);
        backup.exec();
    });

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("mnuView"));
    menuItem(view, "mnuErrorLog", QStringLiteral("&Error Log"), [this] { viewErrorLog(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    menuItem(help, "mnuContents", QStringLiteral("&Contents"), [this] { frmHelp::open(this); });
    menuItem(help, "mnuAbout", QStringLiteral("&About"), [this] {
        frmAbout about(this);
        about.exec();
    });
    menuItem(help, "mnuEula", QStringLiteral("&Read EULA"), [this] { showEula(); });
}

void frmSwitchboard::buildNagMenu() {
    // Controls sit at design places and keep their proportions through ResizeControls, so
    // the panel has no layout manager of its own.
    auto* panel = new QWidget(this);
    panel->resize(520, 380);
    auto* group = new QToolButton(panel);
    group->setObjectName(QStringLiteral("nagMenuGroup"));
    // The group's caption heads the buttons; Tab goes past it to them.
    group->setFocusPolicy(Qt::NoFocus);
    group->setText(SwitchboardLogic::groupCaption());
    group->setToolTip(SwitchboardLogic::groupToolTip());
    group->setGeometry(0, 0, 150, 24);

    auto* bar = new QToolBar(panel);
    m_nagMenu = bar;
    bar->setObjectName(QStringLiteral("nagMenu"));
    bar->setOrientation(Qt::Vertical);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(48, 48));
    // White captions on the bar; a button under the pointer, pressed or focused gets the
    // selection colour behind its caption, so the caption stays readable.
    bar->setStyleSheet(QStringLiteral("QToolBar#nagMenu { background: palette(mid); } "
                                      "QToolButton { color: palette(bright-text); min-width: 140px; "
                                      "border: 1px solid transparent; border-radius: 4px; } "
                                      "QToolButton:hover, QToolButton:focus { background: palette(highlight); "
                                      "color: palette(highlighted-text); } "
                                      "QToolButton:pressed { background: palette(highlight); "
                                      "color: palette(highlighted-text); border: 1px inset palette(shadow); } "
                                      "QToolButton:disabled { color: palette(dark); background: transparent; }"));
    bar->setGeometry(0, 24, 150, 356);
    for (const SwitchboardLogic::NagMenuItem& item : SwitchboardLogic::nagMenuItems()) {
        QAction* action = bar->addAction(ProgramIcons::icon(item.largeImage), item.caption);
        action->setObjectName(item.key);
        action->setToolTip(item.toolTip);
        action->setEnabled(item.key == QLatin1String("mnuExit") || factories().contains(item.key));
        const QString key = item.key;
        connect(action, &QAction::triggered, this, [this, key] { nagMenuClick(key); });
        // Tool bar buttons take no focus of their own; these are the window's main controls.
        QWidget* button = bar->widgetForAction(action);
        button->setFocusPolicy(Qt::StrongFocus);
        button->installEventFilter(this);
    }

    auto* title = new QLabel(QStringLiteral("<h1>Kestrivo</h1><p>Evaluation templates, handheld units, "
                                            "evaluations and reports.</p>"),
                             panel);
    title->setObjectName(QStringLiteral("lblTitle"));
    title->setAlignment(Qt::AlignCenter);
    title->setWordWrap(true);
    title->setGeometry(160, 40, 350, 200);
    setCentralWidget(panel);
    RecordControlPositions(m_positions, panel);
    panel->installEventFilter(this);
}

bool frmSwitchboard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        guarded(QStringLiteral("Form_Resize"), [this] { ResizeControls(m_positions, centralWidget()); });
    if (event->type() == QEvent::KeyPress) {
        auto* button = qobject_cast<QToolButton*>(watched);
        if (button && button->parentWidget() == m_nagMenu && nagMenuKey(button, *static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// Enter presses a button of the bar as Space does; the arrow keys move along the bar.
bool frmSwitchboard::nagMenuKey(QToolButton* button, const QKeyEvent& key) {
    if (key.modifiers() & ~Qt::KeypadModifier)
        return false;
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
        button->click();
        return true;
    }
    if (key.key() != Qt::Key_Down && key.key() != Qt::Key_Up)
        return false;
    QList<QWidget*> buttons;
    for (QAction* action : m_nagMenu->actions()) {
        QWidget* candidate = m_nagMenu->widgetForAction(action);
        if (candidate && candidate->isEnabled())
            buttons << candidate;
    }
    const qsizetype next = buttons.indexOf(button) + (key.key() == Qt::Key_Down ? 1 : -1);
    if (next >= 0 && next < buttons.size())
        buttons.at(next)->setFocus(Qt::TabFocusReason);
    return true;
}

void frmSwitchboard::nagMenuClick(const QString& key) {
    guarded(QStringLiteral("nagMenu_ItemClick"), [this, &key] {
        if (key == QLatin1String("mnuExit")) {
            close();
            return;
        }
        if (QWidget* open = m_open.value(key)) {
            open->show();
            open->raise();
            open->activateWindow();
            return;
        }
        const auto factory = factories().constFind(key);
        if (factory == factories().constEnd())
            return;
        QWidget* window = (*factory)(this);
        window->setParent(this, window->windowFlags() | Qt::Window);
        window->setAttribute(Qt::WA_DeleteOnClose);
        m_open.insert(key, window);
        window->show();
    });
}

bool frmSwitchboard::event(QEvent* event) {
    if ((event->type() == QEvent::WindowActivate || event->type() == QEvent::Show) && !m_activationQueued) {
        m_activationQueued = true;
        QTimer::singleShot(0, this, &frmSwitchboard::firstActivation);
    }
    return QMainWindow::event(event);
}

void frmSwitchboard::firstActivation() {
    // The keyboard starts on the first working area.
    for (QAction* action : m_nagMenu->actions()) {
        if (action->objectName() == QLatin1String("frmEvaluationMaintenance") && action->isEnabled())
            m_nagMenu->widgetForAction(action)->setFocus(Qt::OtherFocusReason);
    }
    bool needsAgreement = false;
    guarded(QStringLiteral("Form_Activate"),
            [this, &needsAgreement] { needsAgreement = m_logic.firstActivationNeedsAgreement(); });
    if (needsAgreement && showEula())
        frmHelp::open(this);
}

bool frmSwitchboard::showEula() {
    frmEula eula(this);
    if (eula.loaded())
        eula.exec();
    if (!eula.loaded() || eula.Declined()) {
        UnloadAllForms();
        Q_EMIT endRequested();
        return false;
    }
    return true;
}

void frmSwitchboard::viewErrorLog() {
    QPointer<QWidget> viewer = new frmLogViewer(SwitchboardLogic::errorLogPath(), this);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->show();
    RunAndWait([&viewer] { return viewer && viewer->isVisible(); });
}

void frmSwitchboard::UnloadAllForms() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window == this || !window->isVisible())
            continue;
        // A window that fails to close must not keep the others open.
        try {
            window->close();
        } catch (...) {
        }
    }
}

void frmSwitchboard::closeEvent(QCloseEvent* event) {
    UnloadAllForms();
    // A window that stayed open (its user went back to unsaved work) keeps the program
    // running: closing this one would take it down with its work.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible() && window->parentWidget() == this) {
            event->ignore();
            return;
        }
    }
    event->accept();
}
