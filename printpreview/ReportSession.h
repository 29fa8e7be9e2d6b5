#pragma once

#include <QString>
#include <QVariant>
#include <functional>

class DetailStatements;
class PrinterTarget;

// One control instance's side of the report database: the pp… members behind both the
// control and the recorder. Starting, creating and cleaning up report their failures
// through the control's error routine; recording, deleting and printing throw
// KestrivoError to the host.
class ReportSession {
public:
    using Previewer = std::function<void(qint32 reportKey)>;
    using PrinterSource = std::function<PrinterTarget&()>;

    ReportSession(Previewer previewer, PrinterSource printer);
    ~ReportSession();
    ReportSession(const ReportSession&) = delete;
    ReportSession& operator=(const ReportSession&) = delete;

    bool ppCreateDatabase();
    void ppKillDetail(qint32 reportKey);
    void ppPrint(qint32& reportKey, bool preview);
    void ppReport_Line(qint32 reportKey, qint16 x1, qint16 y1, qint16 x2, qint16 y2, qint32 reportPage,
                       qint16 orientation, qint16 drawWidth, qint16 drawStyle, qint32 foreColor);
    void ppReport_PrintData(qint32 reportKey, qint16& yPos, qint16 xPos, const QVariant& printData, qint32 reportPage,
                            qint16 orientation, bool fontBold, qint16 fontSize, qint16 lineIncrement,
                            const QString& fontName, bool ofPage, qint32 ofPage2Cnt, qint32 foreColor, bool fontItalic,
                            bool fontStrikethru, bool fontUnderline);
    void ppReport_PaintPicture(qint32 reportKey, const QVariant& picImage, float x1, float y1, qint32 reportPage,
                               qint32 w1, qint32 h1, qint16 orientation, float x2, float y2, qint32 w2, qint32 h2,
                               qint32 opCode);
    void ppReport_Box(qint32 reportKey, qint16 x1, qint16 y1, qint16 w1, qint16 h1, qint32 reportPage,
                      qint16 orientation, qint32 fillColor, qint16 fillStyle, qint16 drawWidth);
    qint32 ppReportStart(bool silentMode, bool skipDelete);
    // Writes the chosen pages as one PDF file; false when they hold nothing to write.
    bool ppSavePdf(qint32 reportKey, const QString& fileName, qint32 firstPage, qint32 lastPage);

    static QString connectionString();
    static void setConnectionString(const QString& text);

private:
    static DetailStatements& recorder();
    bool hasRows(qint32 reportKey) const;
    void tellNothingToPrint() const;

    Previewer m_previewer;
    PrinterSource m_printer;
    bool m_cursorOpen = false;
    qint32 m_reportKey = 0;
};
