#include "BenchTemplate.h"

#include "Database.h"

#include <QFile>
#include <unistd.h>

namespace BenchTemplate {

namespace {

constexpr int Fields = 20;
constexpr int Questions = 50;
constexpr int Answers = 5;
constexpr int PickLists = 10;

} // namespace

double serverCpuSeconds(const Database& db) {
    if (db.engine() != DatabaseEngine::PostgreSQL)
        return -1;
    QFile stat(QString("/proc/%1/stat").arg(db.scalar("SELECT pg_backend_pid()").toLongLong()));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // After the command name in parentheses: state, then utime and stime as the 12th and 13th.
    const QList<QByteArray> fields = stat.readAll().split(')').value(1).trimmed().split(' ');
    return (fields.value(11).toLongLong() + fields.value(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
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
    for (int question = 1; question <= Questions; ++question) {
        const qint64 questionKey = db.insert("TemplateQuestion", {"TemplateKey", "Sequence", "Question"},
                                             {key, question, QString("Question %1?").arg(question)});
        for (int answer = 1; answer <= Answers; ++answer)
            db.insert("TemplateAnswer", {"TemplateQuestionKey", "Sequence", "Answer"},
                      {questionKey, answer, QString::number(answer)});
        for (int pick = 1; pick <= PickLists; ++pick)
            db.insert("TemplatePickList", {"TemplateQuestionKey", "Sequence", "Name"},
                      {questionKey, pick, QString("Entry %1").arg(pick)});
    }
    transaction.commit();
    return key;
}

} // namespace BenchTemplate
