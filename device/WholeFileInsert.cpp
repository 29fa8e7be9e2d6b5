#include "WholeFileInsert.h"

#include "Database.h"
#include "KestrivoError.h"
#include "PostgresArray.h"

namespace {

// A duplicate digest leaves c empty, and with it every row that selects from it; the
// sequence values it drew are simply not used.
const char* const Statement =
    "WITH c AS (INSERT INTO ImportedFile (Digest, FileName, EvaluationKey)"
    " VALUES (?, ?, nextval('%1'::regclass))"
    " ON CONFLICT (Digest) DO NOTHING RETURNING EvaluationKey),"
    " e AS (INSERT INTO Evaluation (EvaluationKey, FileName, TemplateKey, EvaluationGroupKey)"
    " SELECT EvaluationKey, ?, ?, ? FROM c),"
    " f AS (INSERT INTO EvaluationField (EvaluationKey, TemplateFieldKey, EnteredValue, TemplateFieldValueKey)"
    " SELECT c.EvaluationKey, u.field, u.entered, u.listvalue FROM c,"
    " unnest(?::integer[], ?::text[], ?::integer[]) AS u(field, entered, listvalue)),"
    " k AS (SELECT nextval('%2'::regclass) AS key, u.*"
    " FROM c, unnest(?::integer[], ?::text[], ?::integer[]) WITH ORDINALITY AS u(question, answer, tbc, position)),"
    " q AS (INSERT INTO EvaluationQuestion (EvaluationQuestionKey, EvaluationKey, TemplateQuestionKey, Answer, "
    "TBCCheck)"
    " SELECT k.key, c.EvaluationKey, k.question, k.answer, k.tbc FROM c, k),"
    " p AS (INSERT INTO EvaluationPickList (EvaluationQuestionKey, TemplatePickListKey)"
    " SELECT k.key, u.pick FROM k INNER JOIN unnest(?::integer[], ?::integer[]) AS u(position, pick)"
    " ON u.position = k.position)"
    " SELECT COUNT(*) FROM c";

} // namespace

WholeFileInsert::WholeFileInsert(const Database& database) : m_database(database) {}

QString WholeFileInsert::sequence(const char* table, const char* column) const {
    // Looked up once per statement: asking for the sequence in every row of a file costs the
    // server a catalog lookup per answer. The name comes from the catalog and goes in as a
    // quoted literal.
    QString name = m_database
                       .scalar(QStringLiteral("SELECT pg_get_serial_sequence(?, ?)"),
                               {QString::fromLatin1(table), QString::fromLatin1(column)})
                       .toString();
    return name.replace(QLatin1Char('\''), QStringLiteral("''"));
}

bool WholeFileInsert::insert(const EvaluationFileContent& content, const QString& fileName,
                             const QString& evaluationName, const QString& digest) {
    const EvaluationFileContent::Evaluation& evaluation = content.evaluations.first();
    QVariantList fieldKeys, entered, listValues;
    for (const EvaluationFileContent::Field& field : evaluation.fields) {
        fieldKeys << field.templateFieldKey;
        entered << field.enteredValue;
        listValues << field.templateFieldValueKey;
    }
    QVariantList questionKeys, answers, tbc;
    for (qsizetype i = evaluation.firstQuestion; i < evaluation.lastQuestion; ++i) {
        const EvaluationFileContent::Question& question = content.questions.at(i);
        questionKeys << question.templateQuestionKey;
        answers << question.answer;
        tbc << question.tbcCheck;
    }
    QVariantList positions, picks;
    for (const EvaluationFileContent::PickList& pick : content.pickLists) {
        positions << qint64(pick.question - evaluation.firstQuestion + 1);
        picks << pick.templatePickListKey;
    }
    if (m_statement.lastQuery().isEmpty())
        m_statement = m_database.prepare(QString::fromLatin1(Statement).arg(
            sequence("evaluation", "evaluationkey"), sequence("evaluationquestion", "evaluationquestionkey")));
    m_database.run(m_statement,
                   {digest, fileName, evaluationName, evaluation.templateKey, evaluation.evaluationGroupKey,
                    PostgresArray::literal(fieldKeys), PostgresArray::literal(entered),
                    PostgresArray::literal(listValues), PostgresArray::literal(questionKeys),
                    PostgresArray::literal(answers), PostgresArray::literal(tbc), PostgresArray::literal(positions),
                    PostgresArray::literal(picks)});
    if (!m_statement.next())
        throw KestrivoError(ErrorNumber::Database, QStringLiteral("The database did not confirm the new evaluation."));
    const bool claimed = m_statement.value(0).toInt() > 0;
    m_statement.finish();
    return claimed;
}
