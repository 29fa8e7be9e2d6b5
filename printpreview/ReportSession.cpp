#include "ReportSession.h"

#include "BusyCursor.h"
#include "ControlErrorRoutine.h"
#include "ControlMessages.h"
#include "DataSource.h"
#include "DetailStatements.h"
#include "KestrivoError.h"
#include "PdfPrinterTarget.h"
#include "PrintDataText.h"
#include "ReportDatabase.h"
#include "ReportPrinter.h"
#include "SharedControlState.h"

#include <QDateTime>
#include <QSqlQuery>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr int PictureTwipsPerPixel = 15;

QString databasePath() {
    return DataSource::parse(SharedControlState::instance().connectionString()).path;
}

int flag(bool value) {
    return value ? -1 : 0;
}

constexpr int DeletedPerStatement = 20000;

} // namespace

ReportSession::ReportSession(Previewer previewer, PrinterSource printer)
    : m_previewer(std::move(previewer)), m_printer(std::move(printer)) {
    SharedControlState::instance().instanceCreated();
}

ReportSession::~ReportSession() {
    ControlErrorRoutine::guard(QStringLiteral("UserControl_Terminate"), [this] {
        m_cursorOpen = false;
        const qint32 report = std::exchange(m_reportKey, 0);
        // The connection is closed even when the report could not be deleted.
        try {
            if (report != 0 && !SharedControlState::instance().keep())
                ppKillDetail(report);
        } catch (...) {
            ReportDatabase::shared().close();
            throw;
        }
        ReportDatabase::shared().close();
    });
}

QString ReportSession::connectionString() {
    return SharedControlState::instance().connectionString();
}

void ReportSession::setConnectionString(const QString& text) {
    SharedControlState::instance().setConnectionString(text);
}

bool ReportSession::ppCreateDatabase() {
    return !ControlErrorRoutine::guard(QStringLiteral("ppCreateDatabase"),
                                       [] { ReportDatabase::shared().create(databasePath()); });
}

qint32 ReportSession::ppReportStart(bool silentMode, bool skipDelete) {
    SharedControlState::instance().setStartFlags(silentMode, skipDelete);
    // Every instance's first report starts on a new, empty report database.
    if (!m_cursorOpen)
        ppCreateDatabase();
    qint32 key = 0;
    ControlErrorRoutine::guard(QStringLiteral("ppReportStart"), [this, &key] {
        ReportDatabase& database = ReportDatabase::shared();
        if (!database.isOpen())
            database.open(databasePath());
        database.beginRecording();
        m_cursorOpen = true;
        key = database
                  .scalar(QStringLiteral("INSERT INTO Report (Created) VALUES (?) RETURNING ReportKey"),
                          {QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))})
                  .toInt();
        database.commit();
    });
    if (key != 0)
        m_reportKey = key;
    return key;
}

DetailStatements& ReportSession::recorder() {
    return ReportDatabase::shared().beginRecording();
}

void ReportSession::ppReport_Line(qint32 reportKey, qint16 x1, qint16 y1, qint16 x2, qint16 y2, qint32 reportPage,
                                  qint16 orientation, qint16 drawWidth, qint16 drawStyle, qint32 foreColor) {
    if (reportKey == 0)
        return;
    recorder().insert(DetailStatements::Line, reportKey, reportPage, orientation, x1, y1, x2, y2, drawWidth, drawStyle,
                      foreColor);
}

void ReportSession::ppReport_PrintData(qint32 reportKey, qint16& yPos, qint16 xPos, const QVariant& printData,
                                       qint32 reportPage, qint16 orientation, bool fontBold, qint16 fontSize,
                                       qint16 lineIncrement, const QString& fontName, bool ofPage, qint32 ofPage2Cnt,
                                       qint32 foreColor, bool fontItalic, bool fontStrikethru, bool fontUnderline) {
    if (reportKey == 0)
        return;
    const QString text = printDataText(printData);
    if (!text.isEmpty())
        recorder().insert(DetailStatements::Text, reportKey, reportPage, orientation, foreColor, fontName, fontSize,
                          flag(fontBold), flag(fontItalic), flag(fontStrikethru), flag(fontUnderline), xPos, yPos, text,
                          flag(ofPage), ofPage2Cnt);
    // A position beyond a 16-bit value is an overflow, never a jump back to the top.
    const int next = int(yPos) + lineIncrement;
    if (next > std::numeric_limits<qint16>::max() || next < std::numeric_limits<qint16>::min())
        throw KestrivoError(ErrorNumber::Overflow, QStringLiteral("ErrorNumber::Overflow"),
                            QStringLiteral("TrelkPrintPreview"));
    yPos = qint16(next);
}

void ReportSession::ppReport_PaintPicture(qint32 reportKey, const QVariant& picImage, float x1, float y1,
                                          qint32 reportPage, qint32 w1, qint32 h1, qint16 orientation, float x2,
                                          float y2, qint32 w2, qint32 h2, qint32 opCode) {
    if (reportKey == 0)
        return;
    // Sizes come in screen pixels and are kept in twips.
    const auto twips = [](qint32 pixels) { return double(pixels) * PictureTwipsPerPixel; };
    recorder().insert(DetailStatements::Picture, reportKey, reportPage, orientation, x1, y1, twips(w1), twips(h1), x2,
                      y2, twips(w2), twips(h2), opCode, picImage.toString());
}

void ReportSession::ppReport_Box(qint32 reportKey, qint16 x1, qint16 y1, qint16 w1, qint16 h1, qint32 reportPage,
                                 qint16 orientation, qint32 fillColor, qint16 fillStyle, qint16 drawWidth) {
    if (reportKey == 0)
        return;
    // Kept as its top-left corner and a size that is not negative, as a picture is.
    const double left = std::min(double(x1), double(x1) + w1);
    const double top = std::min(double(y1), double(y1) + h1);
    recorder().insert(DetailStatements::Box, reportKey, reportPage, orientation, left, top, std::abs(double(w1)),
                      std::abs(double(h1)), fillColor, drawWidth, fillStyle);
}

void ReportSession::ppKillDetail(qint32 reportKey) {
    BusyCursor busy;
    ReportDatabase& database = ReportDatabase::shared();
    database.beginRecording();
    // A slice of rows at a time: SQLite holds the key of every row a statement deletes in
    // memory, hundreds of megabytes for a report of a hundred thousand pages.
    for (;;) {
        QSqlQuery slice =
            database.select(QStringLiteral("DELETE FROM ReportDetail WHERE ReportDetailKey IN (SELECT "
                                           "ReportDetailKey FROM ReportDetail WHERE ReportKey=? LIMIT ?)"),
                            {reportKey, DeletedPerStatement});
        if (slice.numRowsAffected() < DeletedPerStatement)
            break;
    }
    database.execute(QStringLiteral("DELETE FROM Report WHERE ReportKey=?"), {reportKey});
    database.commit();
}

bool ReportSession::hasRows(qint32 reportKey) const {
    ReportDatabase& database = ReportDatabase::shared();
    database.commit();
    return database.scalar(QStringLiteral("SELECT 1 FROM ReportDetail WHERE ReportKey=? LIMIT 1"), {reportKey})
        .isValid();
}

void ReportSession::tellNothingToPrint() const {
    if (!SharedControlState::instance().silent())
        ControlMessages::prompter().inform(QStringLiteral("No report to process!"), QStringLiteral("Print Error"),
                                           PromptIcon::Critical);
}

void ReportSession::ppPrint(qint32& reportKey, bool preview) {
    if (m_cursorOpen && !hasRows(reportKey))
        reportKey = 0;
    if (reportKey == 0) {
        tellNothingToPrint();
        return;
    }
    if (preview)
        m_previewer(reportKey);
    else
        ReportPrinter::print(reportKey, 0, 0, m_printer());
}

bool ReportSession::ppSavePdf(qint32 reportKey, const QString& fileName, qint32 firstPage, qint32 lastPage) {
    if (reportKey == 0 || !hasRows(reportKey)) {
        tellNothingToPrint();
        return false;
    }
    const auto file = PdfPrinterTarget::singleFile(fileName);
    if (ReportPrinter::print(reportKey, firstPage, lastPage, *file) > 0)
        return true;
    tellNothingToPrint();
    return false;
}
