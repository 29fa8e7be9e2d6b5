#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// Files that a test writes and reads back whole.
namespace TestFiles {

// Replaces the file with bytes; a file that cannot be written whole fails the test.
inline void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(), qPrintable(path));
}

// The whole file, or missing when it cannot be read.
inline QByteArray read(const QString& path, const QByteArray& missing = QByteArray()) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : missing;
}

} // namespace TestFiles
