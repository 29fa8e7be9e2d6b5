#include "ReceivedEvaluations.h"

#include "KestrivoError.h"

#include <QCryptographicHash>
#include <optional>
#include <utility>

namespace {

// A writer that keeps finding the name it chose taken by writers that ignore the lock gives up.
constexpr int PlacingAttempts = 100;

} // namespace

struct ReceivedEvaluations::Request {
    Request(const QString& id, const QByteArray& bytes, const QString& base, const QString& extension,
            std::shared_ptr<UnitEvaluationFolder> folder)
        : id(id), digest(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()), base(base),
          extension(extension), folder(std::move(folder)) {}

    QString id;
    QByteArray digest;
    QString base;
    QString extension;
    std::shared_ptr<UnitEvaluationFolder> folder;
    UnitEvaluationFolder::Staged staged;
    std::optional<Result> result;
    std::optional<KestrivoError> failure;
    bool recorded = false; // its line is committed: its staged file stays until it has its name
    bool done = false;

    bool isAnswered() const { return result || failure; }
    // Nothing of it stays behind.
    void refuse(const KestrivoError& error) {
        if (!recorded)
            folder->remove(staged.name());
        failure = error;
    }
};

ReceivedEvaluations::ReceivedEvaluations(QString recordPath, QString evaluationFolder)
    : m_folderPath(std::move(evaluationFolder)), m_record(std::move(recordPath)) {}

ReceivedEvaluations::~ReceivedEvaluations() = default;

// Opened for each step and closed after it, so that a server never keeps a unit from being
// unmounted, and follows the folder at its path when the unit folder is moved or made anew.
std::shared_ptr<UnitEvaluationFolder> ReceivedEvaluations::openFolder() const {
    return std::make_shared<UnitEvaluationFolder>(m_folderPath);
}

ReceivedEvaluations::Result ReceivedEvaluations::receive(const QString& id, const QString& base,
                                                         const QString& extension, const QByteArray& bytes) {
    Request request(id, bytes, base, extension, openFolder());
    request.staged = request.folder->stage(bytes, true);
    reached(Step::Staged);
    QMutexLocker locker(&m_mutex);
    m_waiting << &request;
    while (!request.done) {
        if (m_committing || m_waiting.isEmpty()) {
            m_turn.wait(&m_mutex);
            continue;
        }
        // This thread takes the lock for every evaluation waiting now. The record and the
        // pending files are touched by the thread that has the turn only.
        m_committing = true;
        const QList<Request*> batch = std::exchange(m_waiting, {});
        locker.unlock();
        commit(batch);
        locker.relock();
        m_committing = false;
        m_turn.wakeAll();
        locker.unlock();
        finish(batch);
        locker.relock();
        for (Request* each : batch)
            each->done = true;
        m_turn.wakeAll();
    }
    if (request.failure)
        throw *request.failure;
    return *request.result;
}

void ReceivedEvaluations::commit(const QList<Request*>& batch) {
    try {
        const std::shared_ptr<UnitEvaluationFolder> folder = openFolder();
        // The staged files' names are on the disk before a line names them.
        folder->sync();
        const ReceivedRecord::Changes changes = m_record.lock();
        try {
            write(folder, changes, batch);
        } catch (const KestrivoError&) {
            m_record.unlock();
            throw;
        }
        m_record.unlock();
    } catch (const KestrivoError& error) {
        for (Request* request : batch) {
            if (!request->isAnswered())
                request->refuse(error);
        }
    }
}

void ReceivedEvaluations::write(const std::shared_ptr<UnitEvaluationFolder>& folder,
                                const ReceivedRecord::Changes& changes, const QList<Request*>& batch) {
    if (changes.reopened)
        m_pending.clear();
    const UnitEvaluationFolder::Listing listing = folder->list();
    QSet<QString> taken = listing.names;
    // A line read for the first time whose staged file is still there: its server died before
    // it gave the file its name.
    const QSet<QString> staged(listing.staged.cbegin(), listing.staged.cend());
    for (const Line& line : changes.added) {
        if (!line.staged.isEmpty() && staged.contains(line.staged))
            m_pending.insert(line.staged, line);
    }
    for (const Line& line : m_pending.values())
        taken.insert(place(*folder, line).toCaseFolded());

    QSet<QString> keep;
    for (const Request* request : batch)
        keep.insert(request->staged.name());
    for (const QString& name : listing.staged) {
        if (!keep.contains(name) && !m_pending.contains(name))
            folder->removeAbandoned(name);
    }

    QList<Line> lines;
    QList<Request*> storing, known;
    QSet<QString> ids;
    for (Request* request : batch) {
        if (!request->folder->isSameFolderAs(*folder)) {
            request->refuse(KestrivoError(
                ErrorNumber::FileAccess,
                QStringLiteral("The evaluation folder %1 was moved while an evaluation was being stored into it.")
                    .arg(folder->path())));
        } else if (m_record.find(request->id) || ids.contains(request->id)) {
            known << request;
        } else {
            const QString name = UnitEvaluationFolder::freeName(taken, request->base, request->extension);
            taken.insert(name.toCaseFolded());
            ids.insert(request->id);
            lines << Line{request->id, request->digest, name, request->staged.name()};
            storing << request;
        }
    }
    if (!lines.isEmpty()) {
        m_record.append(lines);
        reached(Step::Recorded);
    }
    for (qsizetype i = 0; i < storing.size(); ++i) {
        Request& request = *storing.at(i);
        request.recorded = true;
        const QString name = place(*folder, lines.at(i));
        if (!name.isEmpty())
            request.result = Result{Outcome::Stored, name};
        else
            request.failure = KestrivoError(
                ErrorNumber::FileAccess,
                QStringLiteral("The evaluation was received, but its file %1 cannot be given its name yet.")
                    .arg(folder->path() + lines.at(i).fileName));
    }
    for (Request* request : known)
        answerKnown(*request);
}

// Gives a recorded evaluation's staged file its name: the recorded one, or when a writer that
// does not take the lock (a handheld, the unit simulator) took it meanwhile, the next free one,
// recorded in a line that takes the place of the first. Returns the name; empty when the file
// stays pending.
QString ReceivedEvaluations::place(const UnitEvaluationFolder& folder, Line line) {
    // Not there: another server gave it its name (and recorded that) or it was removed by hand.
    if (!folder.contains(line.staged)) {
        m_pending.remove(line.staged);
        return line.fileName;
    }
    try {
        for (int attempt = 0; !folder.place(line.staged, line.fileName); ++attempt) {
            if (attempt == PlacingAttempts)
                throw KestrivoError(ErrorNumber::FileAccess,
                                    QStringLiteral("No free name is left for %1.").arg(line.fileName));
            const qsizetype dot = line.fileName.lastIndexOf(QLatin1Char('.'));
            const QString extension = dot > 0 ? line.fileName.mid(dot) : QString();
            Line renamed = line;
            renamed.fileName = UnitEvaluationFolder::freeName(
                folder.list().names, line.fileName.left(line.fileName.size() - extension.size()), extension);
            m_record.append({renamed});
            line = renamed;
        }
    } catch (const KestrivoError&) {
        m_pending.insert(line.staged, line);
        return QString();
    }
    m_pending.remove(line.staged);
    return line.fileName;
}

void ReceivedEvaluations::answerKnown(Request& request) const {
    const Line& known = *m_record.find(request.id);
    if (m_pending.contains(known.staged)) {
        request.refuse(KestrivoError(
            ErrorNumber::FileAccess,
            QStringLiteral("The evaluation was received before, but its file %1 cannot be given its name yet.")
                .arg(request.folder->path() + known.fileName)));
        return;
    }
    request.result =
        Result{known.digest == request.digest ? Outcome::AlreadyReceived : Outcome::Changed, known.fileName};
    request.folder->remove(request.staged.name());
}

void ReceivedEvaluations::finish(const QList<Request*>& batch) {
    // The names are on the disk before a phone hears that its evaluation arrived.
    const Request* answered = nullptr;
    for (const Request* request : batch) {
        if (request->result)
            answered = request;
    }
    if (answered == nullptr)
        return;
    try {
        answered->folder->sync();
    } catch (const KestrivoError& error) {
        for (Request* request : batch) {
            if (request->result) {
                request->result.reset();
                request->failure = error;
            }
        }
        return;
    }
    reached(Step::Placed);
}
