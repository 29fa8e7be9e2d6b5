#pragma once

#include "UnitEvaluation.h"
#include "UnitTemplate.h"

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <optional>

namespace EntryRules {
struct EntryField;
}

// An evaluation as a phone sends it (JSON), checked with the rules the PC's evaluation editor
// follows before anything is written. A phone's own checks are for its user's convenience
// only; these decide.
//
//   {"id": "…", "saved": "yyyy-MM-dd HH:mm:ss", "template": "NAME.evt",
//    "fields": [{"key": 40, "valueKey": 7}, {"key": 41, "value": "text"}, …],
//    "questions": [{"key": 90, "answer": "Yes", "tbc": false, "ticked": [300]}, …]}
class EvaluationSubmission {
public:
    // Reads the body; refusal() tells what is wrong with it.
    explicit EvaluationSubmission(const QByteArray& body);

    // Empty when the body could be read, else a message for the phone's user.
    const QString& refusal() const { return m_refusal; }
    const QString& id() const { return m_id; }
    const QString& templateFile() const { return m_templateFile; }

    // Checks the evaluation against its template; true when evaluation() holds it in the
    // template's order, false with refusal() saying why it cannot be written.
    bool check(const UnitTemplate& unitTemplate);
    const UnitEvaluation& evaluation() const { return m_evaluation; }

    // What the refusal is about, for the phone to point to: a field or a question of the
    // template as the unit holds it now, when it is one of those.
    std::optional<qint32> refusedField() const { return m_refusedField; }
    std::optional<qint32> refusedQuestion() const { return m_refusedQuestion; }
    // The evaluation was filled in on another version of its template: it names fields,
    // questions or values that the template no longer holds, or lacks some that it holds now.
    bool templateChanged() const { return m_templateChanged; }

    // Why no evaluation of this template can be added on the PC; empty when one can.
    static QString templateProblem(const UnitTemplate& unitTemplate);
    // How an entry of the field is checked: the characters it takes are its length, and never
    // more than the PC stores, nor fewer than a short date for a date field.
    static EntryRules::EntryField entryField(const UnitTemplate::Field& field);

private:
    bool refuse(const QString& message);
    bool refuseField(const UnitTemplate::Field& field, const QString& message, bool templateChanged = false);
    bool refuseChanged(const QString& message);
    bool checkEntry(const UnitTemplate::Field& field, const QJsonObject& entry, UnitEvaluation::Field& written);
    bool checkFields(const UnitTemplate& unitTemplate);
    bool checkQuestions(const UnitTemplate& unitTemplate);

    QString m_refusal;
    QString m_id;
    QString m_saved;
    QString m_templateFile;
    QJsonArray m_fields;
    QJsonArray m_questions;
    UnitEvaluation m_evaluation;
    std::optional<qint32> m_refusedField;
    std::optional<qint32> m_refusedQuestion;
    bool m_templateChanged = false;
};
