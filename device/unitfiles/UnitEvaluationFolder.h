#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QSet>
#include <QString>

// The unit's evaluation folder as the handheld writes into it: a new file never replaces one
// that is there (a second "A.txt" becomes "A_2.txt", then "A_3.txt", names compared without
// regard to case as the unit's file system does), and each file appears whole or not at all.
class UnitEvaluationFolder {
public:
    // The folder's PC path, ending with "/".
    explicit UnitEvaluationFolder(QString folder);

    // Writes the bytes under the first free name made of base, a suffix and extension, and
    // returns that name. Throws KestrivoError, leaving nothing behind.
    QString store(const QString& base, const QString& extension, const QByteArray& bytes);

    // For writers on several threads: reserve a free name, write it (without touching the
    // folder's state, so outside any lock), then settle it with the outcome of the write.
    QString reserve(const QString& base, const QString& extension);
    // True when written; false when another writer took the name since it was reserved
    // (nothing is left behind then). With durable, the file is on the disk before its name
    // appears. Throws KestrivoError, leaving nothing behind.
    bool write(const QString& name, const QByteArray& bytes, bool durable) const;
    // written: the name now holds a file, or another writer's (reserve again); else the
    // write failed and the name is free again.
    void settle(const QString& name, bool taken);

private:
    QDateTime modified() const;

    QString m_folder;
    QSet<QString> m_taken;    // lower case: in the folder when it was listed, or written since
    QSet<QString> m_reserved; // lower case: being written
    QDateTime m_listed;       // the folder's modification time when it was listed
};
