#include "DetailStatements.h"

#include "ReportDatabase.h"

namespace {

const char* const Sql[DetailStatements::Box + 1] = {
    "INSERT INTO ReportDetail (ReportKey, ReportPage, Orientation, DetailType, ForeColor, FontName, FontSize, "
    "FontBold, "
    "FontItalic, FontStrikethru, FontUnderline, X1, Y1, DetailData, OfPage, OfPage2Cnt) "
    "VALUES (?, ?, ?, 0, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
    "INSERT INTO ReportDetail (ReportKey, ReportPage, Orientation, DetailType, X1, Y1, X2, Y2, DrawWidth, DrawStyle, "
    "ForeColor) VALUES (?, ?, ?, 1, ?, ?, ?, ?, ?, ?, ?)",
    "INSERT INTO ReportDetail (ReportKey, ReportPage, Orientation, DetailType, X1, Y1, W1, H1, X2, Y2, W2, H2, OpCode, "
    "PictureImage) VALUES (?, ?, ?, 2, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
    "INSERT INTO ReportDetail (ReportKey, ReportPage, Orientation, DetailType, X1, Y1, W1, H1, ForeColor, DrawWidth, "
    "DrawStyle) VALUES (?, ?, ?, 3, ?, ?, ?, ?, ?, ?, ?)",
};

} // namespace

DetailStatements::DetailStatements(sqlite3* connection) : m_connection(connection) {
    for (int kind = Text; kind <= Box; ++kind)
        if (sqlite3_prepare_v2(m_connection, Sql[kind], -1, &m_statements[kind], nullptr) != SQLITE_OK) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(m_connection));
            for (sqlite3_stmt* statement : m_statements)
                sqlite3_finalize(statement);
            ReportDatabase::fail(message);
        }
}

DetailStatements::~DetailStatements() {
    for (sqlite3_stmt* statement : m_statements)
        sqlite3_finalize(statement);
}

void DetailStatements::step(sqlite3_stmt* statement) {
    const int result = sqlite3_step(statement);
    sqlite3_reset(statement);
    if (result != SQLITE_DONE)
        ReportDatabase::fail(QString::fromUtf8(sqlite3_errmsg(m_connection)));
}
