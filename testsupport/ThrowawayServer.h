#pragma once

#include <QString>
#include <QTemporaryDir>

// A PostgreSQL cluster of one test's own, which the test may stop and start again (the server
// that the test command starts is shared by every test and must stay up). Its socket and data
// lie in a temporary folder; as root the server runs as the postgres user, and root gets a
// superuser role.
class ThrowawayServer {
public:
    ThrowawayServer();
    ~ThrowawayServer();
    ThrowawayServer(const ThrowawayServer&) = delete;
    ThrowawayServer& operator=(const ThrowawayServer&) = delete;

    // True when the PostgreSQL server programs are installed.
    static bool installed();

    // Each returns false and keeps the reason in failure() when it did not work.
    bool create();
    bool start();
    bool stop();
    const QString& failure() const { return m_failure; }

    // The server as the settings name it: the socket folder and the port.
    QString server() const;
    QString connectionString(const QString& catalog) const;

private:
    bool run(const QString& program, const QStringList& arguments);

    QTemporaryDir m_folder;
    QString m_user;
    QString m_failure;
    bool m_running = false;
};
