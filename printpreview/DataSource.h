#pragma once

#include <QString>

// Where a connection string's "Data Source=" item points: the report database file and the
// folder that holds it (ending in "/"), which also receives the control's error log.
struct DataSource {
    QString path;
    QString folder;
    QString fileName;

    // Without "Data Source=" every part is empty; a path without "/" has no folder and no
    // file name.
    static DataSource parse(const QString& connectionString);
};
