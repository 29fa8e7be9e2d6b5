#include "ReportRowReader.h"

#include "ReportDatabase.h"

namespace {

const QString Columns =
    QStringLiteral("SELECT ReportPage, Orientation, DetailType, X1, Y1, W1, H1, X2, Y2, DetailData, "
                   "ForeColor, FontName, FontSize, FontBold, FontItalic, FontStrikethru, "
                   "FontUnderline, PictureImage, OfPage, OfPage2Cnt, DrawWidth, DrawStyle "
                   "FROM ReportDetail WHERE ReportKey=?");
const QString Order = QStringLiteral(" ORDER BY ReportPage, Y1, X1, ReportDetailKey");

} // namespace

ReportRowReader::ReportRowReader(qint32 reportKey, qint32 firstPage, qint32 lastPage) {
    ReportDatabase& database = ReportDatabase::shared();
    if (firstPage <= 0)
        m_query = database.select(Columns + Order, {reportKey});
    else if (lastPage == 0)
        m_query = database.select(Columns + QStringLiteral(" AND ReportPage=?") + Order, {reportKey, firstPage});
    else
        m_query = database.select(Columns + QStringLiteral(" AND (ReportPage>=? AND ReportPage<=?)") + Order,
                                  {reportKey, firstPage, lastPage});
}

bool ReportRowReader::next(ReportRow& row) {
    if (!m_query.next())
        return false;
    const auto flag = [this](int column) { return m_query.value(column).toInt() != 0; };
    row.reportPage = m_query.value(0).toInt();
    row.orientation = m_query.value(1).toInt();
    row.detailType = m_query.value(2).toInt();
    row.x1 = m_query.value(3).toDouble();
    row.y1 = m_query.value(4).toDouble();
    row.w1 = m_query.value(5).toDouble();
    row.h1 = m_query.value(6).toDouble();
    row.x2 = m_query.value(7).toDouble();
    row.y2 = m_query.value(8).toDouble();
    row.detailData = m_query.value(9);
    row.foreColor = m_query.value(10).toInt();
    row.fontName = m_query.value(11).toString();
    row.fontSize = m_query.value(12).toDouble();
    row.fontBold = flag(13);
    row.fontItalic = flag(14);
    row.fontStrikethru = flag(15);
    row.fontUnderline = flag(16);
    row.pictureImage = m_query.value(17).toString();
    row.ofPage = flag(18);
    row.ofPage2Cnt = m_query.value(19).toInt();
    row.drawWidth = m_query.value(20).toInt();
    row.drawStyle = m_query.value(21).toInt();
    return true;
}

qint32 ReportRowReader::lastPage(qint32 reportKey) {
    return ReportDatabase::shared()
        .scalar(QStringLiteral("SELECT MAX(ReportPage) FROM ReportDetail WHERE ReportKey=?"), {reportKey})
        .toInt();
}
