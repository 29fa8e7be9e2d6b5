#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <sys/types.h>

// A folder that only its owner may enter, whose files are replaced whole: a reader sees the old
// file or the new one, never a mix, and a file is born with its mode, so a key is never readable
// by others, not even for an instant. Every process and thread that uses the folder takes turns
// through its lock.
class PrivateFolder {
public:
    // path ends with "/".
    explicit PrivateFolder(QString path);

    const QString& path() const { return m_path; }
    QString filePath(const QString& name) const { return m_path + name; }

    // Creates the folder (and its parents) when missing; the folder itself gets mode 700.
    // Throws KestrivoError when it cannot be made.
    void create() const;

    // The file's bytes, or nothing when there is no such file. Throws KestrivoError when the
    // file is there but cannot be read.
    std::optional<QByteArray> read(const QString& name) const;

    // Writes the bytes under a temporary name created with this mode, then renames it over the
    // file. Throws KestrivoError, leaving the file as it was.
    void write(const QString& name, const QByteArray& bytes, mode_t mode) const;

    // The folder's lock, held while the object lives.
    class Lock {
    public:
        explicit Lock(int descriptor) : m_descriptor(descriptor) {}
        Lock(Lock&& other) noexcept : m_descriptor(other.m_descriptor) { other.m_descriptor = -1; }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
        Lock& operator=(Lock&&) = delete;
        ~Lock();

    private:
        int m_descriptor;
    };
    // Waits until no other holder is left. Throws KestrivoError.
    Lock lock() const;

private:
    QString m_path;
};
