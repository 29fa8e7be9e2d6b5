#pragma once

#include "ConnectionString.h"

#include <QString>
#include <QStringList>
#include <optional>

// A season's catalog for the scale benchmarks: a kestrivo-cli home on the engine with the demo
// template, and count evaluations of it filled on the home's unit, ready for Add.
struct ScaleCatalog {
    QString home;
    QString connection;
    QString unitRoot;
    qint64 templateKey = 0;
    qint64 groupKey = 0; // the template's first group

    // The home goes in folder (ending with "/"), the unit beside it. On PostgreSQL the catalog
    // is a new one on the server the tests are given.
    static std::optional<ScaleCatalog> prepare(DatabaseEngine engine, const QString& folder, int count);
};

// What the scale benchmarks are asked for: --evaluations N, --engines sqlite,postgresql and
// --folder DIR; each benchmark may take options of its own beside them.
struct ScaleOptions {
    int count = 100000;
    QStringList engines{QStringLiteral("sqlite"), QStringLiteral("postgresql")};
    QString where;

    ScaleOptions();
    // Takes the option at arguments[i] with its value, leaving i on the value; false when it
    // is none of these or its value is missing.
    bool take(const QStringList& arguments, qsizetype& i);
    bool wants(DatabaseEngine engine) const;
    // A count under 10 prints the usage; PostgreSQL asked for without a server given says how
    // to give one. False in both cases.
    bool usable(const char* usage) const;
};

// "SQLite" or "PostgreSQL".
QString engineName(DatabaseEngine engine);
