#pragma once

#include "PageRange.h"

#include <QList>
#include <QString>

// Reads a page list as users type it ("1, 3, 5-7") into ranges, in the order given. Only
// digits, "," and "-" count; a range is put first-to-last whichever way it was typed, and a
// page 0 names no page.
class PageListParser {
public:
    static QList<PageRange> parse(const QString& text);
};
