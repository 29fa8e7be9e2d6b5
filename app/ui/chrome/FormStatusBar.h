#pragma once

#include <functional>

class QLabel;
class QMainWindow;
class QProgressBar;
class QWidget;

// Gives a window its status bar "StatusBar1" and returns its first panel "StatusBar1Panel1",
// which shows the help text of the control that has the focus. A QMainWindow takes the bar
// as its own; any other window gets it as a child without a size grip, to place itself.
QLabel* SetupStatusBar(QWidget* window);

// Gives the window's status bar a progress bar "ProgressBar1" at its right end, hidden until
// a long action shows it.
QProgressBar* AddStatusBarProgress(QMainWindow* window);

// Hands each control of the window that gets the focus, whatever moved it there, to show, which
// puts the control's help text in the window's status bar.
void ShowHelpOnFocus(QWidget* window, std::function<void(QWidget* control)> show);
