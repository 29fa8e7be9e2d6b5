#pragma once

#include "MountedFolderTransport.h"

#include <QStringList>
#include <map>

// A unit folder whose unit misbehaves on demand: it refuses to open or delete chosen files,
// runs out of space or fails a read half-way, breaks off a listing, adds names of its own to
// a listing, or never answers. It records what was asked of it.
class FaultInjectingTransport : public DeviceTransport {
public:
    struct Faults {
        bool neverAnswers = false;
        QString refuseOpen; // unit paths holding this text cannot be opened
        quint32 refuseOpenCode = UnitError::AccessDenied;
        qint64 diskFullAfter = -1; // bytes the unit takes in all before it is full
        QString failRead;          // reads of unit paths holding this text fail ...
        qint64 failReadAfter = 0;  // ... after this many bytes
        quint32 failReadCode = UnitError::GeneralFailure;
        QString refuseDelete;
        quint32 refuseDeleteCode = UnitError::AccessDenied;
        QStringList extraNames;      // names the listing returns after the folder's own
        int listingBreaksAfter = -1; // names returned before the listing fails
        quint32 listingBreakCode = UnitError::GeneralFailure;
    };

    explicit FaultInjectingTransport(const QString& root);

    Faults faults;
    int connections = 0;
    int disconnections = 0;
    QList<qint64> writeSizes;
    QStringList deleted;

    QString location() const override { return m_folder.location(); }
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
    quint32 lastError() const override { return m_ownError ? m_error : m_folder.lastError(); }

private:
    bool fail(quint32 code);
    bool passOn(bool result);

    MountedFolderTransport m_folder;
    quint32 m_error = 0;
    bool m_ownError = false;
    qint64 m_written = 0;
    std::map<DeviceHandle, qint64> m_failingReads; // handle -> bytes read so far
    std::map<DeviceHandle, int> m_searchReturned;  // handle -> names returned so far
    std::map<DeviceHandle, QStringList> m_extraLeft;
};
