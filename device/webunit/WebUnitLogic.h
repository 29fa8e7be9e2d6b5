#pragma once

#include "QrCode.h"
#include "WebUnitFolders.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <memory>

class WebUnitServing;

// The window frmWebUnit without its widgets: it starts and stops the web unit on the settings'
// address, shows the installation page that makes a phone trust the PC and the address with its
// pairing token, each with its QR code, counts the phones seen and the files received while it
// serves, and reports senders without the token.
class WebUnitLogic : public QObject {
    Q_OBJECT
public:
    static inline const QString Title = QStringLiteral("Phones and Tablets");
    static inline const QString InstallCaption = QStringLiteral("1. Once per phone: install");
    static inline const QString OpenCaption = QStringLiteral("2. Open");

    // The caption and the status bar's help text of the window's buttons (cmdStart, cmdStop,
    // cmdNewToken); empty for any other control.
    static QString caption(const QString& control);
    static QString helpText(const QString& control);

    explicit WebUnitLogic(const WebUnitFolders& folders, QObject* parent = nullptr);
    ~WebUnitLogic() override;

    bool isServing() const;
    // The address phones open (with its token), empty while the server is stopped.
    const QString& address() const { return m_address; }
    // Further addresses of the PC at which phones may find the server.
    const QStringList& otherAddresses() const { return m_otherAddresses; }
    const QrCode& qrCode() const { return m_qrCode; }
    // The installation page and the fingerprint of the PC's certificate, empty while the server
    // is stopped or uses a certificate of its own.
    const QString& installAddress() const { return m_installAddress; }
    const QrCode& installQrCode() const { return m_installQrCode; }
    const QString& fingerprint() const { return m_fingerprint; }
    // A line for each address that sent requests without the pairing token.
    QString unpairedText() const;
    QString statusText() const;
    // The caption over the page's address and QR code.
    QString openCaption() const;
    // The fingerprint to compare on the phone, when there is an installation page.
    QString fingerprintText() const;
    QString otherAddressesText() const;
    QString phonesText() const;
    QString filesText() const;
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
    std::unique_ptr<WebUnitServing> m_serving;
    QString m_address;
    QStringList m_otherAddresses;
    QrCode m_qrCode{QString()};
    QString m_installAddress;
    QrCode m_installQrCode{QString()};
    QString m_fingerprint;
    QMap<QString, int> m_unpaired;
    int m_phones = 0;
    int m_files = 0;
    QString m_lastFile;
};
