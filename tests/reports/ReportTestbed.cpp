#include "ReportTestbed.h"

#include "DataEnvironment.h"
#include "ProgramSettings.h"
#include "ReportOutput.h"
#include "TestDatabases.h"

#include <QDir>

ReportTestbed::ReportTestbed(DatabaseEngine engine) : m_connection(TestDatabases::freshConnectionString(engine)) {
    ProgramSettings& settings = programSettings();
    settings.UserName = QStringLiteral("tester");
    settings.DataPath = folder() + QStringLiteral("data/");
    settings.LogPath = folder() + QStringLiteral("logs/");
    settings.LayoutPath = folder() + QStringLiteral("layouts/");
    settings.ReportDataPath = settings.DataPath + QStringLiteral("Report.db");
    for (const QString& path : {settings.DataPath, settings.LogPath, settings.LayoutPath})
        QDir().mkpath(path);
    qputenv("KESTRIVO_PRINT_DIR", (folder() + QStringLiteral("printouts/")).toLocal8Bit());
    DataEnvironment::instance().open(m_connection);
    routeReportMessages();
    m_fixture = std::make_unique<EvaluationFixture>(db());
}

ReportTestbed::~ReportTestbed() {
    m_fixture.reset();
    DataEnvironment::instance().close();
}

const Database& ReportTestbed::db() const {
    return DataEnvironment::instance().cnnConnection();
}
