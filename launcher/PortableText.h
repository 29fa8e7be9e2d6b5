#pragma once

// Wide-text routines for systems whose C library has no 16-bit wide text.

const char16_t* findWideText(const char16_t* text, const char16_t* part);
char16_t* copyWideText(char16_t* target, const char16_t* source);
