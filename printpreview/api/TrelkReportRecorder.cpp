#include "TrelkReportRecorder.h"

#include "ControlMessages.h"
#include "CurrentPrinter.h"
#include "KestrivoError.h"
#include "MessageBoxPrompter.h"
#include "ReportRow.h"
#include "ReportSession.h"
#include "TrelkPrintPreviewError.h"

#include <QApplication>

namespace {

// The public fill styles are the values the renderer draws.
static_assert(int(TrelkReportRecorder::FillSolid) == int(ReportRow::FillSolid));
static_assert(int(TrelkReportRecorder::FillTransparent) == int(ReportRow::FillTransparent));
static_assert(int(TrelkReportRecorder::FillHorizontalLine) == int(ReportRow::FillHorizontalLine));
static_assert(int(TrelkReportRecorder::FillVerticalLine) == int(ReportRow::FillVerticalLine));
static_assert(int(TrelkReportRecorder::FillUpwardDiagonal) == int(ReportRow::FillUpwardDiagonal));
static_assert(int(TrelkReportRecorder::FillDownwardDiagonal) == int(ReportRow::FillDownwardDiagonal));
static_assert(int(TrelkReportRecorder::FillCross) == int(ReportRow::FillCross));
static_assert(int(TrelkReportRecorder::FillDiagonalCross) == int(ReportRow::FillDiagonalCross));

// Failures leave the library as its own exception type, the only one a host can name.
template <typename Call> auto translated(Call&& call) {
    try {
        return call();
    } catch (const KestrivoError& error) {
        throw TrelkPrintPreviewError(error.number(), error.source(), error.description());
    }
}

class HandlerPrompter : public Prompter {
public:
    explicit HandlerPrompter(TrelkMessageHandler handler) : m_handler(std::move(handler)) {}
    PromptAnswer ask(const Prompt& prompt) override {
        const TrelkMessageIcon icon = prompt.icon == PromptIcon::Critical      ? TrelkMessageIcon::Critical
                                      : prompt.icon == PromptIcon::Information ? TrelkMessageIcon::Information
                                                                               : TrelkMessageIcon::None;
        m_handler(prompt.title, prompt.text, icon);
        return prompt.defaultAnswer;
    }

private:
    TrelkMessageHandler m_handler;
};

std::unique_ptr<HandlerPrompter>& hostPrompter() {
    static std::unique_ptr<HandlerPrompter> prompter;
    return prompter;
}

} // namespace

struct TrelkReportRecorder::Private {
    explicit Private(TrelkReportRecorder* owner)
        : session([owner](qint32 key) { owner->previewReport(key); },
                  []() -> PrinterTarget& { return CurrentPrinter::target(); }) {}
    ReportSession session;
};

TrelkReportRecorder::TrelkReportRecorder() {
    static MessageBoxPrompter boxes;
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        ControlMessages::setFallback(&boxes);
    d = std::make_unique<Private>(this);
}

TrelkReportRecorder::~TrelkReportRecorder() = default;

bool TrelkReportRecorder::ppCreateDatabase() {
    return d->session.ppCreateDatabase();
}

void TrelkReportRecorder::ppKillDetail(qint32 ppReportKey) {
    translated([&] { d->session.ppKillDetail(ppReportKey); });
}

void TrelkReportRecorder::ppPrint(qint32& ppReportKey, bool preview) {
    translated([&] { d->session.ppPrint(ppReportKey, preview); });
    // Printed without a preview, to PDF files where there is no printer: say where they are.
    if (!preview)
        CurrentPrinter::tellFilesWritten();
}

void TrelkReportRecorder::ppReport_Line(qint32 ppReportKey, qint16 x1, qint16 y1, qint16 x2, qint16 y2,
                                        qint32 reportPage, qint16 orientation, qint16 drawWidth, qint16 drawStyle,
                                        qint32 foreColor) {
    translated([&] {
        d->session.ppReport_Line(ppReportKey, x1, y1, x2, y2, reportPage, orientation, drawWidth, drawStyle, foreColor);
    });
}

void TrelkReportRecorder::ppReport_PrintData(qint32 ppReportKey, qint16& yPos, qint16 xPos, const QVariant& printData,
                                             qint32 reportPage, qint16 orientation, bool fontBold, qint16 fontSize,
                                             qint16 lineIncrement, const QString& fontName, bool ofPage,
                                             qint32 ofPage2Cnt, qint32 foreColor, bool fontItalic, bool fontStrikethru,
                                             bool fontUnderline) {
    translated([&] {
        d->session.ppReport_PrintData(ppReportKey, yPos, xPos, printData, reportPage, orientation, fontBold, fontSize,
                                      lineIncrement, fontName, ofPage, ofPage2Cnt, foreColor, fontItalic,
                                      fontStrikethru, fontUnderline);
    });
}

void TrelkReportRecorder::ppReport_PaintPicture(qint32 ppReportKey, const QVariant& picImage, float x1, float y1,
                                                qint32 reportPage, qint32 w1, qint32 h1, qint16 orientation, float x2,
                                                float y2, qint32 w2, qint32 h2, qint32 opCode) {
    translated([&] {
        d->session.ppReport_PaintPicture(ppReportKey, picImage, x1, y1, reportPage, w1, h1, orientation, x2, y2, w2, h2,
                                         opCode);
    });
}

void TrelkReportRecorder::ppReport_Box(qint32 ppReportKey, qint16 x1, qint16 y1, qint16 w1, qint16 h1,
                                       qint32 reportPage, qint16 orientation, qint32 fillColor, qint16 fillStyle,
                                       qint16 drawWidth) {
    translated([&] {
        d->session.ppReport_Box(ppReportKey, x1, y1, w1, h1, reportPage, orientation, fillColor, fillStyle, drawWidth);
    });
}

qint32 TrelkReportRecorder::ppReportStart(bool silentMode, bool skipDelete) {
    return d->session.ppReportStart(silentMode, skipDelete);
}

QVariant TrelkReportRecorder::ConnectionString() const {
    return ReportSession::connectionString();
}

void TrelkReportRecorder::setConnectionString(const QVariant& value) {
    ReportSession::setConnectionString(value.toString());
    connectionStringChanged();
}

bool TrelkReportRecorder::ppSavePdf(qint32 ppReportKey, const QString& fileName, qint32 firstPage, qint32 lastPage) {
    return translated([&] { return d->session.ppSavePdf(ppReportKey, fileName, firstPage, lastPage); });
}

void TrelkReportRecorder::ppSetMessageHandler(TrelkMessageHandler handler) {
    hostPrompter() = handler ? std::make_unique<HandlerPrompter>(std::move(handler)) : nullptr;
    ControlMessages::setPrompter(hostPrompter().get());
}

void TrelkReportRecorder::previewReport(qint32) {
    throw KestrivoError(ErrorNumber::General,
                        QStringLiteral("A report is previewed on a window: place a ctlTrelkPrintPreview on one."),
                        QStringLiteral("TrelkPrintPreview"));
}

void TrelkReportRecorder::connectionStringChanged() {}
