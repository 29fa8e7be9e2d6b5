#pragma once

#include <QString>
#include <functional>

class TrelkReportRecorder;

// Where a recorded report goes: the preview window (on a control), the printer, or one PDF
// file when pdfFile is set. keep starts the report with skipDelete, so that its rows stay in
// the report database after the recorder is gone.
struct ReportOutput {
    bool preview = false;
    QString pdfFile;
    bool keep = false;
};

// Progress of a run: the value reached and the maximum.
using ReportProgress = std::function<void(int value, int maximum)>;
// Asked as a run goes on: true when the user has cancelled it. A cancelled run removes what
// it recorded, so no half report is left to print.
using ReportCancelled = std::function<bool()>;

// The connection string every report recorder gets: the report database of the settings.
QString reportConnectionString();
// Sends the print-preview library's messages to the program's prompter.
void routeReportMessages();

// Hands a recorded report to the recorder as output asks: ppPrint or ppSavePdf. Returns the
// key, or 0 when the report held nothing (the recorder has then said so unless silent).
int deliverReport(TrelkReportRecorder& recorder, int reportKey, const ReportOutput& output);
