#include "QrCode.h"

#include <qrencode.h>

QrCode::QrCode(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    QRcode* code = QRcode_encodeString8bit(bytes.constData(), 0, QR_ECLEVEL_M);
    if (!code)
        return;
    m_size = code->width;
    m_modules.resize(qsizetype(m_size) * m_size);
    for (qsizetype i = 0; i < m_modules.size(); ++i)
        m_modules[i] = char(code->data[i] & 1);
    QRcode_free(code);
}
