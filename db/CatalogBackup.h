#pragma once

#include "CatalogCopy.h"

#include <QString>

class Database;

// Backups of a catalog: a catalog copy into a new SQLite file, read inside one snapshot, and
// a catalog copy from such a file back into an empty catalog.
namespace CatalogBackup {

// The connection string of an SQLite catalog file.
QString fileConnection(const QString& file);

// Why the file cannot be restored (missing, not an SQLite file, cut short, damaged, no
// catalog, one of a newer program); empty when it can. Only reads the file.
QString damage(const QString& file);

// Writes a backup of the catalog into a new file; the file appears only once the backup is
// whole and checked. Throws KestrivoError with the reason.
QList<CatalogCopy::TableCheck> backup(const Database& catalog, const QString& file,
                                      const CatalogCopy::ProgressHandler& progress);

// Copies a sound backup into the catalog, which must hold no template and no evaluation.
// Nothing is written unless the whole backup is restored. Throws KestrivoError with the reason.
QList<CatalogCopy::TableCheck> restore(const QString& file, const Database& catalog,
                                       const CatalogCopy::ProgressHandler& progress);

} // namespace CatalogBackup
