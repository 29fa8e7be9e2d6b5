#pragma once

#include "ShellRequest.h"

#include <cstddef>
#include <cstdint>

// What the launcher needs from the system it runs on, and nothing more, so that the same
// core runs on the handheld, on Windows, on Linux and against a fake in the tests.
class LauncherPlatform {
public:
    virtual ~LauncherPlatform() = default;

    // Writes the program's own full path with its NUL into buffer. Returns the path's length;
    // capacity when the path did not fit (the buffer then holds a cut path, perhaps without
    // its NUL); 0 when the path cannot be read.
    virtual std::uint32_t moduleFileName(char16_t* buffer, std::uint32_t capacity) = 0;
    // First occurrence of part in text, with exact case; nullptr when there is none.
    virtual const char16_t* findText(const char16_t* text, const char16_t* part) = 0;
    // Copies source with its NUL to target.
    virtual char16_t* copyText(char16_t* target, const char16_t* source) = 0;
    virtual void* fillMemory(void* target, int byte, std::size_t count) = 0;
    // Asks the shell to act on request.file with request.verb; false when the shell refused.
    virtual bool shellExecute(ShellRequest& request) = 0;
};
