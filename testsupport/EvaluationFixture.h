#pragma once

#include "Database.h"

#include <QDateTime>
#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <utility>

// Builds templates and evaluations straight into a database, as tests and benchmarks need
// them: fields with their values, questions with answers and pick lists, and evaluations
// with entered values, answers, TBC marks and ticked pick-list entries. Rows go in through
// prepared statements, so thousands of evaluations take moments inside one transaction.
class EvaluationFixture {
public:
    struct Field {
        QString label;
        int type = 0; // 0 Text, 1 Numeric, 2 Dropdown, 3 Date
        QStringList values;
        int sequence = 99;
        QString useOn = QStringLiteral("B");
        bool footer = false;
        int decimal = 0;
        int length = 20;
        bool forced = false;
        bool group = false;
    };
    struct Answer {
        Answer(QString text = QString(), bool tbcMark = false, QStringList ticked = {})
            : answer(std::move(text)), tbc(tbcMark), picks(std::move(ticked)) {}
        QString answer;
        bool tbc = false;
        QStringList picks; // pick-list entries ticked, by name
    };

    explicit EvaluationFixture(const Database& database);

    qint64 addTemplate(const QString& name);
    qint64 addField(qint64 templateKey, const Field& field);
    // A dropdown group field with these values; its key.
    qint64 addGroupField(qint64 templateKey, const QStringList& groups, const QString& label = QStringLiteral("Group"));
    qint64 addValue(qint64 fieldKey, const QString& value);
    qint64 valueKey(qint64 fieldKey, const QString& value) const;
    qint64 addQuestion(qint64 templateKey, const QString& text, const QStringList& answers,
                       const QStringList& pickList = {}, int sequence = 99);
    qint64 pickKey(qint64 questionKey, const QString& name) const;
    // Marks a template item deleted (the table's Deleted column).
    void markDeleted(const QString& table, qint64 key) const;

    qint64 addEvaluation(qint64 templateKey, qint64 groupValueKey, const QString& fileName,
                         const QList<std::pair<qint64, QString>>& fields,
                         const QList<std::pair<qint64, Answer>>& answers);
    void setDownloaded(qint64 evaluationKey, const QDateTime& downloaded) const;
    void setCompany(const QString& name, int reportColumns) const;

private:
    qint64 inserted(QSqlQuery& statement, const QVariantList& values) const;

    const Database& m_database;
    QSqlQuery m_evaluation;
    QSqlQuery m_field;
    QSqlQuery m_question;
    QSqlQuery m_pick;
};
