#pragma once

#include "Database.h"

#include <QString>

// The single company parameter row (CompanyParameterKey = 1).
struct CompanyParameter {
    QString Name;
    QString DeviceTemplatePath;
    QString DeviceEvaluationPath;
    int ReportColumns = 3;
};

// The program's shared connection and the company parameter row, both open for the whole run.
class DataEnvironment {
public:
    static DataEnvironment& instance();

    // Opens cnnConnection and reads rsCompanyParameter. Throws KestrivoError.
    void open(const QString& connectionString);
    void close();
    bool isOpen() const { return m_connection.isOpen(); }

    const Database& cnnConnection() const { return m_connection; }
    const CompanyParameter& rsCompanyParameter() const { return m_companyParameter; }
    void reloadCompanyParameter();
    // Writes the row and makes it the current one at once.
    void saveCompanyParameter(const CompanyParameter& values);

private:
    Database m_connection;
    CompanyParameter m_companyParameter;
};
