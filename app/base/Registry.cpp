#include "Registry.h"

#include "KestrivoError.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

// Values that are not plain text carry a .reg style type prefix; a text that happens to
// start like one is stored behind "sz:" so that it never reads back as another type.
const QString DwordPrefix = QStringLiteral("dword:");
const QString TextPrefix = QStringLiteral("sz:");
const QString BinaryPrefix = QStringLiteral("hex:");

QString rootName(RegistryRoot root) {
    return root == RegistryRoot::HKEY_LOCAL_MACHINE ? QStringLiteral("HKEY_LOCAL_MACHINE")
                                                    : QStringLiteral("HKEY_CURRENT_USER");
}

QString settingsKey(const QString& keyPath, RegistryRoot root, const QString& valueName = {}) {
    QString key = rootName(root) + '/' + QString(keyPath).replace('\\', '/');
    if (!valueName.isEmpty())
        key += '/' + valueName;
    return key;
}

QSettings openSettings() {
    return QSettings(registryFilePath(), QSettings::IniFormat);
}

void raiseIfFailed(const QSettings& settings, const char* action) {
    if (settings.status() == QSettings::NoError)
        return;
    throw KestrivoError(ErrorNumber::General,
                        QStringLiteral("The settings file %1 cannot be %2.")
                            .arg(QDir::toNativeSeparators(registryFilePath()), QString::fromLatin1(action)));
}

} // namespace

QString registryFilePath() {
    const QString fromEnvironment = qEnvironmentVariable("KESTRIVO_SETTINGS");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Halvane/Kestrivo.ini");
}

void checkRegistryReadable() {
    const QFileInfo file(registryFilePath());
    if (file.exists() && (!file.isFile() || !file.isReadable()))
        throw KestrivoError(
            ErrorNumber::General,
            QStringLiteral("The settings file %1 cannot be read.").arg(QDir::toNativeSeparators(file.filePath())));
    QSettings settings = openSettings();
    raiseIfFailed(settings, "read");
}

void CreateRegistryKey(const QString& keyPath, RegistryRoot root) {
    // An INI file has no empty keys: the key comes into being with its first value. Making
    // sure the folder exists and the file is writable is what creating it can fail on.
    QDir().mkpath(QFileInfo(registryFilePath()).absolutePath());
    QSettings settings = openSettings();
    settings.beginGroup(settingsKey(keyPath, root));
    settings.endGroup();
    settings.sync();
    raiseIfFailed(settings, "written");
}

QVariant GetRegistryValue(const QString& keyPath, const QString& valueName, RegistryRoot root) {
    QSettings settings = openSettings();
    if (settings.status() != QSettings::NoError)
        return {};
    const QVariant stored = settings.value(settingsKey(keyPath, root, valueName));
    if (!stored.isValid())
        return {};
    if (stored.typeId() != QMetaType::QString)
        return {};
    const QString text = stored.toString();
    if (text.startsWith(DwordPrefix)) {
        bool ok = false;
        const quint32 number = text.mid(DwordPrefix.size()).toUInt(&ok, 16);
        return ok ? QVariant(static_cast<qint32>(number)) : QVariant();
    }
    if (text.startsWith(TextPrefix))
        return text.mid(TextPrefix.size());
    if (text.startsWith(BinaryPrefix))
        return {};
    return text;
}

void SetRegistryValue(const QString& keyPath, const QString& valueName, const QVariant& value, RegistryRoot root,
                      int valueType) {
    QString stored;
    if (valueType == RegistryType::REG_SZ) {
        stored = value.toString();
        if (stored.startsWith(DwordPrefix) || stored.startsWith(TextPrefix) || stored.startsWith(BinaryPrefix))
            stored.prepend(TextPrefix);
    } else if (valueType == RegistryType::REG_DWORD) {
        stored = DwordPrefix + QStringLiteral("%1").arg(static_cast<quint32>(value.toLongLong()), 8, 16, QChar('0'));
    } else {
        return;
    }
    QSettings settings = openSettings();
    settings.setValue(settingsKey(keyPath, root, valueName), stored);
    settings.sync();
    raiseIfFailed(settings, "written");
}
