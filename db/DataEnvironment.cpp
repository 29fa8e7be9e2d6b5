#include "DataEnvironment.h"

#include "FieldText.h"
#include "KestrivoError.h"

DataEnvironment& DataEnvironment::instance() {
    static DataEnvironment environment;
    return environment;
}

void DataEnvironment::open(const QString& connectionString) {
    close();
    m_connection = Database::open(connectionString, Database::SharedConnectionName);
    reloadCompanyParameter();
}

void DataEnvironment::close() {
    m_connection.close();
    m_connection = Database();
    m_companyParameter = CompanyParameter();
}

void DataEnvironment::reloadCompanyParameter() {
    QSqlQuery row =
        m_connection.query(QStringLiteral("SELECT Name, DeviceTemplatePath, DeviceEvaluationPath, "
                                          "ReportColumns FROM CompanyParameter WHERE CompanyParameterKey=?"),
                           {1});
    if (!row.next())
        throw KestrivoError(ErrorNumber::Database, QStringLiteral("The company parameter row 1 is missing."),
                            QStringLiteral("kestrivo"));
    m_companyParameter.Name = FieldText(row.value(0));
    m_companyParameter.DeviceTemplatePath = FieldText(row.value(1));
    m_companyParameter.DeviceEvaluationPath = FieldText(row.value(2));
    m_companyParameter.ReportColumns = row.value(3).toInt();
}

void DataEnvironment::saveCompanyParameter(const CompanyParameter& values) {
    m_connection.execute(
        QStringLiteral("UPDATE CompanyParameter SET Name=?, DeviceTemplatePath=?, "
                       "DeviceEvaluationPath=?, ReportColumns=? WHERE CompanyParameterKey=?"),
        {values.Name, values.DeviceTemplatePath, values.DeviceEvaluationPath, values.ReportColumns, 1});
    m_companyParameter = values;
}
