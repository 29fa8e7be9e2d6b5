#pragma once

#include <QStringList>

// "unit certificate": the certificate of this PC's certificate authority, which phones install
// once to trust the web unit over HTTPS.
int writeUnitCertificate(const QStringList& options);
