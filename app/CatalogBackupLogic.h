#pragma once

#include <QObject>
#include <QString>

// What the window "Back up catalog" does: it writes a backup of the program's catalog into a
// new SQLite file (a catalog copy read inside one snapshot, so other PCs may go on adding
// evaluations meanwhile), reports its progress, and says how it went.
class CatalogBackupLogic : public QObject {
    Q_OBJECT
public:
    static inline const QString Title = QStringLiteral("Back up catalog");

    explicit CatalogBackupLogic(QObject* parent = nullptr);

    // A new file in the data folder, named after today's date.
    static QString suggestedFile();
    static QString helpText(const QString& control);

    QString file() const { return m_file; }
    void setFile(const QString& file) { m_file = file; }
    bool busy() const { return m_busy; }
    QString status() const { return m_status; }

    // Writes the backup; true when it was written whole and checked.
    bool backUp();

Q_SIGNALS:
    void progressChanged(int done, int total);
    void statusChanged(const QString& text);
    void busyChanged(bool busy);

private:
    void setStatus(const QString& text);
    void setBusy(bool busy);

    QString m_file;
    QString m_status;
    bool m_busy = false;
};
