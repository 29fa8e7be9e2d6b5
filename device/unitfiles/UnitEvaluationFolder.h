#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

// The unit's evaluation folder as the handheld writes into it: a new file never replaces one
// that is there (a second "A.txt" becomes "A_2.txt", then "A_3.txt", names compared without
// regard to case as the unit's file system does), and each file appears whole or not at all.
class UnitEvaluationFolder {
public:
    // The folder's PC path, ending with "/". Its names are listed once, here.
    explicit UnitEvaluationFolder(QString folder);

    // Writes the bytes under the first free name made of base, a suffix and extension, and
    // returns that name. With durable, the file is on the disk before the name appears.
    // Throws KestrivoError, leaving nothing behind.
    QString store(const QString& base, const QString& extension, const QByteArray& bytes, bool durable = false);

private:
    QString m_folder;
    QSet<QString> m_taken; // lower case
};
