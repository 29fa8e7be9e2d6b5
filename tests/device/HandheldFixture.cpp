#include "HandheldFixture.h"

#include "DataEnvironment.h"
#include "MountedFolderTransport.h"
#include "ProgramSettings.h"

#include <QDir>
#include <QFile>
#include <memory>

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

HandheldFixture::HandheldFixture(const QString& connection)
    : m_transport(new FaultInjectingTransport(m_folder.path() + QStringLiteral("/unit/"))),
      m_session(std::unique_ptr<DeviceTransport>(m_transport)) {
    ProgramSettings& settings = programSettings();
    settings.UserName = QStringLiteral("tester");
    settings.DataPath = folder() + QStringLiteral("data/");
    settings.LogPath = folder() + QStringLiteral("logs/");
    settings.UnitPath = unitRoot();
    for (const QString& path : {settings.DataPath, settings.LogPath, unitRoot()})
        QDir().mkpath(path);
    DataEnvironment::instance().open(connection);
    QDir().mkpath(unitTemplateFolder());
    QDir().mkpath(unitEvaluationFolder());
}

HandheldFixture::~HandheldFixture() {
    DataEnvironment::instance().close();
}

const Database& HandheldFixture::db() const {
    return DataEnvironment::instance().cnnConnection();
}

QString HandheldFixture::unitTemplateFolder() const {
    return MountedFolderTransport::localPath(unitRoot(),
                                             DataEnvironment::instance().rsCompanyParameter().DeviceTemplatePath) +
           QLatin1Char('/');
}

QString HandheldFixture::unitEvaluationFolder() const {
    return MountedFolderTransport::localPath(unitRoot(),
                                             DataEnvironment::instance().rsCompanyParameter().DeviceEvaluationPath) +
           QLatin1Char('/');
}

QString HandheldFixture::pcEvaluationFolder() const {
    return programSettings().DataPath + QStringLiteral("Evaluations/");
}

HandheldFixture::Audit HandheldFixture::addAudit() {
    const Database& database = db();
    Audit audit;
    audit.templateKey = database.insert("Template", {"Name"}, {"Audit"});
    audit.shiftField =
        database.insert("TemplateField", {"TemplateKey", "Sequence", "FieldLabel", "FieldType", "GroupField"},
                        {audit.templateKey, 1, "Shift", 2, -1});
    audit.north =
        database.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {audit.shiftField, "North"});
    audit.south =
        database.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"}, {audit.shiftField, "South"});
    audit.notesField = database.insert("TemplateField", {"TemplateKey", "Sequence", "FieldLabel", "FieldType"},
                                       {audit.templateKey, 2, "Notes", 0});
    database.insert("FileNameField", {"TemplateFieldKey", "Sequence"}, {audit.shiftField, 1});
    audit.question =
        database.insert("TemplateQuestion", {"TemplateKey", "Question", "Sequence"}, {audit.templateKey, "Clean?", 1});
    database.insert("TemplateAnswer", {"TemplateQuestionKey", "Answer", "Sequence"}, {audit.question, "Yes", 1});
    database.insert("TemplateAnswer", {"TemplateQuestionKey", "Answer", "Sequence"}, {audit.question, "No", 2});
    audit.floor =
        database.insert("TemplatePickList", {"TemplateQuestionKey", "Name", "Sequence"}, {audit.question, "Floor", 1});
    audit.wall =
        database.insert("TemplatePickList", {"TemplateQuestionKey", "Name", "Sequence"}, {audit.question, "Wall", 2});
    return audit;
}

QByteArray HandheldFixture::auditFile(const Audit& audit, const QString& notes, const QString& answer) {
    return QStringLiteral("\"*H*\",\"unit 7\",%1,%2\r\n"
                          "\"*F*\",%3,\"North\",%2\r\n"
                          "\"*F*\",%4,\"%5\",0\r\n"
                          "\"*Q*\",%6,\"%7\",1\r\n"
                          "\"*P*\",%8\r\n"
                          "\"*P*\",%9\r\n")
        .arg(audit.templateKey)
        .arg(audit.north)
        .arg(audit.shiftField)
        .arg(audit.notesField)
        .arg(notes)
        .arg(audit.question)
        .arg(answer)
        .arg(audit.floor)
        .arg(audit.wall)
        .toLatin1();
}

void HandheldFixture::putOnUnit(const QString& name, const QByteArray& bytes) const {
    writeFile(unitEvaluationFolder() + name, bytes);
}

void HandheldFixture::putOnPc(const QString& name, const QByteArray& bytes) const {
    QDir().mkpath(pcEvaluationFolder());
    writeFile(pcEvaluationFolder() + name, bytes);
}

QStringList HandheldFixture::unitFiles() const {
    return QDir(unitEvaluationFolder()).entryList(QDir::Files, QDir::Name);
}

int HandheldFixture::rows(const QString& table) const {
    return db().scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt();
}

QString HandheldFixture::errorLog() const {
    QFile log(programSettings().LogPath + QStringLiteral("ErrorLog.txt"));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

namespace {

EvaluationImporter::Outcome onlyOutcome(EvaluationImporter& importer) {
    const QList<EvaluationImporter::Outcome> outcomes = importer.finish();
    return outcomes.size() == 1 ? outcomes.first() : EvaluationImporter::Outcome::NotAdded;
}

} // namespace

EvaluationImporter::Outcome HandheldFixture::importOne(EvaluationImporter& importer, const QString& name) {
    importer.add(name);
    return onlyOutcome(importer);
}

EvaluationImporter::Outcome HandheldFixture::importPath(EvaluationImporter& importer, const QString& path) {
    importer.addFile(path);
    return onlyOutcome(importer);
}
