#pragma once

#include "FieldType.h"

#include <QList>
#include <QString>

// A template as the handheld reads it from its template file.
struct UnitTemplate {
    struct Value {
        QString text;
        qint32 key = 0;
    };
    struct Field {
        qint32 key = 0;
        QString label;
        FieldType type = FieldType::Text;
        int length = 20;
        bool forced = false;
        bool group = false;
        QList<Value> values;
    };
    struct PickList {
        qint32 key = 0;
        QString name;
    };
    struct Question {
        qint32 key = 0;
        QString text;
        QStringList answers;
        QList<PickList> pickLists;
    };

    qint32 templateKey = 0;
    QList<qint32> fileNameFields;
    QList<Field> fields;
    QList<Question> questions;
};
