#include "EvaluationImporter.h"

#include "Database.h"
#include "DelimitedItemReader.h"
#include "EvaluationFileParser.h"
#include "FileNames.h"
#include "HistoryChain.h"
#include "ImportHistory.h"
#include "KestrivoError.h"
#include "LogError.h"
#include "ProgramSettings.h"
#include "Savepoint.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <utility>

namespace {

constexpr int FileNameLength = 255;

// The evaluation's name: the file name up to its first full stop.
QString evaluationNameOf(const QString& fileName) {
    if (!FileNames::isBareFileName(fileName))
        throw KestrivoError(ErrorNumber::BadFileName, QStringLiteral("The name holds a folder part."));
    const qsizetype stop = fileName.indexOf('.');
    if (stop < 0)
        throw KestrivoError(ErrorNumber::BadFileName, QStringLiteral("The name has no \".\" before an extension."));
    if (stop == 0)
        throw KestrivoError(ErrorNumber::BadFileName, QStringLiteral("The name has no text before its first \".\"."));
    if (stop > FileNameLength)
        throw KestrivoError(
            ErrorNumber::BadFileName,
            QStringLiteral("The name is longer than %1 characters before its first \".\".").arg(FileNameLength));
    return fileName.left(stop);
}

QByteArray readWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw KestrivoError(file.exists() ? ErrorNumber::FileAccess : ErrorNumber::FileNotFound,
                            QStringLiteral("The file %1 cannot be read: %2").arg(path, file.errorString()));
    if (file.size() > EvaluationImporter::MaximumFileSize)
        throw KestrivoError(
            ErrorNumber::General,
            QStringLiteral("The file has %1 bytes; an evaluation file has far fewer.").arg(file.size()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw KestrivoError(ErrorNumber::FileAccess,
                            QStringLiteral("The file %1 cannot be read: %2").arg(path, file.errorString()));
    return bytes;
}

} // namespace

EvaluationImporter::~EvaluationImporter() = default;

EvaluationImporter::EvaluationImporter(const Database& database)
    : m_database(database), m_fields(database, QStringLiteral("EvaluationField"),
                                     {QStringLiteral("EvaluationKey"), QStringLiteral("TemplateFieldKey"),
                                      QStringLiteral("EnteredValue"), QStringLiteral("TemplateFieldValueKey")},
                                     false),
      m_questions(database, QStringLiteral("EvaluationQuestion"),
                  {QStringLiteral("EvaluationKey"), QStringLiteral("TemplateQuestionKey"), QStringLiteral("Answer"),
                   QStringLiteral("TBCCheck")},
                  true),
      m_pickLists(database, QStringLiteral("EvaluationPickList"),
                  {QStringLiteral("EvaluationQuestionKey"), QStringLiteral("TemplatePickListKey")}, false),
      m_wholeFile(database) {}

QString EvaluationImporter::evaluationFolder() {
    return programSettings().DataPath + QStringLiteral("Evaluations/");
}

EvaluationImporter::Outcome EvaluationImporter::ImportEvaluationFile(const QString& fileName) {
    // A listed name with a folder part never becomes a path: it is refused before it is read.
    const QString path = FileNames::isBareFileName(fileName) ? evaluationFolder() + fileName : QString();
    return import(path, fileName);
}

EvaluationImporter::Outcome EvaluationImporter::importFile(const QString& path) {
    return import(path, QFileInfo(path).fileName());
}

EvaluationImporter::Prepared EvaluationImporter::prepare(const QString& path, const QString& fileName) const {
    Prepared file;
    file.fileName = fileName;
    file.evaluationName = evaluationNameOf(fileName);
    const QByteArray bytes = readWhole(path);
    file.digest = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    file.phoneId = m_phoneIds.value(file.digest);
    file.content = EvaluationFileParser::parse(bytes);
    return file;
}

void EvaluationImporter::report(const KestrivoError& error, const QString& fileName) {
    // The failure may have been a connection that is gone, and the statements with it.
    dropStatements();
    // A refusal for want of rights is the same for every file: its sentence says it all.
    if (error.number() == ErrorNumber::NoRights) {
        LogError(error);
        return;
    }
    LogError(
        KestrivoError(error.number(),
                      QStringLiteral("The evaluation file %1 was not imported. %2").arg(fileName, error.description()),
                      error.source()));
}

EvaluationImporter::Outcome EvaluationImporter::import(const QString& path, const QString& fileName) {
    try {
        const Prepared file = prepare(path, fileName);
        Transaction transaction(m_database);
        const QList<qint64> keys = insert(file);
        if (keys.isEmpty())
            return Outcome::AlreadyImported;
        HistoryChain::append(m_database, EvaluationHistory::Means::Import, history(file, keys));
        transaction.commit();
        m_rowsWritten += file.content.rowCount();
        return Outcome::Imported;
    } catch (const KestrivoError& error) {
        report(error, fileName);
    }
    return Outcome::Failed;
}

bool EvaluationImporter::queueEvaluationFile(const QString& fileName) {
    const QString path = FileNames::isBareFileName(fileName) ? evaluationFolder() + fileName : QString();
    return queue(path, fileName);
}

bool EvaluationImporter::queueFile(const QString& path) {
    return queue(path, QFileInfo(path).fileName());
}

bool EvaluationImporter::queue(const QString& path, const QString& fileName) {
    try {
        m_queue.append(prepare(path, fileName));
        return true;
    } catch (const KestrivoError& error) {
        report(error, fileName);
    }
    return false;
}

QList<WholeFileInsert::File> EvaluationImporter::together(const QList<Prepared>& files) const {
    QList<WholeFileInsert::File> together;
    for (const Prepared& file : files) {
        if (!singleStatement(file))
            return {};
        together.append({&file.content, file.fileName, file.evaluationName, file.digest, file.phoneId});
    }
    return together;
}

void EvaluationImporter::count(const QList<Prepared>& files, const QList<bool>& added, QList<Outcome>& outcomes) {
    for (qsizetype i = 0; i < files.size(); ++i) {
        outcomes << (added.at(i) ? Outcome::Imported : Outcome::AlreadyImported);
        if (added.at(i))
            m_rowsWritten += files.at(i).content.rowCount();
    }
}

bool EvaluationImporter::insertTogether(const QList<Prepared>& files, QList<Outcome>& outcomes) {
    const QList<WholeFileInsert::File> all = together(files);
    if (all.isEmpty())
        return false;
    try {
        // One statement is one transaction of its own: on a server loaded by other work every
        // round trip costs, and this takes one for all the files.
        count(files, m_wholeFile.add(all), outcomes);
        return true;
    } catch (const KestrivoError& error) {
        // A connection that is gone took the statement with it, and it is not repeated on a
        // new one: the first file is reported and all stay for the next Add. Otherwise one of
        // the files fails; one at a time, the files before it go in and it is reported.
        if (!m_database.isOpen()) {
            report(error, files.first().fileName);
            outcomes << Outcome::Failed;
            return true;
        }
        dropStatements();
    }
    return false;
}

QList<EvaluationImporter::Outcome> EvaluationImporter::commitQueued() {
    QList<Outcome> outcomes;
    const QList<Prepared> files = std::exchange(m_queue, {});
    if (files.isEmpty() || insertTogether(files, outcomes))
        return outcomes;
    return oneAtATime(files);
}

bool EvaluationImporter::startQueued() {
    const QList<WholeFileInsert::File> all = together(m_queue);
    if (all.isEmpty())
        return false;
    if (!m_writer)
        m_writer = std::make_unique<BatchWriter>(m_database);
    m_started = std::exchange(m_queue, {});
    m_writer->start(all);
    return true;
}

QList<EvaluationImporter::Outcome> EvaluationImporter::finishStarted() {
    QList<Outcome> outcomes;
    if (!m_writer || !m_writer->busy())
        return outcomes;
    const BatchWriter::Result result = m_writer->finish();
    const QList<Prepared> files = std::exchange(m_started, {});
    if (!result.error) {
        count(files, result.added, outcomes);
        return outcomes;
    }
    if (!result.connectionLost)
        return oneAtATime(files);
    report(*result.error, files.first().fileName);
    // The server that dropped the writer's connection dropped this one too. Finding that out
    // now, with the loss reported once already, lets the next statement connect again.
    try {
        m_database.execute(QStringLiteral("SELECT 1"));
    } catch (const KestrivoError&) {
    }
    outcomes << Outcome::Failed;
    return outcomes;
}

QList<EvaluationImporter::Outcome> EvaluationImporter::oneAtATime(const QList<Prepared>& files) {
    QList<Outcome> outcomes;
    Transaction transaction(m_database);
    qint64 rows = 0;
    QList<EvaluationHistory::Change> changes;
    for (const Prepared& file : files) {
        try {
            // A file imported before leaves its savepoint to take back the rows added before
            // its digest was found claimed.
            Savepoint one(m_database);
            const QList<qint64> keys = insert(file);
            if (keys.isEmpty()) {
                outcomes << Outcome::AlreadyImported;
                continue;
            }
            one.release();
            outcomes << Outcome::Imported;
            rows += file.content.rowCount();
            changes += history(file, keys);
        } catch (const KestrivoError& error) {
            report(error, file.fileName);
            outcomes << Outcome::Failed;
            break;
        }
    }
    HistoryChain::append(m_database, EvaluationHistory::Means::Import, changes);
    transaction.commit();
    m_rowsWritten += rows;
    return outcomes;
}

void EvaluationImporter::dropStatements() {
    m_addEvaluation = QSqlQuery();
    m_claimFile = QSqlQuery();
    m_fields.clear();
    m_questions.clear();
    m_pickLists.clear();
    m_wholeFile.clear();
}

qint64 EvaluationImporter::addEvaluation(const QString& evaluationName,
                                         const EvaluationFileContent::Evaluation& evaluation) {
    if (m_addEvaluation.lastQuery().isEmpty())
        m_addEvaluation =
            m_database.prepare(QStringLiteral("INSERT INTO Evaluation (FileName, TemplateKey, EvaluationGroupKey) "
                                              "VALUES (?, ?, ?) RETURNING EvaluationKey"));
    m_database.run(m_addEvaluation, {evaluationName, evaluation.templateKey, evaluation.evaluationGroupKey});
    if (!m_addEvaluation.next())
        throw KestrivoError(ErrorNumber::Database, QStringLiteral("The database returned no key for the evaluation."));
    const qint64 key = m_addEvaluation.value(0).toLongLong();
    m_addEvaluation.finish();
    return key;
}

bool EvaluationImporter::claimFile(const QString& digest, const QString& fileName, qint64 evaluationKey) {
    // Another PC importing the same file at this moment holds its digest until it commits;
    // then the row is there and this file counts as imported, without a failed statement
    // that would abort the transaction.
    if (m_claimFile.lastQuery().isEmpty())
        m_claimFile = m_database.prepare(
            QStringLiteral("INSERT INTO ImportedFile (Digest, FileName, EvaluationKey) VALUES (?, ?, ?) "
                           "ON CONFLICT (Digest) DO NOTHING RETURNING ImportedFileKey"));
    m_database.run(m_claimFile, {digest, fileName, evaluationKey});
    const bool claimed = m_claimFile.next();
    m_claimFile.finish();
    return claimed;
}

bool EvaluationImporter::singleStatement(const Prepared& file) const {
    return m_database.engine() == DatabaseEngine::PostgreSQL && file.content.evaluations.size() == 1;
}

QList<qint64> EvaluationImporter::insert(const Prepared& file) {
    // A database server takes the usual file, one evaluation, in a single round trip.
    if (singleStatement(file)) {
        const qint64 key =
            m_wholeFile.insert({{&file.content, file.fileName, file.evaluationName, file.digest, file.phoneId}})
                .first();
        return key != 0 ? QList<qint64>{key} : QList<qint64>();
    }
    return write(file.content, file.fileName, file.evaluationName, file.digest);
}

QList<EvaluationHistory::Change> EvaluationImporter::history(const Prepared& file, const QList<qint64>& keys) const {
    QList<EvaluationHistory::Change> changes;
    for (const qint64 key : keys)
        changes << ImportHistory::imported(key, file.fileName, file.phoneId);
    return changes;
}

QList<qint64> EvaluationImporter::write(const EvaluationFileContent& content, const QString& fileName,
                                        const QString& evaluationName, const QString& digest) {
    QList<qint64> questionKeys;
    questionKeys.reserve(content.questions.size());
    QList<qint64> evaluationKeys;
    for (const EvaluationFileContent::Evaluation& evaluation : content.evaluations) {
        const qint64 evaluationKey = addEvaluation(evaluationName, evaluation);
        // The digest is claimed right after the first row, before the bulk of the rows.
        if (evaluationKeys.isEmpty() && !claimFile(digest, fileName, evaluationKey))
            return {};
        evaluationKeys << evaluationKey;

        QList<QVariantList> fields;
        fields.reserve(evaluation.fields.size());
        for (const EvaluationFileContent::Field& field : evaluation.fields)
            fields.append(
                QVariantList{evaluationKey, field.templateFieldKey, field.enteredValue, field.templateFieldValueKey});
        m_fields.insert(fields);

        QList<QVariantList> questions;
        for (qsizetype i = evaluation.firstQuestion; i < evaluation.lastQuestion; ++i) {
            const EvaluationFileContent::Question& question = content.questions.at(i);
            questions.append(
                QVariantList{evaluationKey, question.templateQuestionKey, question.answer, question.tbcCheck});
        }
        questionKeys += m_questions.insert(questions);
    }

    QList<QVariantList> pickLists;
    pickLists.reserve(content.pickLists.size());
    for (const EvaluationFileContent::PickList& pick : content.pickLists)
        pickLists.append(QVariantList{questionKeys.at(pick.question), pick.templatePickListKey});
    m_pickLists.insert(pickLists);
    return evaluationKeys;
}
