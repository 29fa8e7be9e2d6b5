#pragma once

#include <QString>

// What every control instance of one process shares: the connection string, the report
// folder derived from it when an instance is made, and the flags of the last report start.
class SharedControlState {
public:
    static SharedControlState& instance();
    static QString defaultConnectionString();

    const QString& connectionString() const { return m_connectionString; }
    void setConnectionString(const QString& text) { m_connectionString = text; }
    // An instance is being made: an empty connection string gets the default, and the
    // report folder follows the connection string held now.
    void instanceCreated();
    const QString& reportFolder() const { return m_reportFolder; }

    bool silent() const { return m_silent; }
    bool keep() const { return m_keep; }
    void setStartFlags(bool silent, bool keep) {
        m_silent = silent;
        m_keep = keep;
    }

private:
    QString m_connectionString;
    QString m_reportFolder;
    bool m_silent = false;
    bool m_keep = false;
};
