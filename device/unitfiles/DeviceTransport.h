#pragma once

#include <QString>
#include <QtGlobal>

// System error codes as the unit reports them.
namespace UnitError {
constexpr quint32 None = 0;
constexpr quint32 FileNotFound = 2;
constexpr quint32 PathNotFound = 3;
constexpr quint32 AccessDenied = 5;
constexpr quint32 NoMoreFiles = 18;
constexpr quint32 WriteProtect = 19;
constexpr quint32 GeneralFailure = 31;
constexpr quint32 FileExists = 80;
constexpr quint32 InvalidParameter = 87;
constexpr quint32 DiskFull = 112;
constexpr quint32 NameTooLong = 206;
} // namespace UnitError

using DeviceHandle = qintptr;
constexpr DeviceHandle InvalidDeviceHandle = -1;

// The unit's remote file interface: what the device session needs from whatever carries the
// files to and from a docked unit. Every failing call leaves its code in lastError().
class DeviceTransport {
public:
    struct Version {
        quint32 major = 0;
        quint32 minor = 0;
        quint32 build = 0;
        QString service;
    };

    // Access modes of createFile.
    static constexpr int ReadMode = 1;
    static constexpr int WriteMode = 2;
    static constexpr int ReadWriteMode = 3;
    static constexpr quint32 NormalAttributes = 128;

    virtual ~DeviceTransport() = default;

    // Starts the connection in the background; whether the unit answers shows in version().
    virtual void startConnection() = 0;
    // Ends the session; harmless when the connection never came up. Closes what is open.
    virtual void endConnection() = 0;
    virtual bool version(Version& version) = 0;

    // Opens (or with replace, creates or empties) a file on the unit.
    virtual DeviceHandle createFile(const QString& unitPath, int mode, bool replace, quint32 attributes) = 0;
    // Reads up to count bytes; success with 0 bytes read is the end of the file.
    virtual bool readFile(DeviceHandle file, char* buffer, qint64 count, qint64& read) = 0;
    // Writes the bytes; written holds what the unit took, also when the write fails.
    virtual bool writeFile(DeviceHandle file, const char* data, qint64 count, qint64& written) = 0;
    virtual bool closeHandle(DeviceHandle handle) = 0;
    virtual bool deleteFile(const QString& unitPath) = 0;

    // Starts a search for a pattern whose last part may hold "*" and "?"; the first name
    // found, or the invalid handle (code 18 when nothing matches).
    virtual DeviceHandle findFirstFile(const QString& pattern, QString& name) = 0;
    // The next name, or false when none is left (code 18) or the search fails.
    virtual bool findNextFile(DeviceHandle search, QString& name) = 0;

    virtual quint32 lastError() const = 0;
    // Where the last connection looked for the unit, as the user would find it (a folder);
    // empty when the transport cannot say.
    virtual QString location() const { return QString(); }
};
