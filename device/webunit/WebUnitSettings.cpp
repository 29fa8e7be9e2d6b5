#include "WebUnitSettings.h"

#include "Settings.h"

#include <QRandomGenerator>

namespace WebUnitSettings {

QString listen() {
    const QString stored = Settings::readSetting(Listen);
    return stored.isEmpty() ? DefaultListen : stored;
}

QString certificate() {
    return Settings::readSetting(Certificate);
}

QString key() {
    return Settings::readSetting(Key);
}

quint16 installPort() {
    bool number = false;
    const int stored = Settings::readSetting(InstallPort).toInt(&number);
    return number && stored > 0 && stored <= 65535 ? quint16(stored) : DefaultInstallPort;
}

QString makeToken() {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex());
}

QString token() {
    const QString stored = Settings::readSetting(Token);
    return stored.size() >= 32 ? stored : newToken();
}

QString newToken() {
    const QString token = makeToken();
    Settings::writeSetting(Token, token);
    return token;
}

} // namespace WebUnitSettings
