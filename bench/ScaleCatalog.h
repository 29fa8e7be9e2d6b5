#pragma once

#include "ConnectionString.h"

#include <QString>
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
