#include "UnitCertificateCommand.h"

#include "CertificateAuthority.h"
#include "CliCommand.h"
#include "KestrivoError.h"
#include "Startup.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <cstdio>

int writeUnitCertificate(const QStringList& options) {
    QString out;
    if (options.size() == 2 && options.first() == QLatin1String("--out")) {
        out = options.at(1);
    } else if (!options.isEmpty()) {
        std::fprintf(stderr, "kestrivo-cli: usage: unit certificate [--out FILE]\n");
        return 2;
    }
    try {
        Startup::loadProgramSettings(QCoreApplication::applicationDirPath());
        const CertificateAuthority::Authority authority =
            CertificateAuthority(CertificateAuthority::programFolder()).authority();
        if (out.isEmpty()) {
            std::fwrite(authority.certificatePem.constData(), 1, size_t(authority.certificatePem.size()), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        QSaveFile file(out);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(authority.certificatePem) != authority.certificatePem.size() || !file.commit())
            throw KestrivoError(ErrorNumber::General,
                                QStringLiteral("The file %1 cannot be written: %2.").arg(out, file.errorString()));
        std::printf("Wrote the certificate of \"%s\" to %s.\n"
                    "SHA-256 fingerprint: %s\n"
                    "Install it once on each phone, and check that the phone shows the same fingerprint.\n",
                    qPrintable(authority.name), qPrintable(out), qPrintable(authority.fingerprint));
        return 0;
    } catch (const KestrivoError& error) {
        return refuse(error.description(), 1);
    }
}
