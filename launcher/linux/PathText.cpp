#include "PathText.h"

namespace {

void appendUtf16(std::u16string& text, char32_t code) {
    if (code < 0x10000) {
        text.push_back(static_cast<char16_t>(code));
        return;
    }
    code -= 0x10000;
    text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
}

void appendUtf8(std::string& bytes, char32_t code) {
    if (code < 0x80) {
        bytes.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        bytes.push_back(static_cast<char>(0xC0 | (code >> 6)));
        bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        bytes.push_back(static_cast<char>(0xE0 | (code >> 12)));
        bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        bytes.push_back(static_cast<char>(0xF0 | (code >> 18)));
        bytes.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

bool isHighSurrogate(char32_t code) {
    return code >= 0xD800 && code <= 0xDBFF;
}
bool isLowSurrogate(char32_t code) {
    return code >= 0xDC00 && code <= 0xDFFF;
}

} // namespace

std::u16string pathToUtf16(std::string_view bytes) {
    std::u16string text;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        std::size_t count = 0;
        char32_t code = 0;
        char32_t smallest = 0;
        if (lead < 0x80) {
            count = 1;
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            count = 2;
            code = lead & 0x1F;
            smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            count = 3;
            code = lead & 0x0F;
            smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            count = 4;
            code = lead & 0x07;
            smallest = 0x10000;
        }
        bool valid = count != 0 && at + count <= bytes.size();
        for (std::size_t k = 1; valid && k < count; ++k) {
            const auto next = static_cast<unsigned char>(bytes[at + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms and encoded surrogates are not UTF-8 either; they are kept as bytes.
        valid = valid && code >= smallest && code <= 0x10FFFF && !isHighSurrogate(code) && !isLowSurrogate(code);
        if (!valid) {
            text.push_back(static_cast<char16_t>(0xDC00 + lead));
            ++at;
            continue;
        }
        appendUtf16(text, code);
        at += count;
    }
    return text;
}

std::string pathFromUtf16(const char16_t* text) {
    std::string bytes;
    for (; *text != u'\0'; ++text) {
        char32_t code = *text;
        if (isHighSurrogate(code) && isLowSurrogate(text[1])) {
            ++text;
            code = 0x10000 + ((code - 0xD800) << 10) + (*text - 0xDC00);
        } else if (code >= 0xDC80 && code <= 0xDCFF) {
            bytes.push_back(static_cast<char>(code - 0xDC00));
            continue;
        }
        appendUtf8(bytes, code);
    }
    return bytes;
}
