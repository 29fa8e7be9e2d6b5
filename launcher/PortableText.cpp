#include "PortableText.h"

const char16_t* findWideText(const char16_t* text, const char16_t* part) {
    for (;; ++text) {
        const char16_t* t = text;
        const char16_t* p = part;
        while (*p != u'\0' && *t == *p) {
            ++t;
            ++p;
        }
        if (*p == u'\0')
            return text;
        if (*text == u'\0')
            return nullptr;
    }
}

char16_t* copyWideText(char16_t* target, const char16_t* source) {
    char16_t* out = target;
    while ((*out++ = *source++) != u'\0') {
    }
    return target;
}
