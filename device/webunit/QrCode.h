#pragma once

#include <QByteArray>
#include <QString>

// The QR code of a text (libqrencode, error correction M): a square of dark and light modules.
class QrCode {
public:
    // An empty code (size 0) when the text is too long for one.
    explicit QrCode(const QString& text);

    int size() const { return m_size; }
    bool isDark(int x, int y) const { return m_modules.at(y * m_size + x) != 0; }

private:
    int m_size = 0;
    QByteArray m_modules;
};
