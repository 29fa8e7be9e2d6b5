#pragma once

#include <QHash>
#include <QString>

// The behaviour of the options window frmOptions: what it shows, the checks of its fields
// and what OK writes. The window only mirrors these fields.
class OptionsLogic {
public:
    enum Engine { SQLiteEngine = 0, PostgreSQLEngine = 1 };
    enum Tab { DatabaseTab = 1, PathsTab = 2, CompanyTab = 3 };

    struct Fields {
        int optEngine = SQLiteEngine;
        QString txtFilePath;
        QString txtServer;
        QString txtCatalog;
        QString txtReportPath;
        QString txtLayoutPath;
        QString txtLogPath;
        QString txtUnitPath;
        QString txtCompanyName;
        QString txtDeviceTemplatePath;
        QString txtDeviceEvaluationPath;
        QString txtReportColumns;
    };

    static QString hint(const QString& controlName);
    static QString label(const QString& controlName);
    static QString firstFieldOfTab(int tab);
    static QString FolderOfPath(const QString& path);
    // What OK writes for the database: the engine's Provider with the ConnectionMisc that
    // goes with it, the database and the server. kestrivo-cli writes the same.
    static void writeDatabaseSettings(int engine, const QString& dataSource, const QString& dataServer);
    // A folder as the settings keep it: ending with "/".
    static QString folderSetting(QString folder);

    // Fills the fields from the settings and the company parameter row.
    void load();
    // The company values live in the database; at a start-up whose database could not be
    // opened there are none to show or save.
    bool companyAvailable() const { return m_companyAvailable; }
    Fields& fields() { return m_fields; }
    const Fields& fields() const { return m_fields; }

    bool filePathEnabled() const { return m_fields.optEngine == SQLiteEngine; }
    bool serverEnabled() const { return m_fields.optEngine == PostgreSQLEngine; }

    // Checks run when the user leaves a field: folders get their final separator, and a
    // report column count that is not 1 to 10 is refused and the last valid one restored.
    // Returns false when the field was refused.
    bool leaveField(const QString& controlName);

    // Writes everything; false when a check refused a value (the window stays open, with
    // the field at fault in refusedField()). A missing log folder is created when the user
    // agrees, a missing unit folder kept only when the user insists.
    bool ok();
    const QString& refusedField() const { return m_refusedField; }
    // True when the user confirms leaving without saving.
    bool cancel();

private:
    bool checkReportColumns();
    bool checkFolders();

    Fields m_fields;
    QString m_lastReportColumns;
    bool m_companyAvailable = false;
    QString m_refusedField;
};
