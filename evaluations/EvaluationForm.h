#pragma once

#include "FieldType.h"

#include <QList>
#include <QString>
#include <QStringList>

// What the editor needs to put one evaluation on the screen: the template's entry fields,
// file-name fields and questions in their order, and for an opened evaluation what it holds.
struct EvaluationForm {
    struct Value {
        qint64 key = 0; // TemplateFieldValueKey
        QString text;
    };
    struct Field {
        qint64 key = 0; // TemplateFieldKey
        QString label;
        FieldType type = FieldType::Text;
        int length = 0;
        bool forced = false;
        bool group = false;
        QList<Value> values; // dropdown fields only, by FieldValue
        QString storedValue; // an opened evaluation's EnteredValue; empty when none
    };
    struct PickEntry {
        qint64 key = 0; // TemplatePickListKey
        QString name;
        bool ticked = false;
    };
    struct Question {
        qint64 key = 0; // TemplateQuestionKey
        QString text;
        QStringList answers;
        QString answer;
        bool tbc = false;
        QList<PickEntry> pickEntries;
    };

    QList<qint64> fileNameFields; // TemplateFieldKey, in file-name order
    QList<Field> fields;
    QList<Question> questions;
};
