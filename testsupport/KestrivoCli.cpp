#include "KestrivoCli.h"

#include <QProcess>

namespace KestrivoCli {

Run run(const QString& home, const QString& settings, const QStringList& arguments,
        const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("KESTRIVO_BINARY_DIR") + QStringLiteral("/bin/kestrivo-cli"),
                  QStringList({QStringLiteral("--home"), home, QStringLiteral("--settings"), settings}) + arguments);
    if (!process.waitForFinished(300000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace KestrivoCli
