#pragma once

#include "ControlPositions.h"
#include "SwitchboardLogic.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <functional>

class QAction;
class QKeyEvent;
class QToolBar;
class QToolButton;

// The main window: the button bar of the working areas, the menus, and the agreement check
// of the first activation. Closing it closes every other window first.
class frmSwitchboard : public QMainWindow {
    Q_OBJECT
public:
    using WindowFactory = std::function<QWidget*(QWidget* owner)>;

    // The working areas register the window that their button opens; a button whose
    // window is not registered stays disabled.
    static void registerWindow(const QString& key, WindowFactory factory);

    explicit frmSwitchboard(QWidget* parent = nullptr);

    // The first activation's agreement check; later calls do nothing.
    void firstActivation();
    void nagMenuClick(const QString& key);
    void UnloadAllForms();

Q_SIGNALS:
    // The user declined the agreement: the program must end at once.
    void endRequested();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildNagMenu();
    // False when the agreement was declined (the program then ends).
    bool showEula();
    void viewErrorLog();
    bool nagMenuKey(QToolButton* button, const QKeyEvent& key);
    QAction* menuItem(QMenu* menu, const char* name, const QString& caption, std::function<void()> command);

    SwitchboardLogic m_logic;
    QToolBar* m_nagMenu = nullptr;
    ControlPositions m_positions;
    QHash<QString, QPointer<QWidget>> m_open;
    bool m_activationQueued = false;
};
