#pragma once

#include "WebUnitLogic.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QrCodeView;

// The window of the Tools menu that serves the unit to phones and tablets: Start and Stop, the
// installation page and the address with its pairing token, each with its QR code, the counts of
// phones and files, senders without the token, and a new pairing token. It shows WebUnitLogic and forwards the user's
// clicks.
class frmWebUnit : public QWidget {
    Q_OBJECT
public:
    explicit frmWebUnit(const WebUnitFolders& folders, QWidget* parent = nullptr);

    WebUnitLogic& logic() { return m_logic; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showState();

    WebUnitLogic m_logic;
    QLabel* m_status;
    QLabel* m_installCaption;
    QrCodeView* m_installQrCode;
    QLabel* m_installAddress;
    QLabel* m_openCaption;
    QrCodeView* m_qrCode;
    QLabel* m_address;
    QLabel* m_fingerprint;
    QLabel* m_otherAddresses;
    QLabel* m_unpaired;
    QLabel* m_phones;
    QLabel* m_files;
    QPushButton* m_start;
    QPushButton* m_stop;
    QPushButton* m_newToken;
};
