#pragma once

#include <QString>

// The web unit's settings, kept with the program's other settings.
namespace WebUnitSettings {

inline const QString Listen = QStringLiteral("WebUnitListen");
inline const QString Certificate = QStringLiteral("WebUnitCertificate");
inline const QString Key = QStringLiteral("WebUnitKey");
inline const QString Token = QStringLiteral("WebUnitToken");
inline const QString InstallPort = QStringLiteral("WebUnitInstallPort");

// Every address of the PC, on a port that needs no administrator.
inline const QString DefaultListen = QStringLiteral("0.0.0.0:8080");
// The installation page's port, beside the page's.
constexpr quint16 DefaultInstallPort = 8081;

QString listen();
QString certificate();
QString key();
quint16 installPort();

// A random pairing token of 128 bits, as 32 hexadecimal digits.
QString makeToken();
// The stored pairing token; the first call stores a new one, once, however many programs ask
// at the same moment. The settings file that holds it is made readable by its owner only.
// Throws KestrivoError.
QString token();
// Stores a new pairing token and returns it: phones paired with the old one are paired no more.
QString newToken();

} // namespace WebUnitSettings
