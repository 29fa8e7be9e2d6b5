#pragma once

#include "DeviceTransport.h"

#include <QString>

class DeviceSession;

// A search of FindDeviceFiles: the first name, then each further name on request. The
// caller closes it; it also closes itself when it goes out of scope.
class DeviceFileSearch {
public:
    DeviceFileSearch() = default;
    DeviceFileSearch(DeviceSession* session, DeviceHandle handle, QString first);
    DeviceFileSearch(DeviceFileSearch&& other) noexcept;
    DeviceFileSearch& operator=(DeviceFileSearch&& other) noexcept;
    DeviceFileSearch(const DeviceFileSearch&) = delete;
    DeviceFileSearch& operator=(const DeviceFileSearch&) = delete;
    ~DeviceFileSearch();

    // False when the search could not start; the session then holds the unit's code.
    bool isOpen() const { return m_handle != InvalidDeviceHandle; }
    const QString& firstName() const { return m_first; }
    // The next name; false when none is left (the session's code 18 is cleared then) or
    // when the unit fails (its code stays in the session).
    bool nextName(QString& name);
    void close();

private:
    DeviceSession* m_session = nullptr;
    DeviceHandle m_handle = InvalidDeviceHandle;
    QString m_first;
};
