#pragma once

class QProgressBar;
class QWidget;

// The generator windows' progress bar "proBarStatus" above their print-preview control.
QProgressBar* addReportProgressBar(QWidget* window);
