#pragma once

#include <QString>
#include <QVariant>

// The text of a database value for display: null gives empty text, a whole number its
// digits, anything else its text; cut to length when length is not 0, trimmed when asked.
QString FieldText(const QVariant& value, int length = 0, bool trim = false);
