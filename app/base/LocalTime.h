#pragma once

#include <QByteArray>
#include <QtGlobal>

// Without TZ, the C library looks at /etc/localtime again on every local time it converts: a
// file system call for each of the 100,000 download times that a list, an export or a report
// shows. Naming the file once keeps the zone the machine's and is read a single time.
inline void readLocalTimeOnce() {
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
}
