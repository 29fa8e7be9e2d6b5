#include "PageFiles.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>

// The resource's registration lives in the global namespace.
static void loadPageResource() {
    Q_INIT_RESOURCE(webunit_page);
}

namespace {

QByteArray typeOf(const QString& suffix) {
    static const QHash<QString, QByteArray> types{{"html", "text/html; charset=utf-8"},
                                                  {"css", "text/css; charset=utf-8"},
                                                  {"js", "text/javascript; charset=utf-8"},
                                                  {"webmanifest", "application/manifest+json"},
                                                  {"svg", "image/svg+xml"},
                                                  {"png", "image/png"}};
    return types.value(suffix, "application/octet-stream");
}

const QHash<QByteArray, PageFiles::File>& files() {
    static const QHash<QByteArray, PageFiles::File> loaded = [] {
        loadPageResource();
        QHash<QByteArray, PageFiles::File> found;
        const QString folder = QStringLiteral(":/webunit/");
        for (QDirIterator entry(folder, QDir::Files); entry.hasNext();) {
            QFile file(entry.next());
            if (file.open(QIODevice::ReadOnly))
                found.insert('/' + QFileInfo(file.fileName()).fileName().toUtf8(),
                             {file.readAll(), typeOf(QFileInfo(file.fileName()).suffix())});
        }
        found.insert("/", found.value("/index.html"));
        return found;
    }();
    return loaded;
}

} // namespace

namespace PageFiles {

const File* find(const QByteArray& path) {
    const auto file = files().constFind(path);
    return file == files().constEnd() ? nullptr : &*file;
}

} // namespace PageFiles
