#pragma once

#include <string>
#include <string_view>

// Linux file names are bytes, mostly but not always UTF-8. Bytes that are not valid UTF-8
// become the low surrogates U+DC80..U+DCFF and turn back into the same bytes, so that any
// path survives the trip through the launcher's UTF-16 buffer unchanged.
std::u16string pathToUtf16(std::string_view bytes);
std::string pathFromUtf16(const char16_t* text);
