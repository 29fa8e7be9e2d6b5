#include "DeviceFileSearch.h"

#include "DeviceSession.h"

#include <utility>

DeviceFileSearch::DeviceFileSearch(DeviceSession* session, DeviceHandle handle, QString first)
    : m_session(session), m_handle(handle), m_first(std::move(first)) {}

DeviceFileSearch::DeviceFileSearch(DeviceFileSearch&& other) noexcept
    : m_session(other.m_session), m_handle(std::exchange(other.m_handle, InvalidDeviceHandle)),
      m_first(std::move(other.m_first)) {}

DeviceFileSearch& DeviceFileSearch::operator=(DeviceFileSearch&& other) noexcept {
    if (this != &other) {
        close();
        m_session = other.m_session;
        m_handle = std::exchange(other.m_handle, InvalidDeviceHandle);
        m_first = std::move(other.m_first);
    }
    return *this;
}

DeviceFileSearch::~DeviceFileSearch() {
    close();
}

bool DeviceFileSearch::nextName(QString& name) {
    if (!isOpen())
        return false;
    DeviceTransport& transport = m_session->transport();
    if (transport.findNextFile(m_handle, name))
        return true;
    const quint32 code = transport.lastError();
    m_session->setLastDeviceError(code == UnitError::NoMoreFiles ? UnitError::None : code);
    return false;
}

void DeviceFileSearch::close() {
    if (isOpen())
        m_session->transport().closeHandle(std::exchange(m_handle, InvalidDeviceHandle));
}
