#include "FakeLauncherPlatform.h"

#include "PortableText.h"

#include <cstring>

void FakeLauncherPlatform::setOwnPath(const std::u16string& path, Cut cut) {
    m_ownPath = path;
    m_readable = true;
    m_cut = cut;
}

void FakeLauncherPlatform::setOwnPathUnreadable() {
    m_readable = false;
}

std::uint32_t FakeLauncherPlatform::moduleFileName(char16_t* buffer, std::uint32_t capacity) {
    if (!m_readable)
        return 0;
    if (m_ownPath.size() < capacity) {
        m_ownPath.copy(buffer, m_ownPath.size());
        buffer[m_ownPath.size()] = u'\0';
        return static_cast<std::uint32_t>(m_ownPath.size());
    }
    if (m_cut == Cut::WithoutNul) {
        m_ownPath.copy(buffer, capacity);
    } else {
        m_ownPath.copy(buffer, capacity - 1);
        buffer[capacity - 1] = u'\0';
    }
    return capacity;
}

const char16_t* FakeLauncherPlatform::findText(const char16_t* text, const char16_t* part) {
    return findWideText(text, part);
}

char16_t* FakeLauncherPlatform::copyText(char16_t* target, const char16_t* source) {
    return copyWideText(target, source);
}

void* FakeLauncherPlatform::fillMemory(void* target, int byte, std::size_t count) {
    return std::memset(target, byte, count);
}

bool FakeLauncherPlatform::shellExecute(ShellRequest& request) {
    m_requests.push_back(request);
    m_requestedFiles.emplace_back(request.file);
    return true;
}
