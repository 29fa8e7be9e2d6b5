#pragma once

#include <QString>
#include <QtGlobal>

class QAction;
class QToolBar;
class QWidget;

// A window's toolbar is its child QToolBar named "Toolbar1"; each button is a QAction whose
// objectName and data hold the button's key (its tool button carries the key as objectName
// as well). Windows react to QToolBar::actionTriggered and dispatch on toolbarButtonKey().

// Adds the buttons of the table whose bits are set in mask, in table order, with a separator
// after each of the first four groups that got a button. A QMainWindow without a Toolbar1
// gets one at its top; any other window must hold one.
void SetupToolbar(QWidget* window, quint32 mask);

// Enables exactly the buttons whose bits are set in newMask; nothing happens when newMask
// equals currentMask, which then takes the new value.
void EnableToolbarButtons(QWidget* window, quint32 newMask, quint32& currentMask);

QToolBar* windowToolbar(QWidget* window);
QString toolbarButtonKey(const QAction* button);
QAction* toolbarButton(QWidget* window, const QString& key);
