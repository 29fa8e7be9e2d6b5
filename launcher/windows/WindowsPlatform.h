#pragma once

#include "LauncherPlatform.h"

#include <windows.h>

// The launcher on Windows, over the same calls the handheld's core library offers.
class WindowsPlatform : public LauncherPlatform {
public:
    explicit WindowsPlatform(HINSTANCE instance) : m_instance(instance) {}

    std::uint32_t moduleFileName(char16_t* buffer, std::uint32_t capacity) override;
    const char16_t* findText(const char16_t* text, const char16_t* part) override;
    char16_t* copyText(char16_t* target, const char16_t* source) override;
    void* fillMemory(void* target, int byte, std::size_t count) override;
    bool shellExecute(ShellRequest& request) override;

private:
    HINSTANCE m_instance;
};
