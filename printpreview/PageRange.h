#pragma once

#include <QtGlobal>

// A run of pages to print, first to last inclusive; a first page of 0 means every page.
struct PageRange {
    qint32 first = 0;
    qint32 last = 0;
    friend bool operator==(const PageRange&, const PageRange&) = default;
};
