#include "ReportOutput.h"

#include "ProgramSettings.h"
#include "Prompter.h"
#include "TrelkReportRecorder.h"

QString reportConnectionString() {
    return QStringLiteral("Provider=SQLite;Data Source=") + programSettings().ReportDataPath +
           QStringLiteral(";Persist Security Info=False");
}

void routeReportMessages() {
    TrelkReportRecorder::ppSetMessageHandler([](const QString& title, const QString& text, TrelkMessageIcon icon) {
        programPrompter().inform(text, title,
                                 icon == TrelkMessageIcon::Critical      ? PromptIcon::Critical
                                 : icon == TrelkMessageIcon::Information ? PromptIcon::Information
                                                                         : PromptIcon::None);
    });
}

int deliverReport(TrelkReportRecorder& recorder, int reportKey, const ReportOutput& output) {
    qint32 key = reportKey;
    if (output.pdfFile.isEmpty()) {
        recorder.ppPrint(key, output.preview);
        return key;
    }
    return recorder.ppSavePdf(key, output.pdfFile) ? key : 0;
}
