#pragma once

#include <QString>

class Database;

// The behaviour of the agreement window frmEula: the text it shows, accepting (who accepted
// is kept in Control row 1) and declining.
class EulaLogic {
public:
    explicit EulaLogic(const Database& database) : m_database(database) {}

    static QString caption();
    // True when Control row 1 names the user who accepted the agreement.
    static bool acceptanceRecorded(const Database& database);

    // Reads AppPath + "eula.txt". On failure tells the user and returns false: the program
    // must then end.
    bool load();
    const QString& text() const { return m_text; }

    void agree();
    void disagree();
    bool Declined() const { return m_declined; }

private:
    const Database& m_database;
    QString m_text;
    bool m_declined = false;
};
