#include "SiteVisit.h"

#include "Database.h"
#include "FieldText.h"
#include "TemplateBuilder.h"

SiteVisit SiteVisit::create(const Database& database, int questions, const QString& name) {
    SiteVisit visit;
    TemplateBuilder builder(database, name);
    visit.templateKey = builder.key();
    visit.site = builder.groupField(QStringLiteral("Site"));
    visit.south = builder.value(visit.site, QStringLiteral("South"));
    visit.north = builder.value(visit.site, QStringLiteral("North"));
    builder.fileNameField(visit.site);
    visit.visited = builder.field(QStringLiteral("Visited"), TemplateBuilder::Date);
    builder.fileNameField(visit.visited);
    visit.inspector = builder.field(QStringLiteral("Inspector"), TemplateBuilder::Text, {20, true});
    visit.staff = builder.field(QStringLiteral("Staff"), TemplateBuilder::Numeric);
    for (int index = 1; index <= questions; ++index) {
        const qint64 question = builder.question(QStringLiteral("Question %1?").arg(index));
        builder.answer(question, QStringLiteral("Yes"));
        builder.answer(question, QStringLiteral("No"));
        visit.entries.append({builder.pickEntry(question, QStringLiteral("Floor")),
                              builder.pickEntry(question, QStringLiteral("Wall")),
                              builder.pickEntry(question, QStringLiteral("Roof"))});
        visit.questions << question;
    }
    return visit;
}

qint64 SiteVisit::store(const Database& database, const QString& answer, bool tbc, bool tickFloor) const {
    const qint64 key = database.insert(
        QStringLiteral("Evaluation"),
        {QStringLiteral("TemplateKey"), QStringLiteral("EvaluationGroupKey"), QStringLiteral("FileName")},
        {templateKey, north, QStringLiteral("North060503")});
    const QStringList columns{QStringLiteral("EvaluationKey"), QStringLiteral("TemplateFieldKey"),
                              QStringLiteral("EnteredValue"), QStringLiteral("TemplateFieldValueKey")};
    database.insert(QStringLiteral("EvaluationField"), columns, {key, site, QStringLiteral("North"), north});
    database.insert(QStringLiteral("EvaluationField"), columns, {key, visited, QStringLiteral("06/05/03"), 0});
    database.insert(QStringLiteral("EvaluationField"), columns, {key, inspector, QStringLiteral("Ann"), 0});
    for (qsizetype index = 0; index < questions.size(); ++index) {
        const bool first = index == 0;
        const qint64 row =
            database.insert(QStringLiteral("EvaluationQuestion"),
                            {QStringLiteral("EvaluationKey"), QStringLiteral("TemplateQuestionKey"),
                             QStringLiteral("Answer"), QStringLiteral("TBCCheck")},
                            {key, questions.at(index), first ? answer : QString(), first && tbc ? -1 : 0});
        if (first && tickFloor)
            database.insert(QStringLiteral("EvaluationPickList"),
                            {QStringLiteral("EvaluationQuestionKey"), QStringLiteral("TemplatePickListKey")},
                            {row, entries.at(index).first()});
    }
    return key;
}

QStringList SiteVisit::contents(const Database& database, qint64 evaluationKey) {
    QStringList lines;
    QSqlQuery evaluation = database.query(
        QStringLiteral("SELECT TemplateKey, EvaluationGroupKey, FileName FROM Evaluation WHERE EvaluationKey=?"),
        {evaluationKey});
    while (evaluation.next())
        lines << QStringLiteral("evaluation %1 %2 %3")
                     .arg(FieldText(evaluation.value(0)), FieldText(evaluation.value(1)),
                          FieldText(evaluation.value(2)));
    QSqlQuery fields =
        database.query(QStringLiteral("SELECT TemplateFieldKey, EnteredValue, TemplateFieldValueKey FROM "
                                      "EvaluationField WHERE EvaluationKey=? ORDER BY TemplateFieldKey"),
                       {evaluationKey});
    while (fields.next())
        lines << QStringLiteral("field %1 %2 %3")
                     .arg(FieldText(fields.value(0)), FieldText(fields.value(1)), FieldText(fields.value(2)));
    QSqlQuery answers = database.query(
        QStringLiteral("SELECT EvaluationQuestion.TemplateQuestionKey, Answer, TBCCheck, TemplatePickListKey FROM "
                       "EvaluationQuestion LEFT JOIN EvaluationPickList ON EvaluationPickList.EvaluationQuestionKey = "
                       "EvaluationQuestion.EvaluationQuestionKey WHERE EvaluationKey=? ORDER BY "
                       "EvaluationQuestion.TemplateQuestionKey, TemplatePickListKey"),
        {evaluationKey});
    while (answers.next())
        lines << QStringLiteral("question %1 %2 %3 %4")
                     .arg(FieldText(answers.value(0)), FieldText(answers.value(1)), FieldText(answers.value(2)),
                          FieldText(answers.value(3)));
    return lines;
}
