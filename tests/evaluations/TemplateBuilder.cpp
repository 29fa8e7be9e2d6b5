#include "TemplateBuilder.h"

#include "Database.h"

namespace {

int flag(bool value) {
    return value ? -1 : 0;
}

} // namespace

TemplateBuilder::TemplateBuilder(const Database& database, const QString& name) : m_database(database) {
    m_key = database.insert(QStringLiteral("Template"), {QStringLiteral("Name")}, {name});
}

qint64 TemplateBuilder::field(const QString& label, int type, const FieldOptions& options) {
    return m_database.insert(QStringLiteral("TemplateField"),
                             {QStringLiteral("TemplateKey"), QStringLiteral("Sequence"), QStringLiteral("FieldLabel"),
                              QStringLiteral("FieldType"), QStringLiteral("FieldLength"), QStringLiteral("ForceEntry"),
                              QStringLiteral("GroupField"), QStringLiteral("UseOn"), QStringLiteral("Deleted")},
                             {m_key, ++m_fields, label, type, options.length, flag(options.forced), flag(options.group),
                              options.useOn, flag(options.deleted)});
}

qint64 TemplateBuilder::value(qint64 field, const QString& text, bool deleted) {
    return m_database.insert(
        QStringLiteral("TemplateFieldValue"),
        {QStringLiteral("TemplateFieldKey"), QStringLiteral("FieldValue"), QStringLiteral("Deleted")},
        {field, text, flag(deleted)});
}

void TemplateBuilder::fileNameField(qint64 field) {
    m_database.insert(QStringLiteral("FileNameField"), {QStringLiteral("TemplateFieldKey"), QStringLiteral("Sequence")},
                      {field, ++m_fileNameFields});
}

qint64 TemplateBuilder::question(const QString& text, bool deleted) {
    return m_database.insert(QStringLiteral("TemplateQuestion"),
                             {QStringLiteral("TemplateKey"), QStringLiteral("Question"), QStringLiteral("Sequence"),
                              QStringLiteral("Deleted")},
                             {m_key, text, ++m_questions, flag(deleted)});
}

qint64 TemplateBuilder::answer(qint64 question, const QString& text, bool deleted) {
    return m_database.insert(QStringLiteral("TemplateAnswer"),
                             {QStringLiteral("TemplateQuestionKey"), QStringLiteral("Answer"),
                              QStringLiteral("Sequence"), QStringLiteral("Deleted")},
                             {question, text, ++m_answers[question], flag(deleted)});
}

qint64 TemplateBuilder::pickEntry(qint64 question, const QString& name, bool deleted) {
    return m_database.insert(QStringLiteral("TemplatePickList"),
                             {QStringLiteral("TemplateQuestionKey"), QStringLiteral("Name"), QStringLiteral("Sequence"),
                              QStringLiteral("Deleted")},
                             {question, name, ++m_pickEntries[question], flag(deleted)});
}

TemplateBuilder TemplateBuilder::full(const Database& database, const QString& name) {
    Transaction transaction(database);
    TemplateBuilder builder(database, name);
    for (int index = 1; index <= 20; ++index) {
        const QString label = QStringLiteral("Field %1").arg(index);
        if (index == 1) {
            const qint64 group = builder.groupField(label);
            for (int value = 1; value <= 5; ++value)
                builder.value(group, QStringLiteral("Group %1").arg(value));
            builder.fileNameField(group);
        } else if (index % 4 == 0) {
            const qint64 list = builder.field(label, ValueList);
            for (int value = 1; value <= 8; ++value)
                builder.value(list, QStringLiteral("Value %1").arg(value));
        } else {
            const qint64 field = builder.field(label, index == 2 ? Date : index % 4 == 3 ? Numeric : Text);
            if (index == 2)
                builder.fileNameField(field);
        }
    }
    for (int index = 1; index <= 50; ++index) {
        const qint64 question = builder.question(QStringLiteral("Question %1?").arg(index));
        for (int answer = 1; answer <= 20; ++answer)
            builder.answer(question, QStringLiteral("Answer %1").arg(answer));
        for (int entry = 1; entry <= 30; ++entry)
            builder.pickEntry(question, QStringLiteral("Entry %1").arg(entry));
    }
    transaction.commit();
    return builder;
}
