#pragma once

class QLabel;
class QWidget;

// Gives a window its status bar "StatusBar1" and returns its first panel "StatusBar1Panel1",
// which shows the help text of the control that has the focus. A QMainWindow takes the bar
// as its own; any other window gets it as a child without a size grip, to place itself.
QLabel* SetupStatusBar(QWidget* window);
