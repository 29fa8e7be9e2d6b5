#pragma once

#include <QString>

enum class DatabaseEngine { SQLite, PostgreSQL };

// The parts of a connection string ("Provider=…;Data Source=…;Initial Catalog=…;…") that
// the database layer needs. Items are separated by ";" and compared without case.
struct ConnectionString {
    DatabaseEngine engine = DatabaseEngine::SQLite;
    QString provider;
    QString dataSource;     // SQLite: the database file; PostgreSQL: host[:port], empty for the local socket
    QString initialCatalog; // PostgreSQL: the database
    QString options;        // libpq options left over from the tail, "name=value;…"

    // Throws KestrivoError for an unknown provider or a missing database name.
    static ConnectionString parse(const QString& text);

    // A short description for messages: the file, or catalog "on" server.
    QString describe() const;
    QString host() const;
    int port() const; // -1 for the default
};
