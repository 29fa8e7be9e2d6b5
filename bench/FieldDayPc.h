#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

// One PC of the field day: a kestrivo-cli home that serves its unit to phones ("unit serve")
// and imports what they send ("unit add --all") whenever it is told to. Every process it starts
// ends with it, also when the benchmark fails or dies.
class FieldDayPc {
public:
    struct Imports {
        int rounds = 0;
        int empty = 0;  // the unit held no file
        int killed = 0; // struck with SIGKILL while at work
        int failed = 0; // ended with an error of their own
        int added = 0;
        int skipped = 0; // already imported: removed from the unit
        QString lastFailure;
    };
    // The evaluation files seen on the unit while poll() watched it.
    struct Watch {
        int files = 0;
        int unread = 0;    // gone before they could be read
        QStringList twice; // files with the bytes of a file seen before: stored twice
    };

    FieldDayPc(int number, QString home, QString evaluationFolder);
    ~FieldDayPc();

    int number() const { return m_number; }
    const QString& home() const { return m_home; }

    // Starts "unit serve" on 127.0.0.1 at the port (0: a free one) and returns at once; poll()
    // sees it serving, and starts it again a few times when the port is not free yet.
    void startServer(quint16 port);
    // Polls until the server serves, at most that long; false with the reason printed.
    bool waitServing(int milliseconds);
    bool serving() const { return m_serving; }
    quint16 port() const { return m_port; }
    const std::string& token() const { return m_token; }
    void killServer();
    // As Ctrl+C does; true when the server stopped by itself, in time and without an error.
    bool stopServer();

    bool importing() const;
    // Starts "unit add --all"; with killDelay >= 0 the import is killed (-9) that many
    // milliseconds after it has begun to copy files from the unit, if it is still at work.
    void startImport(int killDelay);
    // Waits (bounded) for a running import to end.
    void finishImport();
    const Imports& imports() const { return m_imports; }
    const Watch& watch() const { return m_watch; }

    // Kills an import when its moment has come, collects one that ended, restarts a server
    // that could not yet take its port, and notes every file that has come to the unit.
    void poll();

    // Evaluation files left on the unit, and other entries of the folder (a writer's leftovers).
    QStringList unitFiles() const;
    QStringList unitLeftovers() const;

private:
    std::unique_ptr<QProcess> process(const QStringList& arguments, QProcess::ProcessChannelMode channels) const;
    void launchServer();
    void pollServer();
    void collectImport();
    void watchUnit();
    qint64 copiedStamp() const;

    const int m_number;
    const QString m_home;
    const QString m_evaluationFolder;
    std::unique_ptr<QProcess> m_server;
    QByteArray m_serverOutput;
    bool m_serving = false;
    quint16 m_port = 0;
    std::string m_token;
    int m_restartsLeft = 0;
    QElapsedTimer m_restartWait;

    std::unique_ptr<QProcess> m_import;
    int m_killDelay = -1;
    qint64 m_copiedBefore = 0;
    QElapsedTimer m_sinceCopying;
    bool m_copying = false;
    bool m_killed = false;
    Imports m_imports;
    QHash<QString, QByteArray> m_present;   // the unit's files by name: inode and time written
    QHash<QByteArray, QString> m_firstSeen; // the name under which each content came first
    Watch m_watch;
};
