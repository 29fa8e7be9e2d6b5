#include "FaultInjectingTransport.h"

FaultInjectingTransport::FaultInjectingTransport(const QString& root) : m_folder([root] { return root; }) {}

bool FaultInjectingTransport::fail(quint32 code) {
    m_error = code;
    m_ownError = true;
    return false;
}

bool FaultInjectingTransport::passOn(bool result) {
    m_ownError = false;
    return result;
}

void FaultInjectingTransport::startConnection() {
    ++connections;
    m_folder.startConnection();
}

void FaultInjectingTransport::endConnection() {
    ++disconnections;
    m_folder.endConnection();
    m_failingReads.clear();
    m_searchReturned.clear();
    m_extraLeft.clear();
}

bool FaultInjectingTransport::version(Version& version) {
    if (faults.neverAnswers)
        return fail(UnitError::GeneralFailure);
    return passOn(m_folder.version(version));
}

DeviceHandle FaultInjectingTransport::createFile(const QString& unitPath, int mode, bool replace, quint32 attributes) {
    if (!faults.refuseOpen.isEmpty() && unitPath.contains(faults.refuseOpen)) {
        fail(faults.refuseOpenCode);
        return InvalidDeviceHandle;
    }
    const DeviceHandle handle = m_folder.createFile(unitPath, mode, replace, attributes);
    passOn(true);
    if (handle != InvalidDeviceHandle && !faults.failRead.isEmpty() && unitPath.contains(faults.failRead))
        m_failingReads[handle] = 0;
    return handle;
}

bool FaultInjectingTransport::readFile(DeviceHandle file, char* buffer, qint64 count, qint64& read) {
    const auto failing = m_failingReads.find(file);
    if (failing != m_failingReads.end()) {
        const qint64 left = faults.failReadAfter - failing->second;
        if (left <= 0) {
            read = 0;
            return fail(faults.failReadCode);
        }
        count = qMin(count, left);
    }
    const bool ok = passOn(m_folder.readFile(file, buffer, count, read));
    if (failing != m_failingReads.end())
        failing->second += read;
    return ok;
}

bool FaultInjectingTransport::writeFile(DeviceHandle file, const char* data, qint64 count, qint64& written) {
    writeSizes << count;
    if (faults.diskFullAfter >= 0 && m_written + count > faults.diskFullAfter) {
        const qint64 room = faults.diskFullAfter - m_written;
        passOn(m_folder.writeFile(file, data, room, written));
        m_written += written;
        return fail(UnitError::DiskFull);
    }
    const bool ok = passOn(m_folder.writeFile(file, data, count, written));
    m_written += written;
    return ok;
}

bool FaultInjectingTransport::closeHandle(DeviceHandle handle) {
    m_failingReads.erase(handle);
    m_searchReturned.erase(handle);
    m_extraLeft.erase(handle);
    return passOn(m_folder.closeHandle(handle));
}

bool FaultInjectingTransport::deleteFile(const QString& unitPath) {
    if (!faults.refuseDelete.isEmpty() && unitPath.contains(faults.refuseDelete))
        return fail(faults.refuseDeleteCode);
    const bool ok = passOn(m_folder.deleteFile(unitPath));
    if (ok)
        deleted << unitPath;
    return ok;
}

DeviceHandle FaultInjectingTransport::findFirstFile(const QString& pattern, QString& name) {
    const DeviceHandle handle = m_folder.findFirstFile(pattern, name);
    passOn(true);
    if (handle == InvalidDeviceHandle)
        return handle;
    m_searchReturned[handle] = 1;
    m_extraLeft[handle] = faults.extraNames;
    return handle;
}

bool FaultInjectingTransport::findNextFile(DeviceHandle search, QString& name) {
    int& returned = m_searchReturned[search];
    if (faults.listingBreaksAfter >= 0 && returned >= faults.listingBreaksAfter)
        return fail(faults.listingBreakCode);
    if (m_folder.findNextFile(search, name)) {
        ++returned;
        return passOn(true);
    }
    QStringList& extra = m_extraLeft[search];
    if (m_folder.lastError() == UnitError::NoMoreFiles && !extra.isEmpty()) {
        name = extra.takeFirst();
        ++returned;
        return passOn(true);
    }
    return passOn(false);
}
