#include "ShippedFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

static void initShippedResources() {
    Q_INIT_RESOURCE(shipped);
}

namespace ShippedFiles {

void install(const QString& appPath) {
    initShippedResources();
    const QString root = QStringLiteral(":/shipped/");
    QDirIterator files(root, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString source = files.next();
        const QString relative = source.mid(root.size());
        const QString target = appPath + relative;
        QFile shipped(source);
        if (!shipped.open(QIODevice::ReadOnly))
            continue;
        const QByteArray content = shipped.readAll();
        QFile existing(target);
        // The agreement text is the installation's own once it exists; help pages belong to
        // the program and follow its version.
        const bool isHelp = relative.startsWith(QStringLiteral("help/"));
        if (existing.exists() && (!isHelp || (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)))
            continue;
        existing.close();
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile out(target);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(content);
    }
}

} // namespace ShippedFiles
