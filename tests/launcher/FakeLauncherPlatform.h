#pragma once

#include "LauncherPlatform.h"

#include <string>
#include <vector>

// Stands in for the system: hands out a chosen own path and records every request made to
// the shell instead of opening anything. The text routines are the portable ones for real.
class FakeLauncherPlatform : public LauncherPlatform {
public:
    // How a path longer than the buffer comes back: cut with a NUL in the last place, or (as
    // older Windows versions do) filling the whole buffer without one.
    enum class Cut { WithNul, WithoutNul };

    void setOwnPath(const std::u16string& path, Cut cut = Cut::WithNul);
    void setOwnPathUnreadable();

    const std::vector<ShellRequest>& requests() const { return m_requests; }
    const std::vector<std::u16string>& requestedFiles() const { return m_requestedFiles; }

    std::uint32_t moduleFileName(char16_t* buffer, std::uint32_t capacity) override;
    const char16_t* findText(const char16_t* text, const char16_t* part) override;
    char16_t* copyText(char16_t* target, const char16_t* source) override;
    void* fillMemory(void* target, int byte, std::size_t count) override;
    bool shellExecute(ShellRequest& request) override;

private:
    std::u16string m_ownPath;
    bool m_readable = true;
    Cut m_cut = Cut::WithNul;
    std::vector<ShellRequest> m_requests;
    std::vector<std::u16string> m_requestedFiles;
};
