#pragma once

#include "DelimitedItem.h"

#include <QByteArray>

// Reads the items of a file in the unit's delimited convention: items separated by commas or
// line ends alike, so how they are split across lines does not matter; text between double
// quotes (which it cannot contain), everything else trimmed and typed as a number,
// "#TRUE#"/"#FALSE#", "#NULL#" or plain text. Nothing between two separators (",," or a
// comma at the end of a line, or a blank line) is an empty item, as the writer of an empty
// value leaves it.
class DelimitedItemReader {
public:
    explicit DelimitedItemReader(QByteArray bytes);

    // True when only blanks are left.
    bool atEnd();
    // The next item. Throws KestrivoError when there is none left, or for a quote that is
    // never closed or is followed by more text before the next separator.
    DelimitedItem ReadItem();
    int line() const { return m_line; }

private:
    void skipBlanks();
    void skipSeparator();
    bool atLineEnd() const;
    void skipLineEnd();

    QByteArray m_bytes;
    qsizetype m_position = 0;
    int m_line = 1;
};
