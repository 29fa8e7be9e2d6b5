#include "UnitSimulator.h"

#include "EvaluationFileWriter.h"
#include "FileNames.h"
#include "KestrivoError.h"
#include "TemplateFileReader.h"
#include "UnitEvaluationFolder.h"
#include "UnitFolders.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <algorithm>

namespace {

constexpr int TbcPercent = 10;
constexpr int TickPercent = 25;
constexpr int DateSpanDays = 60;

const char* const Words[] = {"Clean", "Tidy", "Checked", "Ready", "Good",  "Fair", "North",
                             "South", "East", "West",    "Blue",  "Green", "Oak",  "Pine"};

struct Entry {
    QString text;
    qint32 valueKey = 0;
};

Entry valueFor(const UnitTemplate::Field& field, QRandomGenerator& random) {
    const int length = qMax(1, field.length);
    switch (field.type) {
    case FieldType::Numeric: {
        const int digits = qMin(length, 4);
        int limit = 1;
        for (int i = 0; i < digits; ++i)
            limit *= 10;
        return {QString::number(random.bounded(limit)), 0};
    }
    case FieldType::Dropdown: {
        if (field.values.isEmpty())
            return {QString(), 0};
        const UnitTemplate::Value& value = field.values.at(random.bounded(int(field.values.size())));
        return {value.text, value.key};
    }
    case FieldType::Date:
        return {QDate::currentDate().addDays(-random.bounded(DateSpanDays)).toString(QStringLiteral("MM/dd/yy")), 0};
    default: {
        QString text = QString::fromLatin1(Words[random.bounded(int(std::size(Words)))]);
        if (random.bounded(2) == 1)
            text += QLatin1Char(' ') + QString::fromLatin1(Words[random.bounded(int(std::size(Words)))]);
        return {text.left(length), 0};
    }
    }
}

QList<int> tickedEntries(int entries, int ticks, QRandomGenerator& random) {
    QList<int> ticked;
    if (ticks == UnitSimulator::RandomTicks) {
        for (int i = 0; i < entries; ++i) {
            if (random.bounded(100) < TickPercent)
                ticked << i;
        }
        return ticked;
    }
    QList<int> order;
    for (int i = 0; i < entries; ++i)
        order << i;
    for (int i = entries - 1; i > 0; --i)
        order.swapItemsAt(i, random.bounded(i + 1));
    ticked = order.mid(0, qMin(ticks, entries));
    std::sort(ticked.begin(), ticked.end());
    return ticked;
}

} // namespace

UnitSimulator::UnitSimulator(QString root, QString templateFolder, QString evaluationFolder)
    : m_root(std::move(root)), m_templateFolder(std::move(templateFolder)),
      m_evaluationFolder(std::move(evaluationFolder)) {}

QString UnitSimulator::templateFolderPath() const {
    return UnitFolders::below(m_root, m_templateFolder);
}

QString UnitSimulator::evaluationFolderPath() const {
    return UnitFolders::below(m_root, m_evaluationFolder);
}

void UnitSimulator::init() const {
    UnitFolders::create(m_root, m_templateFolder, m_evaluationFolder);
}

UnitTemplate UnitSimulator::readTemplate(const QString& templateFileName) const {
    if (!FileNames::isBareFileName(templateFileName))
        throw KestrivoError(ErrorNumber::FileAccess,
                            QStringLiteral("%1 is not a file name of the template folder.").arg(templateFileName));
    QFile file(templateFolderPath() + templateFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw KestrivoError(
            ErrorNumber::FileAccess,
            QStringLiteral("The template file %1 cannot be read: %2").arg(file.fileName(), file.errorString()));
    return TemplateFileReader::read(file.readAll());
}

UnitEvaluation UnitSimulator::evaluation(const UnitTemplate& unitTemplate, QRandomGenerator& random, int ticks,
                                         int serial) const {
    UnitEvaluation evaluation;
    evaluation.stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                       QStringLiteral(" #%1").arg(serial);
    evaluation.templateKey = unitTemplate.templateKey;
    for (const UnitTemplate::Field& field : unitTemplate.fields) {
        const Entry entry = valueFor(field, random);
        if (field.group)
            evaluation.groupKey = entry.valueKey;
        evaluation.fields.append({field.key, entry.text, entry.valueKey});
    }
    for (const UnitTemplate::Question& question : unitTemplate.questions) {
        UnitEvaluation::Question answered;
        answered.key = question.key;
        answered.answer =
            question.answers.isEmpty() ? QString() : question.answers.at(random.bounded(int(question.answers.size())));
        answered.tbc = random.bounded(100) < TbcPercent;
        for (int entry : tickedEntries(int(question.pickLists.size()), ticks, random))
            answered.ticked << question.pickLists.at(entry).key;
        evaluation.questions.append(answered);
    }
    return evaluation;
}

QStringList UnitSimulator::fill(const QString& templateFileName, int count, quint32 seed, int ticks) const {
    const UnitTemplate unitTemplate = readTemplate(templateFileName);
    const QString folder = evaluationFolderPath();
    if (!QDir(folder).exists())
        throw KestrivoError(ErrorNumber::FileAccess,
                            QStringLiteral("The evaluation folder %1 does not exist; run init first.").arg(folder));
    UnitEvaluationFolder unitFolder(folder);
    QRandomGenerator random(seed);
    QStringList written;
    for (int serial = 1; serial <= count; ++serial) {
        const UnitEvaluation filled = evaluation(unitTemplate, random, ticks, serial);
        written << unitFolder.store(EvaluationFileWriter::baseName(unitTemplate, filled),
                                    EvaluationFileWriter::Extension, EvaluationFileWriter::write(filled));
    }
    return written;
}
