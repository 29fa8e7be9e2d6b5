#pragma once

#include <QList>
#include <QString>

class Database;

// The template most evaluation tests use: Site (the group field, North and South, first in
// the file name), Visited (a date, second in the file name), Inspector (forced text), Staff
// (a number), and questions answered Yes or No with the pick list Floor, Wall and Roof.
struct SiteVisit {
    qint64 templateKey = 0;
    qint64 site = 0;
    qint64 north = 0;
    qint64 south = 0;
    qint64 visited = 0;
    qint64 inspector = 0;
    qint64 staff = 0;
    QList<qint64> questions;
    QList<QList<qint64>> entries; // Floor, Wall, Roof of each question

    static SiteVisit create(const Database& database, int questions,
                            const QString& name = QStringLiteral("Site Visit"));

    // An evaluation as an import leaves it, in the North group, named North060503: the first
    // question answered as given, with a tick on Floor when asked.
    qint64 store(const Database& database, const QString& answer, bool tbc, bool tickFloor) const;

    // Every row of an evaluation but its key, one line each, to compare evaluations by.
    static QStringList contents(const Database& database, qint64 evaluationKey);
};
