#include "EvaluationExport.h"

#include "Database.h"
#include "FieldText.h"
#include "KestrivoError.h"
#include "KeySlices.h"
#include "PostgresArray.h"
#include "ReportLists.h"
#include "ReportSnapshot.h"
#include "SqliteRows.h"

#include <QIODevice>
#include <QSqlQuery>

#include <algorithm>
#include <memory>
#include <numeric>
#include <optional>
#include <utility>

namespace {

// Evaluations read with one set of statements: few round trips, a bounded line buffer.
constexpr qsizetype SliceSize = 1000;

void send(QIODevice& out, const QByteArray& bytes) {
    if (out.write(bytes) != bytes.size())
        throw KestrivoError(ErrorNumber::General,
                            QStringLiteral("The CSV file cannot be written: %1").arg(out.errorString()));
}

bool needsQuotes(const QByteArray& utf8) {
    for (const char c : utf8)
        if (c == ',' || c == '"' || c == '\n' || c == '\r')
            return true;
    return false;
}

// Appends the field as field() quotes it; in UTF-8 the four characters that call for quotes
// are single bytes that no other character contains.
void append(QByteArray& line, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    if (!needsQuotes(utf8)) {
        line += utf8;
        return;
    }
    line += '"';
    for (const char c : utf8) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

// A query read through the calls of SqliteRows, so that one loop reads either.
struct QueryRows {
    QSqlQuery query;
    bool next() { return query.next(); }
    qint64 integer(int column) const { return query.value(column).toLongLong(); }
    bool isNull(int column) const { return query.isNull(column); }
    QString fieldText(int column) const { return FieldText(query.value(column)); }
};

} // namespace

EvaluationExport::EvaluationExport(const Database& database) : m_database(database) {}

QString EvaluationExport::field(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QByteArray EvaluationExport::record(const QStringList& fields) {
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& text : fields)
        quoted << field(text);
    return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

qint64 EvaluationExport::write(QIODevice& out, qint64 templateKey, const QList<qint64>& evaluationKeys) {
    ReportSnapshot snapshot(m_database);
    const qsizetype count = evaluationKeys.size();
    qint64 written = 0;
    const auto sendSlice = [&](QByteArray& bytes, qint64 rows, qsizetype done) {
        send(out, bytes);
        bytes.clear();
        written += rows;
        if (m_progress)
            m_progress(int(std::min(done, count)), int(count));
    };
    // Every other slice is read and encoded on a second connection meanwhile, on a processor of
    // its own. What its job writes to is declared before it, to outlive a job still running when
    // this throws. On SQLite it begins reading together with this connection, before anything
    // is read here.
    std::optional<EvaluationExport> other;
    QByteArray otherBytes;
    qint64 otherRows = 0;
    std::unique_ptr<ConnectionThread> second;
    if (count > SliceSize)
        second = snapshot.secondReader(
            [&other, templateKey](const Database& connection) {
                other.emplace(connection);
                other->readColumns(templateKey);
            },
            [&other](const Database&) { other.reset(); });
    send(out, record(readColumns(templateKey)));
    QByteArray bytes;
    for (qsizetype first = 0; first < count;) {
        const qsizetype next = first + SliceSize;
        const bool paired = second && next < count;
        if (paired)
            second->start([&, next](const Database&) {
                otherRows = other->encodeSlice(templateKey, evaluationKeys.mid(next, SliceSize), otherBytes);
            });
        const qint64 rows = encodeSlice(templateKey, evaluationKeys.mid(first, SliceSize), bytes);
        sendSlice(bytes, rows, next);
        if (paired) {
            second->finish();
            sendSlice(otherBytes, otherRows, next + SliceSize);
        }
        first = paired ? next + SliceSize : next;
    }
    return written;
}

QStringList EvaluationExport::readColumns(qint64 templateKey) {
    m_fieldColumn.clear();
    m_questionColumn.clear();
    m_questionLabels.clear();
    m_pickEntries.clear();
    m_lastDownloaded.clear();
    m_lastDownloadedText.clear();
    QStringList header{QStringLiteral("EvaluationKey"), QStringLiteral("Template"), QStringLiteral("Group"),
                       QStringLiteral("FileName"), QStringLiteral("Downloaded")};
    QSqlQuery fields = m_database.query(QStringLiteral("SELECT TemplateFieldKey, FieldLabel FROM TemplateField WHERE "
                                                       "TemplateKey=? ORDER BY Sequence, TemplateFieldKey"),
                                        {templateKey});
    while (fields.next()) {
        m_fieldColumn.insert(fields.value(0).toLongLong(), int(m_fieldColumn.size()));
        header << fields.value(1).toString();
    }
    m_fieldCount = int(m_fieldColumn.size());
    QSqlQuery questions = m_database.query(QStringLiteral("SELECT TemplateQuestionKey, Question FROM TemplateQuestion "
                                                          "WHERE TemplateKey=? ORDER BY Sequence, TemplateQuestionKey"),
                                           {templateKey});
    while (questions.next()) {
        const QString label = questions.value(1).toString();
        m_questionColumn.insert(questions.value(0).toLongLong(), int(m_questionColumn.size()));
        header << label << label + QStringLiteral(" TBC") << label + QStringLiteral(" Pick List");
    }
    m_answers = QList<Answer>(m_questionColumn.size());
    // The template's own pick-list entries, so that an answer's ticks need no join to name them.
    QSqlQuery entries = m_database.query(
        QStringLiteral("SELECT TemplatePickListKey, Name, TemplatePickList.Sequence FROM TemplatePickList INNER JOIN "
                       "TemplateQuestion ON TemplatePickList.TemplateQuestionKey = "
                       "TemplateQuestion.TemplateQuestionKey WHERE TemplateQuestion.TemplateKey=?"),
        {templateKey});
    while (entries.next())
        m_pickEntries.insert(entries.value(0).toLongLong(),
                             {true, entries.value(1).toString(), entries.value(2).toInt()});
    return header;
}

// Evaluations added together share their time; each distinct one is converted once.
const QString& EvaluationExport::downloaded(const QVariant& value) {
    if (value != m_lastDownloaded) {
        m_lastDownloaded = value;
        m_lastDownloadedText = ReportLists::downloadedTime(value).toString(Qt::ISODate);
    }
    return m_lastDownloadedText;
}

const EvaluationExport::PickEntry& EvaluationExport::pickEntry(qint64 key) {
    auto found = m_pickEntries.find(key);
    if (found != m_pickEntries.end())
        return *found;
    // An entry of another template's question: read once.
    QSqlQuery entry = m_database.query(
        QStringLiteral("SELECT Name, Sequence FROM TemplatePickList WHERE TemplatePickListKey=?"), {key});
    PickEntry read;
    if (entry.next())
        read = {true, entry.value(0).toString(), entry.value(1).toInt()};
    return *m_pickEntries.insert(key, read);
}

qint64 EvaluationExport::encodeSlice(qint64 templateKey, const QList<qint64>& keys, QByteArray& bytes) {
    const KeySet slice(m_database, keys);

    m_lines.clear();
    // The slice's keys find its evaluations. Without statistics SQLite would rather walk the
    // template's index, every evaluation of the template for each slice; the unary plus keeps
    // the template a check on the rows found.
    QSqlQuery evaluations = m_database.querySlice(
        QStringLiteral("SELECT Evaluation.EvaluationKey, Template.Name, TemplateFieldValue.FieldValue, "
                       "Evaluation.FileName, Evaluation.Downloaded FROM (Evaluation INNER JOIN Template ON "
                       "Evaluation.TemplateKey = Template.TemplateKey) LEFT JOIN TemplateFieldValue ON "
                       "Evaluation.EvaluationGroupKey = TemplateFieldValue.TemplateFieldValueKey WHERE "
                       "+Evaluation.TemplateKey=? AND Evaluation.EvaluationKey %1")
            .arg(slice.condition),
        {templateKey, slice.value});
    while (evaluations.next()) {
        QByteArray head;
        append(head, FieldText(evaluations.value(0)));
        for (int column = 1; column <= 3; ++column) {
            head += ',';
            append(head, evaluations.value(column).toString());
        }
        head += ',';
        append(head, downloaded(evaluations.value(4)));
        m_lines.insert(evaluations.value(0).toLongLong(), {head, {}, {}});
    }
    evaluations.finish();
    if (m_lines.isEmpty())
        return 0;
    encodeFields(slice);
    encodeAnswers(slice);

    // An evaluation without field or answer rows has empty columns.
    const QByteArray noFields(m_fieldCount, ',');
    const QByteArray noAnswers(3 * m_answers.size(), ',');
    qint64 written = 0;
    for (qint64 key : keys) {
        const auto line = m_lines.constFind(key);
        if (line == m_lines.constEnd())
            continue;
        bytes += line->head;
        bytes += line->fields.isEmpty() ? noFields : line->fields;
        bytes += line->answers.isEmpty() ? noAnswers : line->answers;
        bytes += "\r\n";
        ++written;
    }
    return written;
}

void EvaluationExport::encodeFields(const KeySet& slice) {
    // A field entered twice keeps its first value.
    QSqlQuery fields = m_database.querySlice(QStringLiteral("SELECT EvaluationKey, TemplateFieldKey, EnteredValue FROM "
                                                            "EvaluationField WHERE EvaluationKey %1 ORDER BY "
                                                            "EvaluationKey, EvaluationFieldKey")
                                                 .arg(slice.condition),
                                             {slice.value});
    QList<QString> entered(m_fieldCount);
    QList<bool> set(m_fieldCount, false);
    qint64 current = 0;
    const auto flush = [&] {
        const auto line = m_lines.find(current);
        if (line != m_lines.end())
            for (int column = 0; column < m_fieldCount; ++column) {
                line->fields += ',';
                append(line->fields, entered.at(column));
            }
        entered.fill(QString());
        set.fill(false);
    };
    while (fields.next()) {
        const qint64 key = fields.value(0).toLongLong();
        if (key != current) {
            if (current != 0)
                flush();
            current = key;
        }
        const int column = m_fieldColumn.value(fields.value(1).toLongLong(), -1);
        if (column >= 0 && !set.at(column)) {
            set[column] = true;
            entered[column] = FieldText(fields.value(2));
        }
    }
    if (current != 0)
        flush();
}

template <typename Rows> void EvaluationExport::readAnswers(Rows& rows, bool withTicks) {
    QList<bool> taken(m_answers.size(), false);
    qint64 current = 0;
    qint64 currentAnswer = 0;
    bool kept = false;
    while (rows.next()) {
        if (const qint64 key = rows.integer(0); key != current) {
            current = key;
            taken.fill(false);
        }
        if (const qint64 answerKey = rows.integer(1); answerKey != currentAnswer) {
            currentAnswer = answerKey;
            const int column = m_questionColumn.value(rows.integer(2), -1);
            kept = column >= 0 && !std::exchange(taken[column], true);
            if (kept)
                m_given.append(
                    {current, answerKey, column, rows.fieldText(3), rows.integer(4) != 0, m_ticked.size(), 0});
        }
        if (withTicks && kept && !rows.isNull(5)) {
            m_ticked << rows.integer(5);
            ++m_given.last().tickCount;
        }
    }
}

void EvaluationExport::encodeAnswers(const KeySet& slice) {
    // Each evaluation's first answer to a question, with the entries ticked for it. SQLite
    // looks the ticks up in the same statement, in its own process and at no cost, and its
    // million rows are read without a QVariant of each value. PostgreSQL spends about two
    // microseconds on each lookup, most of a slice's time: it reads them after, by ranges of
    // answers.
    m_given.clear();
    m_ticked.clear();
    if (m_database.engine() == DatabaseEngine::SQLite) {
        SqliteRows rows(m_database,
                        slice.in(QStringLiteral(
                            "SELECT EvaluationQuestion.EvaluationKey, EvaluationQuestion.EvaluationQuestionKey, "
                            "EvaluationQuestion.TemplateQuestionKey, EvaluationQuestion.Answer, "
                            "EvaluationQuestion.TBCCheck, Picks.TemplatePickListKey FROM EvaluationQuestion LEFT JOIN "
                            "EvaluationPickList Picks ON Picks.EvaluationQuestionKey = "
                            "EvaluationQuestion.EvaluationQuestionKey WHERE EvaluationQuestion.EvaluationKey IN (%1) "
                            "ORDER BY EvaluationQuestion.EvaluationKey, EvaluationQuestion.EvaluationQuestionKey, "
                            "Picks.EvaluationPickListKey")),
                        {slice.value});
        readAnswers(rows, true);
    } else {
        QueryRows rows{m_database.querySlice(
            QStringLiteral("SELECT EvaluationKey, EvaluationQuestionKey, TemplateQuestionKey, Answer, TBCCheck FROM "
                           "EvaluationQuestion WHERE EvaluationKey %1 ORDER BY EvaluationKey, EvaluationQuestionKey")
                .arg(slice.condition),
            {slice.value})};
        readAnswers(rows, false);
        rows.query.finish();
        readTicks();
    }

    qint64 current = 0;
    const auto flush = [&] {
        const auto line = m_lines.find(current);
        if (line != m_lines.end())
            line->answers = encodedAnswers();
        for (Answer& each : m_answers)
            each = {};
    };
    for (const GivenAnswer& each : std::as_const(m_given)) {
        if (each.evaluation != current) {
            if (current != 0)
                flush();
            current = each.evaluation;
        }
        Answer& answer = m_answers[each.column];
        answer = {true, each.answer, each.tbc, {}};
        for (qsizetype tick = each.firstTick; tick < each.firstTick + each.tickCount; ++tick) {
            const PickEntry& entry = pickEntry(m_ticked.at(tick));
            if (entry.exists)
                answer.ticks.append({entry.sequence, entry.name});
        }
    }
    if (current != 0)
        flush();
}

void EvaluationExport::readTicks() {
    if (m_given.isEmpty())
        return;
    // The answers in the order of their keys. An evaluation's answers are added together and
    // take keys that follow each other, so they come to a few runs, each one range of the index.
    QList<qsizetype> byKey(m_given.size());
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(),
              [this](qsizetype a, qsizetype b) { return m_given.at(a).answerKey < m_given.at(b).answerKey; });
    PostgresArray lows;
    PostgresArray highs;
    for (qsizetype first = 0; first < byKey.size();) {
        qsizetype last = first;
        while (last + 1 < byKey.size() &&
               m_given.at(byKey.at(last + 1)).answerKey == m_given.at(byKey.at(last)).answerKey + 1)
            ++last;
        lows.append(m_given.at(byKey.at(first)).answerKey);
        highs.append(m_given.at(byKey.at(last)).answerKey);
        first = last + 1;
    }
    QSqlQuery rows = m_database.querySlice(
        QStringLiteral("SELECT Picks.EvaluationQuestionKey, Picks.TemplatePickListKey FROM "
                       "unnest(CAST(? AS BIGINT[]), CAST(? AS BIGINT[])) AS Run(Low, High) CROSS JOIN LATERAL "
                       "(SELECT EvaluationQuestionKey, TemplatePickListKey, EvaluationPickListKey FROM "
                       "EvaluationPickList WHERE EvaluationQuestionKey BETWEEN Run.Low AND Run.High OFFSET 0) "
                       "Picks ORDER BY Picks.EvaluationQuestionKey, Picks.EvaluationPickListKey"),
        {lows.literal(), highs.literal()});
    // Rows and answers both in key order: one walk pairs them.
    qsizetype next = 0;
    while (rows.next()) {
        const qint64 answerKey = rows.value(0).toLongLong();
        while (next < byKey.size() && m_given.at(byKey.at(next)).answerKey < answerKey)
            ++next;
        if (next == byKey.size())
            break;
        GivenAnswer& answer = m_given[byKey.at(next)];
        if (answer.answerKey != answerKey)
            continue;
        if (answer.tickCount++ == 0)
            answer.firstTick = m_ticked.size();
        m_ticked << rows.value(1).toLongLong();
    }
}

QByteArray EvaluationExport::encodedAnswers() {
    QByteArray encoded;
    for (Answer& answer : m_answers) {
        if (!answer.given) {
            encoded += ",,,";
            continue;
        }
        encoded += ',';
        append(encoded, answer.answer);
        encoded += answer.tbc ? ",Y," : ",N,";
        // Ticks in the entries' order; those of one place in the order they were ticked.
        std::stable_sort(answer.ticks.begin(), answer.ticks.end(),
                         [](const Tick& a, const Tick& b) { return a.sequence < b.sequence; });
        QStringList names;
        for (const Tick& tick : std::as_const(answer.ticks))
            names << tick.name;
        append(encoded, names.join(QStringLiteral("; ")));
    }
    return encoded;
}
