#include "TemplateListing.h"

#include "Database.h"
#include "KestrivoError.h"
#include "ReportFormat.h"
#include "ReportPen.h"
#include "ReportSnapshot.h"
#include "TextOrder.h"
#include "TrelkReportRecorder.h"

#include <QHash>

namespace {

constexpr int PageBreakY = 12000;
constexpr int PageTop = 500;
constexpr int ReportStartY = 12500;
constexpr int QuestionStartY = 32000;
constexpr int RuleLeft = 500;
constexpr int RuleRight = 11100;
constexpr int ValueX = 6600;
constexpr int LastValueX = 9600;
constexpr int ValueStep = 1500;
constexpr int ValueWidth = 15;
constexpr int RowStep = 200;
constexpr int Small = 8;

// The listing calls a dropdown field by its older name.
QString typeText(FieldType type) {
    return type == FieldType::Dropdown ? QStringLiteral("Combo") : fieldTypeName(type);
}

// A stored flag (-1 true, 0 false) as the listing prints it.
QString yesNo(int flag) {
    return flag != 0 ? QStringLiteral("Y") : QStringLiteral("N");
}

// The rows of a child table grouped by their owner's key, each group in the query's order.
QHash<qint64, QStringList> childTexts(const Database& database, const QString& sql, qint64 templateKey) {
    QHash<qint64, QStringList> texts;
    QSqlQuery rows = database.query(sql, {templateKey});
    while (rows.next())
        texts[rows.value(0).toLongLong()] << rows.value(1).toString();
    for (QStringList& list : texts)
        TextOrder::sort(list, [](const QString& text) { return text; });
    return texts;
}

} // namespace

TemplateListing::TemplateListing(const Database& database, QString companyName)
    : m_database(database), m_companyName(std::move(companyName)) {}

int TemplateListing::record(TrelkReportRecorder& recorder, qint64 templateKey, bool keep) {
    const int key = recorder.ppReportStart(false, keep);
    {
        ReportSnapshot snapshot(m_database);
        load(templateKey);
    }
    ReportPen pen(recorder, key);
    draw(pen);
    return key;
}

int TemplateListing::run(TrelkReportRecorder& recorder, qint64 templateKey, const ReportOutput& output) {
    return deliverReport(recorder, record(recorder, templateKey, output.keep), output);
}

void TemplateListing::load(qint64 templateKey) {
    const QVariant name =
        m_database.scalar(QStringLiteral("SELECT Name FROM Template WHERE TemplateKey=?"), {templateKey});
    if (!name.isValid())
        throw KestrivoError(ErrorNumber::General,
                            QStringLiteral("The template %1 no longer exists: it was deleted.").arg(templateKey));
    m_templateName = name.toString();

    const QHash<qint64, QStringList> values = childTexts(
        m_database,
        QStringLiteral("SELECT TemplateFieldValue.TemplateFieldKey, FieldValue FROM TemplateFieldValue INNER JOIN "
                       "TemplateField ON TemplateFieldValue.TemplateFieldKey = TemplateField.TemplateFieldKey WHERE "
                       "TemplateFieldValue.Deleted=0 AND TemplateField.TemplateKey=? ORDER BY "
                       "TemplateFieldValueKey"),
        templateKey);
    m_fields.clear();
    QSqlQuery fields = m_database.query(
        QStringLiteral("SELECT TemplateFieldKey, FieldLabel, FieldType, FieldLength, UseOn, ForceEntry, Footer FROM "
                       "TemplateField WHERE Deleted=0 AND TemplateKey=? ORDER BY TemplateFieldKey"),
        {templateKey});
    while (fields.next()) {
        m_fields.append({fields.value(1).toString(), FieldType(fields.value(2).toInt()), fields.value(3).toInt(),
                         fields.value(4).toString(), fields.value(5).toInt(), fields.value(6).toInt(),
                         values.value(fields.value(0).toLongLong())});
    }
    TextOrder::sort(m_fields, [](const Field& field) { return field.label; });

    const QHash<qint64, QStringList> answers = childTexts(
        m_database,
        QStringLiteral("SELECT TemplateAnswer.TemplateQuestionKey, Answer FROM TemplateAnswer INNER JOIN "
                       "TemplateQuestion ON TemplateAnswer.TemplateQuestionKey = TemplateQuestion.TemplateQuestionKey "
                       "WHERE TemplateAnswer.Deleted=0 AND TemplateQuestion.TemplateKey=? ORDER BY "
                       "TemplateAnswerKey"),
        templateKey);
    const QHash<qint64, QStringList> pickLists =
        childTexts(m_database,
                   QStringLiteral("SELECT TemplatePickList.TemplateQuestionKey, Name FROM TemplatePickList INNER JOIN "
                                  "TemplateQuestion ON TemplatePickList.TemplateQuestionKey = "
                                  "TemplateQuestion.TemplateQuestionKey WHERE TemplatePickList.Deleted=0 AND "
                                  "TemplateQuestion.TemplateKey=? ORDER BY TemplatePickListKey"),
                   templateKey);
    m_questions.clear();
    QSqlQuery questions =
        m_database.query(QStringLiteral("SELECT TemplateQuestionKey, Question FROM TemplateQuestion WHERE Deleted=0 "
                                        "AND TemplateKey=? ORDER BY TemplateQuestionKey"),
                         {templateKey});
    while (questions.next()) {
        const qint64 question = questions.value(0).toLongLong();
        m_questions.append({questions.value(1).toString(), answers.value(question), pickLists.value(question)});
    }
    TextOrder::sort(m_questions, [](const Question& question) { return question.text; });
}

void TemplateListing::draw(ReportPen& pen) {
    m_y = ReportStartY;
    m_page = 0;
    for (const Field& field : std::as_const(m_fields)) {
        if (m_y > PageBreakY)
            pageHeader(pen, Section::Fields);
        printField(pen, field);
    }
    // The questions always open a page of their own.
    m_y = QuestionStartY;
    for (const Question& question : std::as_const(m_questions)) {
        if (m_y > PageBreakY)
            pageHeader(pen, Section::Questions);
        printQuestion(pen, question);
    }
}

void TemplateListing::printField(ReportPen& pen, const Field& field) {
    pen.text(m_y, 500, field.label, m_page, 1, false, Small, 0);
    pen.text(m_y, 3000, typeText(field.type), m_page, 1, false, Small, 0);
    pen.text(m_y, 3800, ReportFormat::format(field.length, u"#0"), m_page, 1, false, Small, 0);
    pen.text(m_y, 4500, field.useOn, m_page, 1, false, Small, 0);
    pen.text(m_y, 5200, yesNo(field.forceEntry), m_page, 1, false, Small, 0);
    pen.text(m_y, 6000, yesNo(field.footer), m_page, 1, false, Small, 0);
    int x = ValueX;
    for (const QString& value : field.values) {
        pen.text(m_y, x, value.left(ValueWidth), m_page, 1, false, Small, 0);
        x += ValueStep;
        if (x > LastValueX) {
            x = ValueX;
            m_y += RowStep;
        }
    }
    m_y += field.values.isEmpty() ? 200 : 300;
}

void TemplateListing::printQuestion(ReportPen& pen, const Question& question) {
    const int rowY = m_y;
    pen.text(m_y, 500, question.text, m_page, 1, false, Small, 0);
    for (const QString& answer : question.answers)
        pen.text(m_y, 5000, answer, m_page, 1, false, Small, RowStep);
    const int answersEnd = m_y;
    m_y = rowY;
    for (const QString& item : question.pickList)
        pen.text(m_y, 7000, item, m_page, 1, false, Small, RowStep);
    m_y = std::max(answersEnd, m_y) + RowStep;
}

void TemplateListing::pageHeader(ReportPen& pen, Section section) {
    m_y = PageTop;
    ++m_page;
    pen.text(m_y, 5300 - 25 * int(m_companyName.size()), m_companyName, m_page);
    pen.text(m_y, 10000, QStringLiteral("Page:") + ReportFormat::str(m_page) + QStringLiteral(" of "), m_page, 1, false,
             10, 0, QStringLiteral("Arial"), true);
    pen.text(m_y, 500, QStringLiteral("Template: ") + m_templateName, m_page);
    pen.line(RuleLeft, m_y, RuleRight, m_y, m_page);
    m_y += 100;
    if (section == Section::Fields) {
        pen.text(m_y, 500, QStringLiteral("Label"), m_page, 1, false, Small, 0);
        pen.text(m_y, 3000, QStringLiteral("Type"), m_page, 1, false, Small, 0);
        pen.text(m_y, 3800, QStringLiteral("Length"), m_page, 1, false, Small, 0);
        pen.text(m_y, 4500, QStringLiteral("Use On"), m_page, 1, false, Small, 0);
        pen.text(m_y, 5200, QStringLiteral("Forced"), m_page, 1, false, Small, 0);
        pen.text(m_y, 6000, QStringLiteral("Footer"), m_page, 1, false, Small, 0);
        pen.text(m_y, 6600, QStringLiteral("Field Values"), m_page, 1, false, Small);
    } else {
        pen.text(m_y, 500, QStringLiteral("Question"), m_page, 1, false, Small, 0);
        pen.text(m_y, 5000, QStringLiteral("Answer"), m_page, 1, false, Small, 0);
        pen.text(m_y, 7000, QStringLiteral("Pick List"), m_page, 1, false, Small);
    }
    pen.line(RuleLeft, m_y, RuleRight, m_y, m_page);
    m_y += section == Section::Fields ? 100 : 150;
}
