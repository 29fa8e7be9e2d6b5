#include "WebUnitSettings.h"

#include "KestrivoError.h"
#include "Registry.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whoever reads the settings file can use the unit as a paired phone: it is its owner's only.
// Created so before the first value goes in; QSettings keeps the mode of the file it replaces.
void keepPrivate(const QString& path) {
    const QByteArray encoded = QFile::encodeName(path);
    const int created = ::open(encoded.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (created >= 0)
        ::close(created);
    struct stat status {};
    if (::stat(encoded.constData(), &status) != 0 ||
        ((status.st_mode & 0777) != 0600 && ::chmod(encoded.constData(), 0600) != 0))
        throw KestrivoError(ErrorNumber::General,
                            QStringLiteral("The settings file %1 cannot be made private to its owner.")
                                .arg(QDir::toNativeSeparators(path)));
}

// Runs change with every other program of this user that changes the token waiting: two servers
// started at the same moment on a new settings file would each make a token of their own. The
// lock is on the settings file's folder, since QSettings replaces the file itself when it writes.
QString underLock(const std::function<QString()>& change) {
    const QString path = registryFilePath();
    const QString folder = QFileInfo(path).absolutePath();
    QDir().mkpath(folder);
    const int descriptor = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0 || ::flock(descriptor, LOCK_EX) != 0) {
        if (descriptor >= 0)
            ::close(descriptor);
        throw KestrivoError(
            ErrorNumber::General,
            QStringLiteral("The settings folder %1 cannot be locked.").arg(QDir::toNativeSeparators(folder)));
    }
    try {
        keepPrivate(path);
        const QString result = change();
        keepPrivate(path);
        ::close(descriptor);
        return result;
    } catch (...) {
        ::close(descriptor);
        throw;
    }
}

bool isToken(const QString& stored) {
    return stored.size() >= 32;
}

QString storeNewToken() {
    const QString token = WebUnitSettings::makeToken();
    Settings::writeSetting(WebUnitSettings::Token, token);
    return token;
}

} // namespace

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
    if (isToken(stored)) {
        keepPrivate(registryFilePath());
        return stored;
    }
    // Read again under the lock: another server may have made it meanwhile.
    return underLock([] {
        const QString made = Settings::readSetting(Token);
        return isToken(made) ? made : storeNewToken();
    });
}

QString newToken() {
    return underLock(storeNewToken);
}

} // namespace WebUnitSettings
