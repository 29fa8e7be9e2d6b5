#pragma once

#include "Database.h"

#include <QList>
#include <QString>

// Every template by name, in the program's alphabetical order: the template lists of the
// template editor, the open and add dialogs and the report window.
struct TemplateName {
    qint64 key = 0; // TemplateKey
    QString name;
};

QList<TemplateName> templatesByName(const Database& database);
