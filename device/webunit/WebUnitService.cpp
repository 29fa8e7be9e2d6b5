#include "WebUnitService.h"

#include "EntryRules.h"
#include "EvaluationFileParser.h"
#include "EvaluationFileWriter.h"
#include "EvaluationSubmission.h"
#include "FileNames.h"
#include "KestrivoError.h"
#include "LogError.h"
#include "ProgramSettings.h"
#include "TemplateFileReader.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <sys/stat.h>

namespace {

constexpr qsizetype MaximumTemplateSize = 4 * 1024 * 1024;
const QString TemplateExtension = QStringLiteral(".evt");

QByteArray json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString templateName(const QString& file) {
    return file.left(file.size() - TemplateExtension.size());
}

// Changes whenever the file is replaced or written: inode, size and time to the nanosecond.
QByteArray fileVersion(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return QByteArray();
    return QByteArray::number(qulonglong(status.st_ino)) + ' ' + QByteArray::number(qlonglong(status.st_size)) + ' ' +
           QByteArray::number(qlonglong(status.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qlonglong(status.st_mtim.tv_nsec));
}

QString versionOf(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// The rules travel with the template, so that the phone checks entries by the PC's numbers.
QJsonObject templateJson(const QString& file, const QByteArray& bytes, const UnitTemplate& unit) {
    QJsonArray fileNameFields;
    for (const qint32 key : unit.fileNameFields)
        fileNameFields << key;
    QJsonArray fields;
    for (const UnitTemplate::Field& field : unit.fields) {
        QJsonArray values;
        for (const UnitTemplate::Value& value : field.values)
            values << QJsonObject{{"key", value.key}, {"text", value.text}};
        fields << QJsonObject{
            {"key", field.key},        {"label", field.label},
            {"type", int(field.type)}, {"kind", fieldTypeName(field.type)},
            {"length", field.length},  {"maxLength", EvaluationSubmission::entryField(field).maximumLength},
            {"forced", field.forced},  {"group", field.group},
            {"values", values}};
    }
    QJsonArray questions;
    for (const UnitTemplate::Question& question : unit.questions) {
        QJsonArray pickList;
        for (const UnitTemplate::PickList& entry : question.pickLists)
            pickList << QJsonObject{{"key", entry.key}, {"name", entry.name}};
        questions << QJsonObject{{"key", question.key},
                                 {"text", question.text},
                                 {"answers", QJsonArray::fromStringList(question.answers)},
                                 {"pickList", pickList}};
    }
    return {{"file", file},
            {"name", templateName(file)},
            {"version", versionOf(bytes)},
            {"templateKey", unit.templateKey},
            {"fileNameFields", fileNameFields},
            {"fields", fields},
            {"questions", questions},
            {"answerLength", EvaluationFileParser::AnswerLength},
            {"nameLength", EvaluationFileWriter::NameLength},
            {"problem", EvaluationSubmission::templateProblem(unit)}};
}

} // namespace

WebUnitService::WebUnitService(const WebUnitFolders& folders)
    : m_folders(folders), m_received(folders.record, folders.evaluations) {}

WebUnitService::Reply WebUnitService::refusal(int status, const QString& message, QJsonObject details) {
    details.insert(QStringLiteral("error"), message);
    return {status, json(details), QString()};
}

WebUnitService::Parsed WebUnitService::parsed(const QString& file) const {
    const QString path = m_folders.templates + file;
    const QByteArray version = fileVersion(path);
    {
        const QMutexLocker locker(&m_mutex);
        const auto known = m_templates.constFind(file);
        if (known != m_templates.constEnd() && known->version == version && !version.isEmpty())
            return *known;
    }
    Parsed read{version, QByteArray(), UnitTemplate(), QString()};
    QFile opened(path);
    if (!opened.open(QIODevice::ReadOnly)) {
        read.problem = QStringLiteral("The template file cannot be read: %1").arg(opened.errorString());
        return read;
    }
    if (opened.size() > MaximumTemplateSize) {
        read.problem = QStringLiteral("The template file is too large to be a template.");
        return read;
    }
    read.bytes = opened.readAll();
    try {
        read.unit = TemplateFileReader::read(read.bytes);
    } catch (const KestrivoError& error) {
        read.problem = error.description();
    }
    const QMutexLocker locker(&m_mutex);
    m_templates.insert(file, read);
    return read;
}

WebUnitService::Reply WebUnitService::templates() const {
    QJsonArray list;
    const QStringList files = QDir(m_folders.templates)
                                  .entryList({QLatin1Char('*') + TemplateExtension}, QDir::Files,
                                             QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& file : files) {
        const Parsed read = parsed(file);
        const QString problem =
            read.problem.isEmpty() ? EvaluationSubmission::templateProblem(read.unit) : read.problem;
        list << QJsonObject{{"file", file}, {"name", templateName(file)}, {"problem", problem}};
    }
    return {200, json({{"templates", list}}), QString()};
}

WebUnitService::Reply WebUnitService::templateFile(const QString& file) const {
    if (!FileNames::isBareFileName(file) || !file.endsWith(TemplateExtension) ||
        !QFile::exists(m_folders.templates + file))
        return refusal(404, QStringLiteral("The template \"%1\" is not on the unit.").arg(file));
    const Parsed read = parsed(file);
    if (!read.problem.isEmpty())
        return refusal(400, read.problem);
    return {200, json(templateJson(file, read.bytes, read.unit)), QString()};
}

WebUnitService::Reply WebUnitService::receive(const QByteArray& body) {
    EvaluationSubmission submission(body);
    if (!submission.refusal().isEmpty())
        return refusal(400, submission.refusal());
    if (!QFile::exists(m_folders.templates + submission.templateFile()))
        return refusal(400, QStringLiteral("The template \"%1\" is no longer on the unit. Nothing was written.")
                                .arg(templateName(submission.templateFile())));
    const Parsed read = parsed(submission.templateFile());
    if (!read.problem.isEmpty())
        return refusal(400, read.problem);
    const UnitTemplate& unit = read.unit;
    if (!submission.check(unit)) {
        // Where the phone is to point, and for a template changed on the PC the version to fit to.
        QJsonObject details;
        if (submission.refusedField())
            details.insert(QStringLiteral("field"), *submission.refusedField());
        if (submission.refusedQuestion())
            details.insert(QStringLiteral("question"), *submission.refusedQuestion());
        if (submission.templateChanged()) {
            details.insert(QStringLiteral("templateChanged"), true);
            details.insert(QStringLiteral("version"), versionOf(read.bytes));
        }
        return refusal(400, submission.refusal(), details);
    }
    try {
        const UnitEvaluation& evaluation = submission.evaluation();
        const ReceivedEvaluations::Result result =
            m_received.receive(submission.id(), EvaluationFileWriter::baseName(unit, evaluation),
                               EvaluationFileWriter::Extension, EvaluationFileWriter::write(evaluation));
        switch (result.outcome) {
        case ReceivedEvaluations::Outcome::Stored:
            return {201, json({{"fileName", result.fileName}, {"alreadyReceived", false}}), result.fileName};
        case ReceivedEvaluations::Outcome::AlreadyReceived:
            return {200, json({{"fileName", result.fileName}, {"alreadyReceived", true}}), QString()};
        case ReceivedEvaluations::Outcome::Changed:
            break;
        }
        return refusal(409, QStringLiteral("This evaluation reached the PC as %1 before it was changed on this phone, "
                                           "so the change was not stored. Discard it here, or fill it in again as a "
                                           "new evaluation.")
                                .arg(result.fileName));
    } catch (const KestrivoError& error) {
        // The phone's user cannot act on the PC's folders; the PC's user finds them in the log.
        if (!programSettings().LogPath.isEmpty())
            AppendErrorRecord(error, QStringLiteral("WebUnitService.receive"));
        return refusal(500, QStringLiteral("The PC could not store the evaluation, so nothing was written. Send it "
                                           "again later; if it is refused again, tell the person at the PC."));
    }
}
