#include "ReportPen.h"

#include "KestrivoError.h"
#include "TrelkPrintPreviewError.h"
#include "TrelkReportRecorder.h"

#include <limits>

namespace {

qint16 position(int value) {
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        throw KestrivoError(ErrorNumber::Overflow, QStringLiteral("Overflow"));
    return qint16(value);
}

template <typename Call> void drawn(bool skipOverflow, Call&& call) {
    try {
        call();
    } catch (const TrelkPrintPreviewError& error) {
        if (!(skipOverflow && error.number() == ErrorNumber::Overflow))
            throw KestrivoError(error.number(), error.description(), error.source());
    } catch (const KestrivoError& error) {
        if (!(skipOverflow && error.number() == ErrorNumber::Overflow))
            throw;
    }
}

} // namespace

void ReportPen::text(int& y, int x, const QVariant& data, int page, int orientation, bool bold, int size,
                     int lineIncrement, const QString& fontName, bool ofPage, bool italic) {
    drawn(m_skipOverflow, [&] {
        qint16 yPos = position(y);
        m_recorder.ppReport_PrintData(m_key, yPos, position(x), data, page, qint16(orientation), bold, qint16(size),
                                      position(lineIncrement), fontName, ofPage, 0,
                                      TrelkReportRecorder::WindowTextColor, italic);
        y = yPos;
    });
}

void ReportPen::line(int x1, int y1, int x2, int y2, int page, int orientation) {
    drawn(m_skipOverflow, [&] {
        m_recorder.ppReport_Line(m_key, position(x1), position(y1), position(x2), position(y2), page,
                                 qint16(orientation));
    });
}

void ReportPen::box(int x, int y, int width, int height, int page, int orientation, qint32 fillColor, int fillStyle,
                    int drawWidth) {
    drawn(m_skipOverflow, [&] {
        m_recorder.ppReport_Box(m_key, position(x), position(y), position(width), position(height), page,
                                qint16(orientation), fillColor, qint16(fillStyle), qint16(drawWidth));
    });
}
