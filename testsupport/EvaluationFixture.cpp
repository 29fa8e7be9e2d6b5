#include "EvaluationFixture.h"

#include "DataEnvironment.h"
#include "KestrivoError.h"

EvaluationFixture::EvaluationFixture(const Database& database)
    : m_database(database),
      m_evaluation(database.prepare(QStringLiteral("INSERT INTO Evaluation (TemplateKey, EvaluationGroupKey, FileName) "
                                                   "VALUES (?, ?, ?) RETURNING EvaluationKey"))),
      m_field(database.prepare(QStringLiteral("INSERT INTO EvaluationField (EvaluationKey, TemplateFieldKey, "
                                              "TemplateFieldValueKey, EnteredValue) VALUES (?, ?, 0, ?)"))),
      m_question(database.prepare(QStringLiteral("INSERT INTO EvaluationQuestion (EvaluationKey, TemplateQuestionKey, "
                                                 "Answer, TBCCheck) VALUES (?, ?, ?, ?) RETURNING "
                                                 "EvaluationQuestionKey"))),
      m_pick(database.prepare(QStringLiteral(
          "INSERT INTO EvaluationPickList (EvaluationQuestionKey, TemplatePickListKey) VALUES (?, ?)"))) {}

qint64 EvaluationFixture::addTemplate(const QString& name) {
    return m_database.insert(QStringLiteral("Template"), {QStringLiteral("Name")}, {name});
}

qint64 EvaluationFixture::addField(qint64 templateKey, const Field& field) {
    const qint64 key = m_database.insert(
        QStringLiteral("TemplateField"),
        {QStringLiteral("TemplateKey"), QStringLiteral("Sequence"), QStringLiteral("FieldLabel"),
         QStringLiteral("FieldType"), QStringLiteral("FieldLength"), QStringLiteral("FieldDecimal"),
         QStringLiteral("UseOn"), QStringLiteral("ForceEntry"), QStringLiteral("Footer"), QStringLiteral("GroupField")},
        {templateKey, field.sequence, field.label, field.type, field.length, field.decimal, field.useOn,
         field.forced ? -1 : 0, field.footer ? -1 : 0, field.group ? -1 : 0});
    for (const QString& value : field.values)
        addValue(key, value);
    return key;
}

qint64 EvaluationFixture::addGroupField(qint64 templateKey, const QStringList& groups, const QString& label) {
    Field field;
    field.label = label;
    field.type = 2;
    field.values = groups;
    field.sequence = 1;
    field.useOn = QStringLiteral("H");
    field.group = true;
    return addField(templateKey, field);
}

qint64 EvaluationFixture::addValue(qint64 fieldKey, const QString& value) {
    return m_database.insert(QStringLiteral("TemplateFieldValue"),
                             {QStringLiteral("TemplateFieldKey"), QStringLiteral("FieldValue")}, {fieldKey, value});
}

qint64 EvaluationFixture::valueKey(qint64 fieldKey, const QString& value) const {
    return m_database
        .scalar(QStringLiteral("SELECT MIN(TemplateFieldValueKey) FROM TemplateFieldValue WHERE TemplateFieldKey=? AND "
                               "FieldValue=?"),
                {fieldKey, value})
        .toLongLong();
}

qint64 EvaluationFixture::addQuestion(qint64 templateKey, const QString& text, const QStringList& answers,
                                      const QStringList& pickList, int sequence) {
    const qint64 key =
        m_database.insert(QStringLiteral("TemplateQuestion"),
                          {QStringLiteral("TemplateKey"), QStringLiteral("Question"), QStringLiteral("Sequence")},
                          {templateKey, text, sequence});
    int order = 1;
    for (const QString& answer : answers)
        m_database.insert(QStringLiteral("TemplateAnswer"),
                          {QStringLiteral("TemplateQuestionKey"), QStringLiteral("Answer"), QStringLiteral("Sequence")},
                          {key, answer, order++});
    order = 1;
    for (const QString& name : pickList)
        m_database.insert(QStringLiteral("TemplatePickList"),
                          {QStringLiteral("TemplateQuestionKey"), QStringLiteral("Name"), QStringLiteral("Sequence")},
                          {key, name, order++});
    return key;
}

qint64 EvaluationFixture::pickKey(qint64 questionKey, const QString& name) const {
    return m_database
        .scalar(QStringLiteral("SELECT MIN(TemplatePickListKey) FROM TemplatePickList WHERE TemplateQuestionKey=? AND "
                               "Name=?"),
                {questionKey, name})
        .toLongLong();
}

void EvaluationFixture::markDeleted(const QString& table, qint64 key) const {
    m_database.execute(QStringLiteral("UPDATE %1 SET Deleted=-1 WHERE %1Key=?").arg(table), {key});
}

qint64 EvaluationFixture::inserted(QSqlQuery& statement, const QVariantList& values) const {
    m_database.run(statement, values);
    if (!statement.next())
        throw KestrivoError(ErrorNumber::Database, QStringLiteral("no key came back"));
    const qint64 key = statement.value(0).toLongLong();
    statement.finish();
    return key;
}

qint64 EvaluationFixture::addEvaluation(qint64 templateKey, qint64 groupValueKey, const QString& fileName,
                                        const QList<std::pair<qint64, QString>>& fields,
                                        const QList<std::pair<qint64, Answer>>& answers) {
    const qint64 key = inserted(m_evaluation, {templateKey, groupValueKey, fileName});
    for (const auto& [field, value] : fields)
        m_database.run(m_field, {key, field, value});
    for (const auto& [question, answer] : answers) {
        const qint64 answerKey = inserted(m_question, {key, question, answer.answer, answer.tbc ? -1 : 0});
        for (const QString& pick : answer.picks)
            m_database.run(m_pick, {answerKey, pickKey(question, pick)});
    }
    return key;
}

void EvaluationFixture::setDownloaded(qint64 evaluationKey, const QDateTime& downloaded) const {
    m_database.execute(QStringLiteral("UPDATE Evaluation SET Downloaded=? WHERE EvaluationKey=?"),
                       {downloaded.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")), evaluationKey});
}

void EvaluationFixture::setCompany(const QString& name, int reportColumns) const {
    CompanyParameter company = DataEnvironment::instance().rsCompanyParameter();
    company.Name = name;
    company.ReportColumns = reportColumns;
    DataEnvironment::instance().saveCompanyParameter(company);
}
