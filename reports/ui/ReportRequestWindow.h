#pragma once

class QProgressBar;
class QWidget;

// The generator windows' progress bar "proBarStatus" above their print-preview control, with
// "&Cancel" between them for a generator that can stop part way.
QProgressBar* addReportProgressBar(QWidget* window, bool cancellable = false);
