#pragma once

#include "Database.h"

#include <QList>
#include <QString>

// The groups that evaluations of a template belong to: the values of its group field that
// at least one evaluation chose, by name. The open dialog and the report window list them.
struct EvaluationGroup {
    qint64 key = 0; // TemplateFieldValueKey
    QString name;
};

QList<EvaluationGroup> usedEvaluationGroups(const Database& database, qint64 templateKey);
