#pragma once

#include <QWidget>

class QrCode;

// Draws a QR code with its quiet zone, as large as the widget allows, in whole pixels a module
// so that a phone's camera reads it.
class QrCodeView : public QWidget {
    Q_OBJECT
public:
    explicit QrCodeView(QWidget* parent = nullptr);

    void setCode(const QrCode* code);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QrCode* m_code = nullptr;
};
