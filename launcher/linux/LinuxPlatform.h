#pragma once

#include "LauncherPlatform.h"

// The launcher on a Linux desktop: its own path comes from /proc, and the desktop's opener
// (xdg-open, or the program named by $NOBRIN_OPENER) stands in for the handheld's shell.
class LinuxPlatform : public LauncherPlatform {
public:
    std::uint32_t moduleFileName(char16_t* buffer, std::uint32_t capacity) override;
    const char16_t* findText(const char16_t* text, const char16_t* part) override;
    char16_t* copyText(char16_t* target, const char16_t* source) override;
    void* fillMemory(void* target, int byte, std::size_t count) override;
    bool shellExecute(ShellRequest& request) override;
};
