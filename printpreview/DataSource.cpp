#include "DataSource.h"

DataSource DataSource::parse(const QString& connectionString) {
    static const QString Item = QStringLiteral("Data Source=");
    DataSource source;
    const qsizetype start = connectionString.indexOf(Item);
    if (start < 0)
        return source;
    const qsizetype from = start + Item.size();
    const qsizetype end = connectionString.indexOf(QLatin1Char(';'), from);
    source.path = connectionString.mid(from, end < 0 ? -1 : end - from);
    const qsizetype separator = source.path.lastIndexOf(QLatin1Char('/'));
    if (separator >= 0) {
        source.folder = source.path.left(separator + 1);
        source.fileName = source.path.mid(separator + 1);
    }
    return source;
}
