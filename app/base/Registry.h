#pragma once

#include <QString>
#include <QVariant>

// The registry of the settings: keys and values kept in one INI file (KESTRIVO_SETTINGS, or
// Halvane/Kestrivo.ini in the user's config folder). Values keep their registry type: a
// REG_DWORD reads back as a number, a REG_SZ as text.
enum class RegistryRoot { HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE };

namespace RegistryType {
constexpr int REG_SZ = 1;
constexpr int REG_DWORD = 4;
} // namespace RegistryType

QString registryFilePath();

// Throws KestrivoError when the settings file exists but cannot be read or parsed.
void checkRegistryReadable();

void CreateRegistryKey(const QString& keyPath, RegistryRoot root);
QVariant GetRegistryValue(const QString& keyPath, const QString& valueName, RegistryRoot root);
void SetRegistryValue(const QString& keyPath, const QString& valueName, const QVariant& value, RegistryRoot root,
                      int valueType);
