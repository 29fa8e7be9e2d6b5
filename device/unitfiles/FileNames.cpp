#include "FileNames.h"

namespace FileNames {

QString CleanFileName(const QString& text) {
    static const QString Forbidden = QStringLiteral("`~!@#$%^&*()/?<>,.\\|");
    QString cleaned;
    cleaned.reserve(text.size());
    for (QChar character : text) {
        if (!Forbidden.contains(character))
            cleaned += character;
    }
    return cleaned;
}

bool isBareFileName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains('/') &&
           !name.contains('\\') && !name.contains(QChar(0));
}

bool isPortableFileName(const QString& name) {
    if (!isBareFileName(name))
        return false;
    static const QString Reserved = QStringLiteral(":*?\"<>|");
    for (QChar character : name) {
        if (character.category() == QChar::Other_Control || Reserved.contains(character))
            return false;
    }
    return true;
}

} // namespace FileNames
