#pragma once

#include "FieldType.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class Database;

// One template as a document that travels between databases and lives under version
// control: its name, live entry fields with their values, file-name fields, and live
// questions with their answers and pick lists. Keys stay behind; file-name fields name
// their entry field by its position in the document, and order is the order of the lists.
class TemplateDocument {
public:
    static inline const QString Format = QStringLiteral("kestrivo-template");
    static constexpr int Version = 1;

    struct Field {
        QString label;
        FieldType type = FieldType::Text;
        int length = 20;
        int decimals = 0;
        QString useOn = QStringLiteral("B"); // "H", "R" or "B", as stored
        bool forced = false;
        bool footer = false;
        bool groupField = false;
        int order = 99;
        QStringList values; // live values, in the order of their text
    };
    struct Question {
        QString question;
        int order = 99;
        QStringList answers;  // in their stored order
        QStringList pickList; // in their stored order
    };
    // A warning of the editor's limits: where in the document, and the editor's own text.
    struct Warning {
        QString where;
        QString text;
    };

    QString name;
    QList<Field> fields;
    QList<int> fileNameFields; // positions in fields, in file-name order
    QList<Question> questions;

    // The template of that key as it stands: live rows only, each list in its stored order.
    static TemplateDocument read(const Database& database, qint64 templateKey);

    // The document's text: UTF-8, members in a fixed order, 2-space indentation, one list
    // item per line and one trailing newline, so that equal templates give equal bytes.
    QByteArray toJson() const;

    // Writes the document as a new template with new keys, all in one transaction; nothing
    // is left behind when any row fails. Progress counts rows. Returns the template's key.
    qint64 create(const Database& database, const std::function<void(int done, int total)>& progress = {}) const;

    // What the template editor would warn about: more fields, questions, answers or pick-list
    // entries than the unit takes. The upload skips the surplus.
    QList<Warning> limitWarnings() const;

    static QString useOnName(const QString& useOn); // "Hand held only", ... or empty

private:
    int rowCount() const;
};
