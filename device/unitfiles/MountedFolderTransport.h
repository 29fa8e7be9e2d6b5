#pragma once

#include "DeviceTransport.h"

#include <QStringList>
#include <functional>
#include <map>

// The docked unit as a folder on the PC: its file system mounted (MTP, USB storage, a share)
// or the emulated unit that kestrivo-unitsim fills. The unit path "\My Documents\A.evt"
// is the file "My Documents/A.evt" below the root.
class MountedFolderTransport : public DeviceTransport {
public:
    // The root is asked for at every connection, so a changed unit folder takes effect with
    // the next action.
    explicit MountedFolderTransport(std::function<QString()> root);
    ~MountedFolderTransport() override;

    // The PC path of a unit path below root, or empty text when the unit path is refused:
    // a ".." part, a NUL character, or no name at all.
    static QString localPath(const QString& root, const QString& unitPath);

    void startConnection() override;
    void endConnection() override;
    bool version(Version& version) override;
    DeviceHandle createFile(const QString& unitPath, int mode, bool replace, quint32 attributes) override;
    bool readFile(DeviceHandle file, char* buffer, qint64 count, qint64& read) override;
    bool writeFile(DeviceHandle file, const char* data, qint64 count, qint64& written) override;
    bool closeHandle(DeviceHandle handle) override;
    bool deleteFile(const QString& unitPath) override;
    DeviceHandle findFirstFile(const QString& pattern, QString& name) override;
    bool findNextFile(DeviceHandle search, QString& name) override;
    quint32 lastError() const override { return m_lastError; }
    QString location() const override;

private:
    struct Search {
        QStringList names;
        qsizetype next = 0;
    };

    QString mapped(const QString& unitPath);
    void failWith(int systemError, const QString& path);
    bool fail(quint32 code);

    std::function<QString()> m_rootSource;
    QString m_root;
    quint32 m_lastError = UnitError::None;
    std::map<DeviceHandle, int> m_files; // handle -> file descriptor
    std::map<DeviceHandle, Search> m_searches;
    DeviceHandle m_nextHandle = 1;
};
