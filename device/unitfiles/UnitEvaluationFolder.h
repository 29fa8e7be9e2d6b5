#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <sys/types.h>

// The unit's evaluation folder as the handheld writes into it: a new file never replaces one
// that is there (a second "A.txt" becomes "A_2.txt", then "A_3.txt", names compared without
// regard to case as the unit's file system does), and each file appears whole or not at all.
//
// The folder is held open from the moment it is opened: when the unit folder is moved, what this
// object writes goes on into the moved folder, so a writer finishes a step in the folder it began
// it in. Open it anew for the next step.
class UnitEvaluationFolder {
public:
    // A file written under a hidden name of its own (Down skips names that begin with "."), locked
    // for as long as this object lives, so that a file whose lock is free has lost its writer.
    class Staged {
    public:
        Staged() = default;
        Staged(QString name, int descriptor) : m_name(std::move(name)), m_descriptor(descriptor) {}
        Staged(Staged&& other) noexcept;
        Staged& operator=(Staged&& other) noexcept;
        ~Staged();
        const QString& name() const { return m_name; }

    private:
        QString m_name;
        int m_descriptor = -1;
    };

    struct Listing {
        QSet<QString> names; // case folded, hidden names left out
        QStringList staged;  // the staged files of every writer
    };

    // Opens the folder at its PC path (ending with "/"). Throws KestrivoError when it is not
    // there: a unit that is not mounted must not be written onto the PC's own disk instead.
    explicit UnitEvaluationFolder(QString folder);
    ~UnitEvaluationFolder();
    UnitEvaluationFolder(const UnitEvaluationFolder&) = delete;
    UnitEvaluationFolder& operator=(const UnitEvaluationFolder&) = delete;

    const QString& path() const { return m_folder; }
    // Both opened the same folder (though perhaps at different paths).
    bool isSameFolderAs(const UnitEvaluationFolder& other) const;

    // Writes the bytes under the first free name made of base, a suffix and extension, and
    // returns that name. For a single writer of the folder. Throws KestrivoError, leaving nothing
    // behind.
    QString store(const QString& base, const QString& extension, const QByteArray& bytes);

    // The steps of store for writers that share the folder and take turns through a lock of
    // their own. Each throws KestrivoError.
    // Writes the bytes into a new staged file; with durable, they are on the disk on return.
    // Leaves nothing behind when it fails.
    Staged stage(const QByteArray& bytes, bool durable) const;
    Listing list() const;
    // The first name of base, a suffix and extension that is not in taken (case folded).
    static QString freeName(const QSet<QString>& taken, const QString& base, const QString& extension);
    // Gives the staged file its name; false, changing nothing, when the name is taken.
    bool place(const QString& staged, const QString& name) const;
    bool contains(const QString& name) const;
    void remove(const QString& name) const;
    // Removes a staged file that its writer left behind: unlocked, and written or a minute old.
    void removeAbandoned(const QString& staged) const;
    // Makes the names given since on the disk as lasting as the files' bytes.
    void sync() const;

private:
    QString m_folder;
    int m_descriptor = -1;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    // For store: the names known to be taken, and the folder's modification time then.
    QSet<QString> m_taken;
    qint64 m_listed = -1;
};
