#include "BenchTemplate.h"

#include "Database.h"

#include <QDir>
#include <QFile>
#include <unistd.h>

namespace BenchTemplate {

namespace {

constexpr int Fields = 20;
constexpr int Questions = 50;
constexpr int Answers = 5;
constexpr int PickLists = 10;

} // namespace

namespace {

// The fields of /proc/PID/stat after the command name in parentheses, from the state on.
QList<QByteArray> statOf(qint64 pid) {
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    return stat.readAll().split(')').value(1).trimmed().split(' ');
}

} // namespace

double serverCpuSeconds(const Database& db) {
    if (db.engine() != DatabaseEngine::PostgreSQL)
        return -1;
    // The server is the parent of this connection's process: its own time, that of every
    // process it runs now and that of those that have ended (ticks 12 to 15 of its stat).
    const qint64 server = statOf(db.scalar("SELECT pg_backend_pid()").toLongLong()).value(1).toLongLong();
    const QList<QByteArray> own = statOf(server);
    if (own.size() < 15)
        return -1;
    qint64 ticks = 0;
    for (int field = 11; field <= 14; ++field)
        ticks += own.at(field).toLongLong();
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        const QList<QByteArray> child = statOf(entry.toLongLong());
        if (child.size() > 12 && child.at(1).toLongLong() == server)
            ticks += child.at(11).toLongLong() + child.at(12).toLongLong();
    }
    return ticks / double(sysconf(_SC_CLK_TCK));
}

qint64 create(const Database& db) {
    Transaction transaction(db);
    const qint64 key = db.insert("Template", {"Name"}, {"Bench"});
    for (int field = 1; field <= Fields; ++field) {
        const bool group = field == 1;
        const int type = group || field % 4 == 0 ? 2 : field % 4;
        const qint64 fieldKey =
            db.insert("TemplateField", {"TemplateKey", "Sequence", "FieldLabel", "FieldType", "GroupField"},
                      {key, field, QString("Field %1").arg(field), type, group ? -1 : 0});
        for (int value = 1; type == 2 && value <= 5; ++value)
            db.insert("TemplateFieldValue", {"TemplateFieldKey", "FieldValue"},
                      {fieldKey, QString("Value %1-%2").arg(field).arg(value)});
        if (field <= 2)
            db.insert("FileNameField", {"TemplateFieldKey", "Sequence"}, {fieldKey, field});
    }
    addQuestions(db, key, Questions, Answers, PickLists);
    transaction.commit();
    return key;
}

void addQuestions(const Database& db, qint64 templateKey, int questions, int answers, int pickLists) {
    for (int question = 1; question <= questions; ++question) {
        const qint64 questionKey = db.insert("TemplateQuestion", {"TemplateKey", "Sequence", "Question"},
                                             {templateKey, question, QString("Question %1?").arg(question)});
        for (int answer = 1; answer <= answers; ++answer)
            db.insert("TemplateAnswer", {"TemplateQuestionKey", "Sequence", "Answer"},
                      {questionKey, answer, QString::number(answer)});
        for (int pick = 1; pick <= pickLists; ++pick)
            db.insert("TemplatePickList", {"TemplateQuestionKey", "Sequence", "Name"},
                      {questionKey, pick, QString("Entry %1").arg(pick)});
    }
}

} // namespace BenchTemplate
