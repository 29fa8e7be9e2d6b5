#pragma once

#include "ReportRow.h"

#include <QSqlQuery>

// The rows of one report in drawing order: page by page, then top to bottom and left to
// right, and on the same spot in the order they were recorded, so later rows paint over
// earlier ones. First page 0 or less selects every page; a last page of 0 only the first.
class ReportRowReader {
public:
    ReportRowReader(qint32 reportKey, qint32 firstPage, qint32 lastPage);
    bool next(ReportRow& row);

    // The report's highest page number, 0 when it has no rows.
    static qint32 lastPage(qint32 reportKey);

private:
    QSqlQuery m_query;
};
