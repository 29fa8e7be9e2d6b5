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
#include "WholeFileInsertThread.h"

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

EvaluationImporter::EvaluationImporter(const Database& database, Committed committed)
    : m_database(database), m_committed(std::move(committed)), m_insert(database) {}

EvaluationImporter::~EvaluationImporter() = default;

QString EvaluationImporter::evaluationFolder() {
    return programSettings().DataPath + QStringLiteral("Evaluations/");
}

bool EvaluationImporter::add(const QString& fileName) {
    // A listed name with a folder part never becomes a path: it is refused before it is read.
    const QString path = FileNames::isBareFileName(fileName) ? evaluationFolder() + fileName : QString();
    return take(path, fileName);
}

bool EvaluationImporter::addFile(const QString& path) {
    return take(path, QFileInfo(path).fileName());
}

bool EvaluationImporter::take(const QString& path, const QString& fileName) {
    const qsizetype index = m_outcomes.size();
    m_outcomes.append(Outcome::NotAdded);
    if (m_stopped)
        return false;
    try {
        Prepared file = prepare(path, fileName);
        file.index = index;
        m_queue.append(std::move(file));
    } catch (const KestrivoError& error) {
        // The files before it still go in.
        report(error, {fileName});
        m_outcomes[index] = Outcome::Failed;
        m_stopped = true;
        return false;
    }
    if (m_queue.size() == 1)
        m_queueAge.start();
    if (m_queue.size() < BatchFiles && m_queueAge.elapsed() < BatchMilliseconds)
        return true;
    finishStarted();
    if (!m_stopped && !startQueued())
        commitQueued();
    return !m_stopped;
}

QList<EvaluationImporter::Outcome> EvaluationImporter::finish() {
    finishStarted();
    commitQueued();
    m_stopped = false;
    return std::exchange(m_outcomes, {});
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

void EvaluationImporter::report(const KestrivoError& error, const QStringList& fileNames) {
    // The failure may have been a connection that is gone, and the statements with it.
    m_insert.clear();
    // A refusal for want of rights is the same for every file: its sentence says it all.
    if (error.number() == ErrorNumber::NoRights) {
        LogError(error);
        return;
    }
    const QString what = fileNames.size() == 1 ? QStringLiteral("The evaluation file %1 was not imported. %2")
                                               : QStringLiteral("The evaluation files %1 were not added. %2");
    LogError(KestrivoError(error.number(), what.arg(fileNames.join(QStringLiteral(", ")), error.description()),
                           error.source()));
}

void EvaluationImporter::stop() {
    m_stopped = true;
    m_queue.clear();
}

void EvaluationImporter::settle(const QList<Prepared>& files, const QList<Outcome>& outcomes) {
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        m_outcomes[files.at(i).index] = outcomes.at(i);
        if (outcomes.at(i) == Outcome::Imported)
            m_rowsWritten += files.at(i).content.rowCount();
    }
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        if (outcomes.at(i) == Outcome::Failed || (m_committed && !m_committed(files.at(i).fileName, outcomes.at(i))))
            return stop();
    }
    if (outcomes.size() < files.size())
        stop();
}

QList<WholeFileInsert::File> EvaluationImporter::together(const QList<Prepared>& files) const {
    QList<WholeFileInsert::File> together;
    for (const Prepared& file : files) {
        if (!m_insert.oneStatement(file.content))
            return {};
        together.append(file.file());
    }
    return together;
}

QList<EvaluationImporter::Outcome> EvaluationImporter::addedOrNot(const QList<bool>& added) {
    QList<Outcome> outcomes;
    for (const bool one : added)
        outcomes << (one ? Outcome::Imported : Outcome::AlreadyImported);
    return outcomes;
}

bool EvaluationImporter::startQueued() {
    if (together(m_queue).isEmpty())
        return false;
    if (!m_thread)
        m_thread = std::make_unique<WholeFileInsertThread>(m_database);
    // The files stay where they are, in m_started, until the thread is done with them.
    m_started = std::exchange(m_queue, {});
    m_thread->start(together(m_started));
    return true;
}

void EvaluationImporter::finishStarted() {
    if (!m_thread || !m_thread->busy())
        return;
    const WholeFileInsertThread::Result result = m_thread->finish();
    const QList<Prepared> files = std::exchange(m_started, {});
    if (!result.error)
        return settle(files, addedOrNot(result.added));
    if (!result.connectionLost && files.size() > 1)
        return settle(files, commitOneAtATime(files));
    report(*result.error, {files.first().fileName});
    if (result.connectionLost) {
        // The server that dropped the thread's connection dropped this one too. Finding that
        // out now, with the loss reported once already, lets the next statement connect again.
        try {
            m_database.execute(QStringLiteral("SELECT 1"));
        } catch (const KestrivoError&) {
        }
    }
    settle(files, {Outcome::Failed});
}

void EvaluationImporter::commitQueued() {
    if (m_queue.isEmpty())
        return;
    const QList<Prepared> files = std::exchange(m_queue, {});
    settle(files, commit(files));
}

QList<EvaluationImporter::Outcome> EvaluationImporter::commit(const QList<Prepared>& files) {
    QList<Outcome> outcomes;
    if (insertTogether(files, outcomes))
        return outcomes;
    return commitOneAtATime(files);
}

QList<EvaluationImporter::Outcome> EvaluationImporter::commitOneAtATime(const QList<Prepared>& files) {
    try {
        return oneAtATime(files);
    } catch (const KestrivoError& error) {
        // The batch's transaction could not be begun or committed: none of its files was kept.
        QStringList names;
        for (const Prepared& file : files)
            names << file.fileName;
        report(error, names);
    }
    return QList<Outcome>(files.size(), Outcome::Failed);
}

bool EvaluationImporter::insertTogether(const QList<Prepared>& files, QList<Outcome>& outcomes) {
    const QList<WholeFileInsert::File> all = together(files);
    if (all.isEmpty())
        return false;
    try {
        // One statement is one transaction of its own: on a server loaded by other work every
        // round trip costs, and this takes one for all the files.
        outcomes = addedOrNot(m_insert.addTogether(all));
        return true;
    } catch (const KestrivoError& error) {
        // A connection that is gone took the statement with it, and it is not repeated on a
        // new one: the first file is reported and all stay for the next Add. A file alone has
        // failed by itself. Otherwise one of the files fails; one at a time, the files before
        // it go in and it is reported.
        if (!m_database.isOpen() || files.size() == 1) {
            report(error, {files.first().fileName});
            outcomes << Outcome::Failed;
            return true;
        }
        m_insert.clear();
    }
    return false;
}

QList<EvaluationImporter::Outcome> EvaluationImporter::oneAtATime(const QList<Prepared>& files) {
    QList<Outcome> outcomes;
    Transaction transaction(m_database);
    QList<EvaluationHistory::Change> changes;
    for (const Prepared& file : files) {
        try {
            // A file imported before leaves its savepoint to take back the rows added before
            // its digest was found claimed.
            Savepoint one(m_database);
            const QList<qint64> keys = m_insert.insert(file.file());
            if (keys.isEmpty()) {
                outcomes << Outcome::AlreadyImported;
                continue;
            }
            one.release();
            outcomes << Outcome::Imported;
            changes += history(file, keys);
        } catch (const KestrivoError& error) {
            // A connection that is gone took the transaction with it, and the files before
            // this one too: that is the batch's failure, reported once.
            if (!m_database.isOpen())
                throw;
            report(error, {file.fileName});
            outcomes << Outcome::Failed;
            break;
        }
    }
    HistoryChain::append(m_database, EvaluationHistory::Means::Import, changes);
    transaction.commit();
    return outcomes;
}

QList<EvaluationHistory::Change> EvaluationImporter::history(const Prepared& file, const QList<qint64>& keys) const {
    QList<EvaluationHistory::Change> changes;
    for (const qint64 key : keys)
        changes << ImportHistory::imported(key, file.fileName, file.phoneId);
    return changes;
}
