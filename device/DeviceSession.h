#pragma once

#include "DeviceFileSearch.h"
#include "DeviceTransport.h"

#include <QString>
#include <memory>

// The one set of device state of the program (last error, bytes moved, last message) and the
// operations through which every exchange with the docked unit goes. A session lasts for one
// user action: DeviceConnect, copies, searches and deletions, ShowDeviceError where the
// outcome is to be shown, and DeviceDisconnect on every path.
class DeviceSession {
public:
    static constexpr int BlockSize = 2048;
    static constexpr int ConnectWaitMilliseconds = 500;

    explicit DeviceSession(std::unique_ptr<DeviceTransport> transport);

    // The program's session, over the unit folder of the setting UnitPath.
    static DeviceSession& program();

    bool DeviceConnect();
    // Ends the session that DeviceConnect started, answered or not; a second call does nothing.
    void DeviceDisconnect();
    QString GetDeviceVersion();
    DeviceHandle OpenDeviceFile(const QString& unitPath, int mode, bool replace,
                                quint32 attributes = DeviceTransport::NormalAttributes);
    void CopyFileToDevice(const QString& pcPath, const QString& unitPath);
    void CopyFileFromDevice(const QString& unitPath, const QString& pcPath);
    // True when the unit did NOT delete the file.
    bool DeleteDeviceFile(const QString& unitPath);
    DeviceFileSearch FindDeviceFiles(const QString& pattern);
    // Shows the outcome (error details and the last message) and clears the state.
    void ShowDeviceError();

    quint32 lastDeviceError() const { return m_lastError; }
    quint32 bytesTransferred() const { return m_bytesTransferred; }
    const QString& lastDeviceMessage() const { return m_lastMessage; }
    void setLastDeviceError(quint32 code) { m_lastError = code; }
    void setLastDeviceMessage(const QString& message) { m_lastMessage = message; }

    // The text that ShowDeviceError gives a code.
    static QString deviceErrorText(quint32 code);
    // The whole text of the box that ShowDeviceError would show now.
    QString deviceErrorMessage() const;
    // NotConnected, and where the unit was looked for when the transport can say.
    QString notConnectedMessage() const;

    DeviceTransport& transport() { return *m_transport; }

    static inline const QString CopyFailed = QStringLiteral("Error with copy");
    static inline const QString UploadCompleted = QStringLiteral("Transfer Completed.");
    static inline const QString DownloadCompleted = QStringLiteral("Transfer Completed");
    static inline const QString NotConnected = QStringLiteral("Unit is not connected to PC.  Try again.");
    static inline const QString NotConnectedTitle = QStringLiteral("Connection Error");

private:
    void copyFailed(quint32 code);

    std::unique_ptr<DeviceTransport> m_transport;
    bool m_started = false;
    quint32 m_lastError = UnitError::None;
    quint32 m_bytesTransferred = 0;
    QString m_lastMessage;
};
