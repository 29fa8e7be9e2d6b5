#pragma once

#include "TrelkPrintPreviewExport.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

// How a host that shows the library's messages itself learns of them.
enum class TrelkMessageIcon { None, Critical, Information };
using TrelkMessageHandler = std::function<void(const QString& title, const QString& text, TrelkMessageIcon icon)>;

// Records a report into the report database and prints it, without any window: the pp…
// members of the print-preview control for programs without a screen. A program still
// needs a QGuiApplication (the "offscreen" platform will do) for fonts and pictures.
//
// Geometry is in twips (1440 to the inch) from the top-left corner of the printable area;
// a portrait page (orientation 1) is 12240 × 15840, a landscape one (2) 15840 × 12240.
// Colours are 0x00BBGGRR, or 0x80000008 for the system's window-text colour.
//
// A report run is ppReportStart, any number of recording calls with the key it returned,
// then ppPrint. Every recording call ignores the key 0 of a failed start. Start and
// creation failures go to the control's error routine: a record in the report folder's
// "ErrorLog.txt" and, unless the start was silent, a message. Recording and printing
// failures throw TrelkPrintPreviewError. The connection string, and with it the report
// database ("Provider=SQLite;Data Source=<file>;Persist Security Info=False"), is shared by
// all instances of the process; an instance's first report replaces the database by an
// empty one, and an instance deletes its last report when it is destroyed unless that
// report was started with skipDelete.
class TRELKPRINTPREVIEW_EXPORT TrelkReportRecorder {
public:
    static constexpr qint32 WindowTextColor = qint32(0x80000008u);

    TrelkReportRecorder();
    virtual ~TrelkReportRecorder();
    TrelkReportRecorder(const TrelkReportRecorder&) = delete;
    TrelkReportRecorder& operator=(const TrelkReportRecorder&) = delete;

    // Replaces the report database by a new, empty one: true when that failed.
    bool ppCreateDatabase();
    // Deletes a report with all it recorded.
    void ppKillDetail(qint32 ppReportKey);
    // Previews the report (on the control's window) or prints all its pages once. A report
    // without rows sets ppReportKey to 0 and says "No report to process!" unless silent.
    void ppPrint(qint32& ppReportKey, bool preview);
    void ppReport_Line(qint32 ppReportKey, qint16 x1, qint16 y1, qint16 x2, qint16 y2, qint32 reportPage,
                       qint16 orientation = 1, qint16 drawWidth = 1, qint16 drawStyle = 0,
                       qint32 foreColor = WindowTextColor);
    // Records a text at (xPos, yPos) (note the order) and moves yPos down by lineIncrement,
    // also when the text is empty and nothing is recorded.
    void ppReport_PrintData(qint32 ppReportKey, qint16& yPos, qint16 xPos, const QVariant& printData, qint32 reportPage,
                            qint16 orientation = 1, bool fontBold = false, qint16 fontSize = 10,
                            qint16 lineIncrement = 300, const QString& fontName = QStringLiteral("Arial"),
                            bool ofPage = false, qint32 ofPage2Cnt = 0, qint32 foreColor = WindowTextColor,
                            bool fontItalic = false, bool fontStrikethru = false, bool fontUnderline = false);
    // Records a picture file; the sizes are in screen pixels (15 twips each), the
    // positions in twips. Without a size the picture prints at its own size.
    void ppReport_PaintPicture(qint32 ppReportKey, const QVariant& picImage, float x1, float y1, qint32 reportPage,
                               qint32 w1 = 0, qint32 h1 = 0, qint16 orientation = 1, float x2 = 0, float y2 = 0,
                               qint32 w2 = 0, qint32 h2 = 0, qint32 opCode = 0);
    // Starts a report: its key, or 0 when the start failed.
    qint32 ppReportStart(bool silentMode = false, bool skipDelete = false);
    QVariant ConnectionString() const;
    void setConnectionString(const QVariant& value);

    // Writes the report, or its pages firstPage to lastPage (0 for all, or for the first
    // page only), as one PDF file with its text kept as text. False, after "No report to
    // process!" unless silent, when those pages hold nothing.
    bool ppSavePdf(qint32 ppReportKey, const QString& fileName, qint32 firstPage = 0, qint32 lastPage = 0);
    // Routes the library's messages to the host; an empty handler gives the library's own
    // message boxes back (or standard error in a program without widgets).
    static void ppSetMessageHandler(TrelkMessageHandler handler);

protected:
    // Shows the report in the preview window; the recorder has no window and refuses.
    virtual void previewReport(qint32 ppReportKey);
    virtual void connectionStringChanged();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
