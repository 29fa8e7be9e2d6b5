#include "EvaluationHistoryList.h"

#include "Database.h"

namespace {

QString escaped(const QString& value) {
    QString text;
    text.reserve(value.size());
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            text += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\t'))
            text += QStringLiteral("\\t");
        else if (c == QLatin1Char('\n'))
            text += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            text += QStringLiteral("\\r");
        else
            text += c;
    }
    return text;
}

} // namespace

EvaluationHistoryList::EvaluationHistoryList(const Database& database) : m_database(database) {}

void EvaluationHistoryList::load(qint64 evaluationKey, const QString& fileName) {
    m_evaluationKey = evaluationKey;
    m_fileName = fileName;
    m_lines.clear();
    for (const EvaluationHistory::Record& record : EvaluationHistory::of(m_database, evaluationKey))
        m_lines << lineOf(record);
}

QString EvaluationHistoryList::caption() const {
    return QStringLiteral("History of %1 (evaluation %2)").arg(m_fileName).arg(m_evaluationKey);
}

QStringList EvaluationHistoryList::headings() {
    return {QStringLiteral("When"), QStringLiteral("Who"), QStringLiteral("How"),
            QStringLiteral("What"), QStringLiteral("Old"), QStringLiteral("New")};
}

QString EvaluationHistoryList::emptyText() {
    return QStringLiteral("No changes are recorded for this evaluation.");
}

EvaluationHistoryList::Line EvaluationHistoryList::lineOf(const EvaluationHistory::Record& record) {
    return {record.when(), record.who(), record.means, record.what, record.oldValue, record.newValue};
}

QString EvaluationHistoryList::tabSeparated(const Line& line) {
    return QStringList{escaped(line.when), escaped(line.who),      escaped(line.how),
                       escaped(line.what), escaped(line.oldValue), escaped(line.newValue)}
        .join(QLatin1Char('\t'));
}
