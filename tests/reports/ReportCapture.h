#pragma once

#include "TrelkReportRecorder.h"

#include <QList>
#include <QString>

// One recorded drawing operation, as the report database holds it.
struct RecordedRow {
    int page = 0;
    int orientation = 0;
    int type = 0; // 0 text, 1 line, 3 box
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    int width = 0; // a box's
    int height = 0;
    qint32 color = 0;
    int style = 0; // a box's fill style
    bool italic = false;
    QString text;
    int size = 0;
    bool bold = false;
    QString font;
    bool ofPage = false;

    // "p1 500,1000 s8 Label" for a text, "p1 line 500,1300-11100,1300" for a line, "p1 box
    // 500,1000 300x200 #e69f00 f4" for a box: lists of these compare with readable differences.
    QString brief() const;
};

// A recorder whose "preview" reads the report's rows back from the report database, so a
// test runs a generator as the program does and checks what it recorded. The report
// database lies in the fixture's own folder.
class ReportCapture : public TrelkReportRecorder {
public:
    ReportCapture();
    ~ReportCapture() override;

    QList<RecordedRow> rows;
    int previewed = 0; // the key the last preview was asked for

    // The rows of a report, in the order they were recorded.
    static QList<RecordedRow> read(int reportKey);
    static QStringList brief(const QList<RecordedRow>& rows);
    // The texts of the rows in order, optionally only those of one page.
    static QStringList texts(const QList<RecordedRow>& rows, int page = 0);
    static QString databasePath();

protected:
    void previewReport(qint32 ppReportKey) override;
};
