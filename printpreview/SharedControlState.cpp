#include "SharedControlState.h"

#include "DataSource.h"

#include <QStandardPaths>

SharedControlState& SharedControlState::instance() {
    static SharedControlState state;
    return state;
}

QString SharedControlState::defaultConnectionString() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QStringLiteral("Provider=SQLite;Data Source=") + data +
           QStringLiteral("/Trelk Consulting/PrintPreview/Data/Report.db;Persist Security Info=False");
}

void SharedControlState::instanceCreated() {
    if (m_connectionString.isEmpty())
        m_connectionString = defaultConnectionString();
    m_reportFolder = DataSource::parse(m_connectionString).folder;
}
