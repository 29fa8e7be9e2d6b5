#pragma once

#include <cstdint>

// The shell's execute-with-information-block record, laid out field for field as the
// handheld's shell expects it. On that 32-bit system the block is 60 bytes; with 64-bit
// pointers the record is larger, but its size field still carries the handheld's value.
struct ShellRequest {
    std::uint32_t size;
    std::uint32_t mask;
    void* window;
    const char16_t* verb;
    const char16_t* file;
    const char16_t* parameters;
    const char16_t* directory;
    std::int32_t show;
    void* instance;
    void* idList;
    const char16_t* className;
    void* classKey;
    std::uint32_t hotKey;
    void* icon;
    void* process;
};

static_assert(sizeof(void*) != 4 || sizeof(ShellRequest) == 60, "the shell reads exactly 60 bytes");
