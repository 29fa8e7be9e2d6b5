#pragma once

#include "QrCode.h"
#include "WebUnitFolders.h"

#include <QObject>
#include <QString>
#include <memory>

class WebUnitServer;

// The window frmWebUnit without its widgets: it starts and stops the web unit on the settings'
// address, shows the address with its pairing token and its QR code, and counts the phones
// seen and the files received while it serves.
class WebUnitLogic : public QObject {
    Q_OBJECT
public:
    static inline const QString Title = QStringLiteral("Phones and Tablets");

    explicit WebUnitLogic(const WebUnitFolders& folders, QObject* parent = nullptr);
    ~WebUnitLogic() override;

    bool isServing() const;
    // The address phones open (with its token), empty while the server is stopped.
    const QString& address() const { return m_address; }
    // Further addresses of the PC at which phones may find the server.
    const QStringList& otherAddresses() const { return m_otherAddresses; }
    const QrCode& qrCode() const { return m_qrCode; }
    QString statusText() const;
    int phonesSeen() const { return m_phones; }
    int filesReceived() const { return m_files; }
    const QString& lastFile() const { return m_lastFile; }

    // Starts serving; a failure is shown to the user. False when the server did not start.
    bool start();
    void stop();
    // After asking: a new pairing token, so phones paired with the old one are refused.
    void makeNewToken();
    // Asked before the window closes: true when it may close (serving stops).
    bool mayClose();

Q_SIGNALS:
    void changed();

private:
    void showAddresses();

    WebUnitFolders m_folders;
    std::unique_ptr<WebUnitServer> m_server;
    QString m_address;
    QStringList m_otherAddresses;
    QrCode m_qrCode{QString()};
    int m_phones = 0;
    int m_files = 0;
    QString m_lastFile;
};
