#pragma once

#include "ConnectionString.h"
#include "EvaluationFixture.h"
#include "ScriptedPrompter.h"

#include <QTemporaryDir>
#include <memory>

class Database;

// A program as the reports see it: settings whose folders (data, logs, layouts, report
// database) lie in a fresh temporary folder, the shared connection open on a fresh database
// of the engine, the print-preview library's messages going to a scripted prompter, and a
// builder for templates and evaluations.
class ReportTestbed {
public:
    explicit ReportTestbed(DatabaseEngine engine);
    ~ReportTestbed();

    const Database& db() const;
    EvaluationFixture& build() { return *m_fixture; }
    ScriptedPrompter& prompter() { return m_prompter; }
    QString folder() const { return m_folder.path() + QLatin1Char('/'); }
    const QString& connectionString() const { return m_connection; }

private:
    QTemporaryDir m_folder;
    ScriptedPrompter m_prompter;
    QString m_connection;
    std::unique_ptr<EvaluationFixture> m_fixture;
};
