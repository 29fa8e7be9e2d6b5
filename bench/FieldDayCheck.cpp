#include "FieldDayCheck.h"

#include "BenchCli.h"
#include "Database.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <cstdio>

namespace FieldDayCheck {

namespace {

// The fields of one CSV record (quoted fields may hold commas, doubled quotes and line breaks);
// at ends the position after the record.
QStringList csvRecord(const QString& text, qsizetype& at) {
    QStringList fields;
    QString field;
    bool quoted = false;
    for (; at < text.size(); ++at) {
        const QChar c = text.at(at);
        if (quoted) {
            if (c == '"' && at + 1 < text.size() && text.at(at + 1) == '"')
                field += '"', ++at;
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields << std::exchange(field, QString());
        } else if (c == '\n') {
            ++at;
            break;
        } else if (c != '\r') {
            field += c;
        }
    }
    fields << field;
    return fields;
}

// The row total of the question's row on the page: the rightmost number that is no percentage.
double rowTotal(QSqlQuery& rows, const QString& question) {
    struct Text {
        int page;
        double x, y;
        QString text;
    };
    QList<Text> texts;
    while (rows.next())
        texts.append({rows.value(0).toInt(), rows.value(1).toDouble(), rows.value(2).toDouble(),
                      rows.value(3).toString().trimmed()});
    for (const Text& label : texts) {
        if (label.text != question)
            continue;
        double total = -1;
        double rightmost = label.x;
        for (const Text& cell : texts) {
            if (cell.page == label.page && qAbs(cell.y - label.y) < 1 && cell.x > rightmost &&
                !cell.text.endsWith('%')) {
                rightmost = cell.x;
                total = QString(cell.text).remove(',').toDouble();
            }
        }
        return total;
    }
    return -1;
}

} // namespace

QHash<QString, int> tagsInCatalog(const Database& db, qint64 templateKey, qint64 tagField) {
    QHash<QString, int> tags;
    QSqlQuery rows = db.query(QStringLiteral("SELECT f.EnteredValue FROM Evaluation e LEFT JOIN EvaluationField f ON "
                                             "f.EvaluationKey = e.EvaluationKey AND f.TemplateFieldKey = ? "
                                             "WHERE e.TemplateKey = ?"),
                              {tagField, templateKey});
    while (rows.next())
        ++tags[rows.value(0).toString()];
    return tags;
}

double summaryCount(const QString& home, qint64 templateKey, const QString& pdf) {
    QString out;
    if (!BenchCli::run(home,
                       {QStringLiteral("report"), QStringLiteral("run"), QStringLiteral("Group Summary by Group"),
                        QStringLiteral("--template"), QString::number(templateKey), QStringLiteral("--all-evaluations"),
                        QStringLiteral("--pdf"), pdf, QStringLiteral("--keep")},
                       &out))
        return -1;
    const int key = out.section(QStringLiteral("Report key: "), 1).section('\n', 0, 0).toInt();
    double total = -1;
    {
        QSqlDatabase reports = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fieldday-report"));
        reports.setDatabaseName(home + QStringLiteral("/data/Report.db"));
        QSqlQuery rows(reports);
        if (reports.open() &&
            rows.exec(QStringLiteral("SELECT ReportPage, X1, Y1, DetailData FROM ReportDetail WHERE ReportKey = %1 AND "
                                     "DetailData IS NOT NULL")
                          .arg(key)))
            total = rowTotal(rows, QStringLiteral("Counted"));
        reports.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fieldday-report"));
    if (total < 0)
        std::fprintf(stderr, "The group summary (report %d) shows no total for \"Counted\"\n", key);
    return total;
}

QHash<QString, int> tagsInExport(const QString& home, qint64 templateKey, const QString& csv) {
    QFile file(csv);
    if (!BenchCli::run(home, {QStringLiteral("export"), QStringLiteral("evaluations"), QStringLiteral("--template"),
                              QString::number(templateKey), QStringLiteral("--out"), csv}) ||
        !file.open(QIODevice::ReadOnly))
        return {{QString(), -1}};
    const QString text = QString::fromUtf8(file.readAll());
    qsizetype at = 0;
    const qsizetype column = csvRecord(text, at).indexOf(QStringLiteral("Tag"));
    if (column < 0) {
        std::fprintf(stderr, "The CSV export has no column \"Tag\"\n");
        return {{QString(), -1}};
    }
    QHash<QString, int> tags;
    while (at < text.size())
        ++tags[csvRecord(text, at).value(column)];
    return tags;
}

} // namespace FieldDayCheck
