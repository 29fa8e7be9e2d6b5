#include "WindowsPlatform.h"

#include <cstring>
#include <cwchar>
#include <shellapi.h>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

namespace {

wchar_t* wide(char16_t* text) {
    return reinterpret_cast<wchar_t*>(text);
}
const wchar_t* wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

} // namespace

std::uint32_t WindowsPlatform::moduleFileName(char16_t* buffer, std::uint32_t capacity) {
    return GetModuleFileNameW(m_instance, wide(buffer), capacity);
}

const char16_t* WindowsPlatform::findText(const char16_t* text, const char16_t* part) {
    return reinterpret_cast<const char16_t*>(std::wcsstr(wide(text), wide(part)));
}

char16_t* WindowsPlatform::copyText(char16_t* target, const char16_t* source) {
    std::wcscpy(wide(target), wide(source));
    return target;
}

void* WindowsPlatform::fillMemory(void* target, int byte, std::size_t count) {
    return std::memset(target, byte, count);
}

// The record's 60 bytes are the 32-bit block; the shell checks the size against its own
// layout, so the block is handed over with this build's size. The launcher ends right after
// the call, which on the desktop shell needs the no-async flag.
bool WindowsPlatform::shellExecute(ShellRequest& request) {
    SHELLEXECUTEINFOW info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = request.mask | SEE_MASK_NOASYNC;
    info.hwnd = static_cast<HWND>(request.window);
    info.lpVerb = wide(request.verb);
    info.lpFile = wide(request.file);
    info.lpParameters = wide(request.parameters);
    info.lpDirectory = wide(request.directory);
    info.nShow = request.show;
    const BOOL done = ShellExecuteExW(&info);
    request.instance = info.hInstApp;
    request.process = info.hProcess;
    return done != FALSE;
}
