#pragma once

#include <QByteArray>
#include <QString>

// The single-byte character set of the files exchanged with the unit. Qt has no codec for it
// without ICU, and the mapping is small and fixed.
namespace Windows1252 {

// Every byte has a character: the five bytes that the code page leaves undefined map to the
// control characters of the same number, as Windows itself maps them.
QString decode(const QByteArray& bytes);

// The bytes of a text, or an empty array with *ok false when a character has no byte in
// the code page (nothing is replaced by "?" behind the user's back).
QByteArray encode(const QString& text, bool* ok);

// The first character of the text that has no byte (a whole character, also outside the
// basic plane), or empty text when every character has one.
QString firstUnencodable(const QString& text);

} // namespace Windows1252
