#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// What one evaluation file holds, read and checked before anything reaches the database.
struct EvaluationFileContent {
    struct Field {
        qint32 templateFieldKey = 0;
        QVariant enteredValue;
        qint32 templateFieldValueKey = 0;
    };
    struct Question {
        qint32 templateQuestionKey = 0;
        QVariant answer;
        int tbcCheck = 0; // -1 or 0
    };
    struct PickList {
        qsizetype question = 0; // index into questions: the question most recently read
        qint32 templatePickListKey = 0;
    };
    struct Evaluation {
        qint32 templateKey = 0;
        qint32 evaluationGroupKey = 0;
        QList<Field> fields;
        qsizetype firstQuestion = 0; // this evaluation's questions: [firstQuestion, lastQuestion)
        qsizetype lastQuestion = 0;
    };

    QList<Evaluation> evaluations;
    QList<Question> questions; // of all evaluations, in file order
    QList<PickList> pickLists; // in file order

    qsizetype rowCount() const;
};
