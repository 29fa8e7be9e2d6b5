#include "WholeFileInsert.h"

#include "Database.h"
#include "HistoryChain.h"
#include "ImportHistory.h"
#include "PostgresArray.h"

namespace {

// A digest that is claimed already leaves its file out of c, and with it every row that
// selects from it; the sequence values drawn for it are simply not used.
const char* const Statement =
    "WITH f AS (SELECT * FROM unnest(?::text[], ?::text[], ?::text[], ?::integer[], ?::integer[])"
    " WITH ORDINALITY AS f(digest, filename, name, template, grp, file)),"
    " d AS (SELECT DISTINCT ON (digest) * FROM f ORDER BY digest, file),"
    " c AS (INSERT INTO ImportedFile (Digest, FileName, EvaluationKey)"
    " SELECT digest, filename, nextval('%1'::regclass) FROM (SELECT * FROM d ORDER BY file) s"
    " ON CONFLICT (Digest) DO NOTHING RETURNING Digest, EvaluationKey),"
    " k AS (SELECT c.EvaluationKey, d.* FROM c INNER JOIN d ON d.digest = c.Digest),"
    " e AS (INSERT INTO Evaluation (EvaluationKey, FileName, TemplateKey, EvaluationGroupKey)"
    " SELECT EvaluationKey, name, template, grp FROM k ORDER BY file),"
    " v AS (INSERT INTO EvaluationField (EvaluationKey, TemplateFieldKey, EnteredValue, TemplateFieldValueKey)"
    " SELECT k.EvaluationKey, u.field, u.entered, u.listvalue FROM k INNER JOIN"
    " unnest(?::integer[], ?::integer[], ?::text[], ?::integer[]) WITH ORDINALITY"
    " AS u(file, field, entered, listvalue, position) ON u.file = k.file ORDER BY u.position),"
    " a AS (SELECT nextval('%2'::regclass) AS key, s.* FROM (SELECT k.EvaluationKey, u.* FROM k INNER JOIN"
    " unnest(?::integer[], ?::integer[], ?::text[], ?::integer[]) WITH ORDINALITY"
    " AS u(file, question, answer, tbc, position) ON u.file = k.file ORDER BY u.position) s),"
    " q AS (INSERT INTO EvaluationQuestion (EvaluationQuestionKey, EvaluationKey, TemplateQuestionKey, Answer, "
    "TBCCheck) SELECT key, EvaluationKey, question, answer, tbc FROM a),"
    " p AS (INSERT INTO EvaluationPickList (EvaluationQuestionKey, TemplatePickListKey)"
    " SELECT a.key, u.pick FROM a INNER JOIN unnest(?::bigint[], ?::integer[]) WITH ORDINALITY"
    " AS u(question, pick, position) ON u.question = a.position ORDER BY u.position)"
    " SELECT file, EvaluationKey FROM k";

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

QList<qint64> WholeFileInsert::insert(const QList<File>& files) {
    PostgresArray digests, fileNames, names, templates, groups;
    PostgresArray fieldFiles, fieldKeys, entered, listValues;
    PostgresArray questionFiles, questionKeys, answers, tbc;
    PostgresArray pickQuestions, picks;
    qint64 questions = 0;
    for (qsizetype number = 1; number <= files.size(); ++number) {
        const File& file = files.at(number - 1);
        const EvaluationFileContent& content = *file.content;
        const EvaluationFileContent::Evaluation& evaluation = content.evaluations.first();
        digests.append(file.digest);
        fileNames.append(file.fileName);
        names.append(file.evaluationName);
        templates.append(evaluation.templateKey);
        groups.append(evaluation.evaluationGroupKey);
        for (const EvaluationFileContent::Field& field : evaluation.fields) {
            fieldFiles.append(number);
            fieldKeys.append(field.templateFieldKey);
            entered.append(field.enteredValue);
            listValues.append(field.templateFieldValueKey);
        }
        for (qsizetype i = evaluation.firstQuestion; i < evaluation.lastQuestion; ++i) {
            const EvaluationFileContent::Question& question = content.questions.at(i);
            questionFiles.append(number);
            questionKeys.append(question.templateQuestionKey);
            answers.append(question.answer);
            tbc.append(question.tbcCheck);
        }
        // Answers are numbered across the whole statement, from 1.
        for (const EvaluationFileContent::PickList& pick : content.pickLists) {
            pickQuestions.append(questions + pick.question - evaluation.firstQuestion + 1);
            picks.append(pick.templatePickListKey);
        }
        questions += evaluation.lastQuestion - evaluation.firstQuestion;
    }
    if (m_statement.lastQuery().isEmpty())
        m_statement = m_database.prepare(QString::fromLatin1(Statement).arg(
            sequence("evaluation", "evaluationkey"), sequence("evaluationquestion", "evaluationquestionkey")));
    QVariantList values;
    for (const PostgresArray* array :
         {&digests, &fileNames, &names, &templates, &groups, &fieldFiles, &fieldKeys, &entered, &listValues,
          &questionFiles, &questionKeys, &answers, &tbc, &pickQuestions, &picks})
        values << array->literal();
    m_database.run(m_statement, values);
    QList<qint64> keys(files.size(), 0);
    while (m_statement.next())
        keys[m_statement.value(0).toLongLong() - 1] = m_statement.value(1).toLongLong();
    m_statement.finish();
    return keys;
}

QList<bool> WholeFileInsert::add(const QList<File>& files) {
    Transaction transaction(m_database);
    const QList<qint64> keys = insert(files);
    QList<EvaluationHistory::Change> history;
    QList<bool> added;
    for (qsizetype i = 0; i < files.size(); ++i) {
        added << (keys.at(i) != 0);
        if (keys.at(i) != 0)
            history << ImportHistory::imported(keys.at(i), files.at(i).fileName, files.at(i).phoneId);
    }
    HistoryChain::append(m_database, EvaluationHistory::Means::Import, history);
    transaction.commit();
    return added;
}
