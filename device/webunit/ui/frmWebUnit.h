#pragma once

#include "WebUnitLogic.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QrCodeView;

// The window of the Tools menu that serves the unit to phones and tablets: Start and Stop, the
// address with its pairing token and its QR code, the counts of phones and files, and a new
// pairing token. It shows WebUnitLogic and forwards the user's clicks.
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
    QLabel* m_address;
    QLabel* m_otherAddresses;
    QrCodeView* m_qrCode;
    QLabel* m_phones;
    QLabel* m_files;
    QPushButton* m_start;
    QPushButton* m_stop;
    QPushButton* m_newToken;
};
