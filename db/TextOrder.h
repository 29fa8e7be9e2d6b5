#pragma once

#include <QString>
#include <algorithm>

// The one alphabetical order of the program: without regard to case, the same whatever the
// database engine collates by, and the same as the value lists of the unit's template file.
// Names that differ only in case stand in a fixed order by their exact text.
namespace TextOrder {

int compare(const QString& a, const QString& b);

inline bool less(const QString& a, const QString& b) {
    return compare(a, b) < 0;
}

// Sorts a list by the text each entry names, keeping the list's own order among equal texts
// (so a key order read from the database breaks the ties).
template <typename List, typename Text> void sort(List& list, Text text) {
    std::stable_sort(list.begin(), list.end(), [&](const auto& a, const auto& b) { return less(text(a), text(b)); });
}

} // namespace TextOrder
