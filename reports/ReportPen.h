#pragma once

#include <QString>
#include <QVariant>

class TrelkReportRecorder;

// The drawing calls of one report run, with the control's argument order and defaults.
// Positions are plain whole numbers here and 16-bit on the control: a position outside that
// range is an overflow (error 6), as it is on the control. The control's own failures come
// back as KestrivoError, so a generator has one kind of failure to report.
class ReportPen {
public:
    ReportPen(TrelkReportRecorder& recorder, int reportKey) : m_recorder(recorder), m_key(reportKey) {}

    int reportKey() const { return m_key; }
    // With skipping on, a drawing call whose position overflows is left out and the run goes
    // on with the next one.
    void setSkipOverflow(bool skip) { m_skipOverflow = skip; }

    // ppReport_PrintData: records the text at (x, y) and moves y down by lineIncrement.
    void text(int& y, int x, const QVariant& data, int page, int orientation = 1, bool bold = false, int size = 10,
              int lineIncrement = 300, const QString& fontName = QStringLiteral("Arial"), bool ofPage = false,
              bool italic = false);
    // ppReport_Line with the default width, style and colour.
    void line(int x1, int y1, int x2, int y2, int page, int orientation = 1);
    // ppReport_Box: a filled rectangle with its pattern and an outline drawWidth wide.
    void box(int x, int y, int width, int height, int page, int orientation, qint32 fillColor, int fillStyle,
             int drawWidth);

private:
    TrelkReportRecorder& m_recorder;
    int m_key;
    bool m_skipOverflow = false;
};
