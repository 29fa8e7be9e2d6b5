#pragma once

#include "FieldType.h"
#include "ReportOutput.h"

#include <QList>
#include <QString>
#include <QStringList>

class Database;
class ReportPen;
class TrelkReportRecorder;

// The template listing: one template's live entry fields with their type, length, placement,
// forced and footer flags and values, then its live questions with their answers and pick
// lists, on portrait pages. Widget-free: it records through any TrelkReportRecorder.
class TemplateListing {
public:
    TemplateListing(const Database& database, QString companyName);

    // Records the listing of the template (keep: with skipDelete) and returns the report
    // key. A template without fields and questions records nothing. Throws KestrivoError
    // when reading or recording fails.
    int record(TrelkReportRecorder& recorder, qint64 templateKey, bool keep = false);
    // Records the listing and hands it to output: the report key, or 0 when nothing went.
    int run(TrelkReportRecorder& recorder, qint64 templateKey, const ReportOutput& output);

private:
    struct Field {
        QString label;
        FieldType type = FieldType::Text;
        int length = 0;
        QString useOn;
        int forceEntry = 0;
        int footer = 0;
        QStringList values;
    };
    struct Question {
        QString text;
        QStringList answers;
        QStringList pickList;
    };
    enum class Section { Fields, Questions };

    void load(qint64 templateKey);
    void draw(ReportPen& pen);
    void printField(ReportPen& pen, const Field& field);
    void printQuestion(ReportPen& pen, const Question& question);
    void pageHeader(ReportPen& pen, Section section);

    const Database& m_database;
    QString m_companyName;
    QString m_templateName;
    QList<Field> m_fields;
    QList<Question> m_questions;
    int m_y = 0;
    int m_page = 0;
};
