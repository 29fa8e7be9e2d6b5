#include "DemoData.h"

#include "Database.h"
#include "FieldType.h"

namespace DemoData {

namespace {

struct FieldSpec {
    const char* label;
    FieldType type;
    int length;
    bool forced;
    bool group;
    bool footer;
    QStringList values;
};

const char* const Questions[] = {
    "Entrance clean and clear?", "Floors free of clutter?",   "Fire exits unobstructed?",
    "Extinguishers in date?",    "First aid kit stocked?",    "Lighting working?",
    "Washrooms clean?",          "Kitchen area hygienic?",    "Waste bins emptied?",
    "Safety signage visible?",   "Windows and doors secure?", "Staff wearing protective gear?",
};

const char* const PickLists[] = {"Needs follow-up", "Photo taken", "Reported to manager", "Fixed on the spot"};

} // namespace

qint64 ensureTemplate(const Database& database) {
    const QVariant existing =
        database.scalar(QStringLiteral("SELECT MIN(TemplateKey) FROM Template WHERE Name=?"), {TemplateName});
    if (!existing.isNull())
        return existing.toLongLong();

    Transaction transaction(database);
    const qint64 templateKey = database.insert(QStringLiteral("Template"), {QStringLiteral("Name")}, {TemplateName});
    const QList<FieldSpec> fields{
        {"Site", FieldType::Dropdown, 20, true, true, false, {"North Depot", "South Depot", "East Depot"}},
        {"Inspected", FieldType::Date, 8, true, false, false, {}},
        {"Inspector", FieldType::Text, 20, true, false, false, {}},
        {"Staff on duty", FieldType::Numeric, 3, false, false, false, {}},
        {"Weather", FieldType::Dropdown, 20, false, false, false, {"Dry", "Rain", "Snow", "Wind"}},
        {"Signed off by", FieldType::Text, 20, false, false, true, {}},
    };
    QList<qint64> fieldKeys;
    int sequence = 1;
    for (const FieldSpec& field : fields) {
        const qint64 fieldKey =
            database.insert(QStringLiteral("TemplateField"),
                            {QStringLiteral("TemplateKey"), QStringLiteral("Sequence"), QStringLiteral("FieldLabel"),
                             QStringLiteral("FieldType"), QStringLiteral("FieldLength"), QStringLiteral("ForceEntry"),
                             QStringLiteral("GroupField"), QStringLiteral("Footer")},
                            {templateKey, sequence++, QString::fromLatin1(field.label), int(field.type), field.length,
                             field.forced ? -1 : 0, field.group ? -1 : 0, field.footer ? -1 : 0});
        fieldKeys << fieldKey;
        for (const QString& value : field.values)
            database.insert(QStringLiteral("TemplateFieldValue"),
                            {QStringLiteral("TemplateFieldKey"), QStringLiteral("FieldValue")}, {fieldKey, value});
    }
    // The file name: the site, then the inspection date.
    database.insert(QStringLiteral("FileNameField"), {QStringLiteral("TemplateFieldKey"), QStringLiteral("Sequence")},
                    {fieldKeys.at(0), 1});
    database.insert(QStringLiteral("FileNameField"), {QStringLiteral("TemplateFieldKey"), QStringLiteral("Sequence")},
                    {fieldKeys.at(1), 2});

    sequence = 1;
    for (const char* question : Questions) {
        const qint64 questionKey =
            database.insert(QStringLiteral("TemplateQuestion"),
                            {QStringLiteral("TemplateKey"), QStringLiteral("Question"), QStringLiteral("Sequence")},
                            {templateKey, QString::fromLatin1(question), sequence++});
        for (int answer = 1; answer <= 5; ++answer)
            database.insert(
                QStringLiteral("TemplateAnswer"),
                {QStringLiteral("TemplateQuestionKey"), QStringLiteral("Answer"), QStringLiteral("Sequence")},
                {questionKey, QString::number(answer), answer});
        int entry = 1;
        for (const char* pick : PickLists)
            database.insert(QStringLiteral("TemplatePickList"),
                            {QStringLiteral("TemplateQuestionKey"), QStringLiteral("Name"), QStringLiteral("Sequence")},
                            {questionKey, QString::fromLatin1(pick), entry++});
    }
    transaction.commit();
    return templateKey;
}

} // namespace DemoData
