#include "ReportCapture.h"

#include "ProgramSettings.h"
#include "ReportOutput.h"

#include <QSqlDatabase>
#include <QSqlQuery>

QString RecordedRow::brief() const {
    if (type == 1)
        return QStringLiteral("p%1 line %2,%3-%4,%5").arg(page).arg(x1).arg(y1).arg(x2).arg(y2);
    if (type == 3)
        return QStringLiteral("p%1 box %2,%3 %4x%5 #%6%7%8 f%9")
            .arg(page)
            .arg(x1)
            .arg(y1)
            .arg(width)
            .arg(height)
            .arg(color & 0xFF, 2, 16, QLatin1Char('0'))
            .arg((color >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
            .arg((color >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
            .arg(style);
    return QStringLiteral("p%1 %2,%3 s%4%5 %6").arg(page).arg(x1).arg(y1).arg(size).arg(bold ? "b" : "").arg(text);
}

ReportCapture::ReportCapture() {
    setConnectionString(reportConnectionString());
}

ReportCapture::~ReportCapture() = default;

QString ReportCapture::databasePath() {
    return programSettings().ReportDataPath;
}

void ReportCapture::previewReport(qint32 ppReportKey) {
    previewed = ppReportKey;
    rows = read(ppReportKey);
}

QList<RecordedRow> ReportCapture::read(int reportKey) {
    QList<RecordedRow> rows;
    const QString name = QStringLiteral("report-capture");
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(databasePath());
        if (!database.open())
            qFatal("the report database cannot be opened");
        QSqlQuery query(database);
        query.prepare(
            QStringLiteral("SELECT ReportPage, Orientation, DetailType, X1, Y1, X2, Y2, DetailData, FontSize, "
                           "FontBold, FontName, OfPage, W1, H1, ForeColor, DrawStyle, FontItalic FROM ReportDetail "
                           "WHERE ReportKey=? ORDER BY ReportDetailKey"));
        query.addBindValue(reportKey);
        if (!query.exec())
            qFatal("the report rows cannot be read");
        while (query.next()) {
            RecordedRow row;
            row.page = query.value(0).toInt();
            row.orientation = query.value(1).toInt();
            row.type = query.value(2).toInt();
            row.x1 = qRound(query.value(3).toDouble());
            row.y1 = qRound(query.value(4).toDouble());
            row.x2 = qRound(query.value(5).toDouble());
            row.y2 = qRound(query.value(6).toDouble());
            row.text = query.value(7).toString();
            row.size = qRound(query.value(8).toDouble());
            row.bold = query.value(9).toInt() != 0;
            row.font = query.value(10).toString();
            row.ofPage = query.value(11).toInt() != 0;
            row.width = qRound(query.value(12).toDouble());
            row.height = qRound(query.value(13).toDouble());
            row.color = query.value(14).toInt();
            row.style = query.value(15).toInt();
            row.italic = query.value(16).toInt() != 0;
            rows.append(row);
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

QStringList ReportCapture::brief(const QList<RecordedRow>& rows) {
    QStringList lines;
    for (const RecordedRow& row : rows)
        lines << row.brief();
    return lines;
}

QStringList ReportCapture::texts(const QList<RecordedRow>& rows, int page) {
    QStringList lines;
    for (const RecordedRow& row : rows)
        if (row.type == 0 && (page == 0 || row.page == page))
            lines << row.text;
    return lines;
}
