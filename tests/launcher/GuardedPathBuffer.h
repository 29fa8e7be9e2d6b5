#pragma once

#include "Launcher.h"

#include <algorithm>
#include <sanitizer/asan_interface.h>
#include <string>

// The launcher's path buffer followed by a marked guard region. Under AddressSanitizer the
// guard is poisoned as well, so that a read past the buffer is caught, not only a write.
class GuardedPathBuffer {
public:
    static constexpr std::size_t GuardLength = 64;
    static constexpr char16_t GuardMark = 0xA5A5;

    GuardedPathBuffer() {
        std::fill(std::begin(m_chars), std::end(m_chars), GuardMark);
        ASAN_POISON_MEMORY_REGION(guard(), sizeof(char16_t) * GuardLength);
    }
    ~GuardedPathBuffer() { ASAN_UNPOISON_MEMORY_REGION(guard(), sizeof(char16_t) * GuardLength); }
    GuardedPathBuffer(const GuardedPathBuffer&) = delete;
    GuardedPathBuffer& operator=(const GuardedPathBuffer&) = delete;

    char16_t* data() { return m_chars; }
    std::u16string text() const {
        return std::u16string(m_chars, std::find(m_chars, m_chars + Launcher::PathCapacity, u'\0'));
    }
    bool guardIntact() {
        ASAN_UNPOISON_MEMORY_REGION(guard(), sizeof(char16_t) * GuardLength);
        const bool intact = std::all_of(guard(), guard() + GuardLength, [](char16_t c) { return c == GuardMark; });
        ASAN_POISON_MEMORY_REGION(guard(), sizeof(char16_t) * GuardLength);
        return intact;
    }

private:
    char16_t* guard() { return m_chars + Launcher::PathCapacity; }

    alignas(16) char16_t m_chars[Launcher::PathCapacity + GuardLength];
};
