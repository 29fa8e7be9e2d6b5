#include "ConnectionString.h"

#include "KestrivoError.h"

#include <QStringList>

namespace {

// Items of the connection-string tail that describe ADO security, not libpq; no password is
// ever taken from it.
bool isIgnoredItem(const QString& name) {
    return name.compare(QStringLiteral("Persist Security Info"), Qt::CaseInsensitive) == 0 ||
           name.compare(QStringLiteral("Integrated Security"), Qt::CaseInsensitive) == 0 ||
           name.compare(QStringLiteral("Password"), Qt::CaseInsensitive) == 0 ||
           name.compare(QStringLiteral("Pwd"), Qt::CaseInsensitive) == 0 ||
           name.compare(QStringLiteral("password"), Qt::CaseInsensitive) == 0;
}

} // namespace

ConnectionString ConnectionString::parse(const QString& text) {
    ConnectionString result;
    QStringList options;
    for (const QString& item : text.split(';', Qt::SkipEmptyParts)) {
        const qsizetype equals = item.indexOf('=');
        const QString name = item.left(equals).trimmed();
        const QString value = equals < 0 ? QString() : item.mid(equals + 1).trimmed();
        if (name.compare(QStringLiteral("Provider"), Qt::CaseInsensitive) == 0)
            result.provider = value;
        else if (name.compare(QStringLiteral("Data Source"), Qt::CaseInsensitive) == 0)
            result.dataSource = value;
        else if (name.compare(QStringLiteral("Initial Catalog"), Qt::CaseInsensitive) == 0)
            result.initialCatalog = value;
        else if (!isIgnoredItem(name) && !name.isEmpty())
            options << name + '=' + value;
    }
    result.options = options.join(';');
    if (result.provider.compare(QStringLiteral("SQLite"), Qt::CaseInsensitive) == 0) {
        result.engine = DatabaseEngine::SQLite;
        if (result.dataSource.isEmpty())
            throw KestrivoError(ErrorNumber::General, QStringLiteral("The connection string names no database file."));
    } else if (result.provider.compare(QStringLiteral("PostgreSQL"), Qt::CaseInsensitive) == 0) {
        result.engine = DatabaseEngine::PostgreSQL;
        if (result.initialCatalog.isEmpty())
            throw KestrivoError(ErrorNumber::General, QStringLiteral("The connection string names no catalog."));
    } else {
        throw KestrivoError(
            ErrorNumber::General,
            QStringLiteral("The provider \"%1\" is not known; use SQLite or PostgreSQL.").arg(result.provider));
    }
    return result;
}

QString ConnectionString::describe() const {
    if (engine == DatabaseEngine::SQLite)
        return dataSource;
    return QStringLiteral("%1 on %2")
        .arg(initialCatalog, dataSource.isEmpty() ? QStringLiteral("the local server") : dataSource);
}

QString ConnectionString::host() const {
    const qsizetype colon = dataSource.lastIndexOf(':');
    if (colon > 0 && port() >= 0)
        return dataSource.left(colon);
    return dataSource;
}

int ConnectionString::port() const {
    const qsizetype colon = dataSource.lastIndexOf(':');
    if (colon < 0)
        return -1;
    bool ok = false;
    const int number = dataSource.mid(colon + 1).toInt(&ok);
    return ok && number > 0 && number < 65536 ? number : -1;
}
