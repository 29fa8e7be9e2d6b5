#pragma once

#include <QList>
#include <QString>

// One evaluation as the handheld fills it in, ready to become an evaluation file: the values of
// the entry fields and the answers, in the template's order.
struct UnitEvaluation {
    struct Field {
        qint32 key = 0;      // TemplateFieldKey
        QString value;       // the text entered, or the chosen value's text
        qint32 valueKey = 0; // TemplateFieldValueKey of the chosen value, 0 when none
    };
    struct Question {
        qint32 key = 0; // TemplateQuestionKey
        QString answer;
        bool tbc = false;
        QList<qint32> ticked; // TemplatePickListKey of each ticked entry, in list order
    };

    // The handheld's own first item of the "*H*" record; the PC reads and drops it.
    QString stamp;
    qint32 templateKey = 0;
    qint32 groupKey = 0;
    QList<Field> fields;
    QList<Question> questions;
};
