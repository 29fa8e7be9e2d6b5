#pragma once

#include <QByteArray>

// The phone page's own files, built into the program from the page folder, each with the content
// type its suffix gives it; "/" is the page itself.
namespace PageFiles {

struct File {
    QByteArray bytes;
    QByteArray type;
};

// The file at a path of the server ("/app.js"), or null.
const File* find(const QByteArray& path);

} // namespace PageFiles
