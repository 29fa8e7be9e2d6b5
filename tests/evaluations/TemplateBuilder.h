#pragma once

#include <QHash>
#include <QString>

class Database;

// How a field of a TemplateBuilder is made.
struct FieldOptions {
    int length = 20;
    bool forced = false;
    bool group = false;
    QString useOn = QStringLiteral("B");
    bool deleted = false;
};

// Writes a template's rows straight into the database, in the order a user would add them:
// each field, question, answer and pick-list entry gets the next Sequence of its list.
class TemplateBuilder {
public:
    enum FieldType { Text = 0, Numeric = 1, ValueList = 2, Date = 3 };

    TemplateBuilder(const Database& database, const QString& name);

    qint64 key() const { return m_key; }
    qint64 field(const QString& label, int type, const FieldOptions& options = {});
    qint64 groupField(const QString& label) { return field(label, ValueList, {20, false, true}); }
    qint64 value(qint64 field, const QString& text, bool deleted = false);
    void fileNameField(qint64 field);
    qint64 question(const QString& text, bool deleted = false);
    qint64 answer(qint64 question, const QString& text, bool deleted = false);
    qint64 pickEntry(qint64 question, const QString& name, bool deleted = false);

    // A template at every limit of the handheld: 20 fields (the first the group field with
    // five values, every fourth a value list, the second a date), the first two making up
    // the file name, and 50 questions with 20 answers and 30 pick-list entries each.
    static TemplateBuilder full(const Database& database, const QString& name);

private:
    const Database& m_database;
    qint64 m_key = 0;
    int m_fields = 0;
    int m_fileNameFields = 0;
    int m_questions = 0;
    QHash<qint64, int> m_answers;
    QHash<qint64, int> m_pickEntries;
};
