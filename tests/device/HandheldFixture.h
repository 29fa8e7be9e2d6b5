#pragma once

#include "Database.h"
#include "DeviceSession.h"
#include "EvaluationImporter.h"
#include "FaultInjectingTransport.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A program as the handheld link sees it: settings whose folders lie in a fresh temporary
// folder, the shared connection open on the given database, an emulated unit with its two
// folders, and a device session over it whose faults a test can switch on.
class HandheldFixture {
public:
    // A template "Audit": group field Shift (North, South), text field Notes, the question
    // "Clean?" with answers Yes and No and the pick-list entries Floor and Wall.
    struct Audit {
        qint64 templateKey = 0;
        qint64 shiftField = 0;
        qint64 north = 0;
        qint64 south = 0;
        qint64 notesField = 0;
        qint64 question = 0;
        qint64 floor = 0;
        qint64 wall = 0;
    };

    explicit HandheldFixture(const QString& connection);
    ~HandheldFixture();

    const Database& db() const;
    DeviceSession& session() { return m_session; }
    FaultInjectingTransport& unit() { return *m_transport; }

    QString folder() const { return m_folder.path() + QLatin1Char('/'); }
    QString unitRoot() const { return folder() + QStringLiteral("unit/"); }
    QString unitTemplateFolder() const;
    QString unitEvaluationFolder() const;
    QString pcEvaluationFolder() const;

    Audit addAudit();
    // The bytes of a complete evaluation file of the Audit template.
    static QByteArray auditFile(const Audit& audit, const QString& notes,
                                const QString& answer = QStringLiteral("Yes"));
    void putOnUnit(const QString& name, const QByteArray& bytes) const;
    void putOnPc(const QString& name, const QByteArray& bytes) const;
    QStringList unitFiles() const;
    int rows(const QString& table) const;
    QString errorLog() const;
    // One file in a run of its own, as the command line imports each file it is given: a
    // downloaded file's bare name, or a path anywhere. Its outcome.
    static EvaluationImporter::Outcome importOne(EvaluationImporter& importer, const QString& name);
    static EvaluationImporter::Outcome importPath(EvaluationImporter& importer, const QString& path);

private:
    QTemporaryDir m_folder;
    FaultInjectingTransport* m_transport;
    DeviceSession m_session;
};
