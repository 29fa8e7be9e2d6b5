#include "UnitSimulator.h"

#include "FileNames.h"
#include "KestrivoError.h"
#include "MountedFolderTransport.h"
#include "TemplateFileReader.h"
#include "Windows1252.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <algorithm>

namespace {

constexpr qint32 SimulatorError = 75;
constexpr int NameLength = 60;
constexpr int TbcPercent = 10;
constexpr int TickPercent = 25;
constexpr int DateSpanDays = 60;

const char* const Words[] = {"Clean", "Tidy", "Checked", "Ready", "Good",  "Fair", "North",
                             "South", "East", "West",    "Blue",  "Green", "Oak",  "Pine"};

// The file format has no escape for a double quote.
QString quotable(const QString& text) {
    return QString(text).replace('"', '\'');
}

QString quoted(const QString& text) {
    return QLatin1Char('"') + quotable(text) + QLatin1Char('"');
}

struct Entry {
    QString text;
    qint32 valueKey = 0;
};

Entry valueFor(const UnitTemplate::Field& field, QRandomGenerator& random) {
    const int length = qMax(1, field.length);
    switch (field.type) {
    case 1: {
        const int digits = qMin(length, 4);
        int limit = 1;
        for (int i = 0; i < digits; ++i)
            limit *= 10;
        return {QString::number(random.bounded(limit)), 0};
    }
    case 2: {
        if (field.values.isEmpty())
            return {QString(), 0};
        const UnitTemplate::Value& value = field.values.at(random.bounded(int(field.values.size())));
        return {value.text, value.key};
    }
    case 3:
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

QString localFolder(const QString& root, const QString& unitFolder) {
    const QString path = MountedFolderTransport::localPath(root, unitFolder);
    if (path.isEmpty())
        throw KestrivoError(SimulatorError,
                            QStringLiteral("The unit folder %1 is not a folder below the unit.").arg(unitFolder));
    return path + QLatin1Char('/');
}

} // namespace

UnitSimulator::UnitSimulator(QString root, QString templateFolder, QString evaluationFolder)
    : m_root(std::move(root)), m_templateFolder(std::move(templateFolder)),
      m_evaluationFolder(std::move(evaluationFolder)) {}

QString UnitSimulator::templateFolderPath() const {
    return localFolder(m_root, m_templateFolder);
}

QString UnitSimulator::evaluationFolderPath() const {
    return localFolder(m_root, m_evaluationFolder);
}

void UnitSimulator::init() const {
    for (const QString& folder : {templateFolderPath(), evaluationFolderPath()}) {
        if (!QDir().mkpath(folder))
            throw KestrivoError(SimulatorError, QStringLiteral("The folder %1 cannot be created.").arg(folder));
    }
}

UnitTemplate UnitSimulator::readTemplate(const QString& templateFileName) const {
    if (!FileNames::isBareFileName(templateFileName))
        throw KestrivoError(SimulatorError,
                            QStringLiteral("%1 is not a file name of the template folder.").arg(templateFileName));
    QFile file(templateFolderPath() + templateFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw KestrivoError(
            SimulatorError,
            QStringLiteral("The template file %1 cannot be read: %2").arg(file.fileName(), file.errorString()));
    return TemplateFileReader::read(file.readAll());
}

QByteArray UnitSimulator::evaluationFile(const UnitTemplate& unitTemplate, QRandomGenerator& random, int ticks,
                                         int serial, QString& fileName) const {
    QStringList lines;
    QHash<qint32, QString> entered;
    qint32 groupKey = 0;
    QStringList fieldLines;
    for (const UnitTemplate::Field& field : unitTemplate.fields) {
        const Entry entry = valueFor(field, random);
        entered.insert(field.key, entry.text);
        if (field.group)
            groupKey = entry.valueKey;
        fieldLines << QStringLiteral("\"*F*\",%1,%2,%3").arg(field.key).arg(quoted(entry.text)).arg(entry.valueKey);
    }
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                          QStringLiteral(" #%1").arg(serial);
    lines << QStringLiteral("\"*H*\",%1,%2,%3").arg(quoted(stamp)).arg(unitTemplate.templateKey).arg(groupKey);
    lines += fieldLines;
    for (const UnitTemplate::Question& question : unitTemplate.questions) {
        const QString answer =
            question.answers.isEmpty() ? QString() : question.answers.at(random.bounded(int(question.answers.size())));
        const int tbc = random.bounded(100) < TbcPercent ? 1 : 0;
        lines << QStringLiteral("\"*Q*\",%1,%2,%3").arg(question.key).arg(quoted(answer)).arg(tbc);
        for (int entry : tickedEntries(int(question.pickLists.size()), ticks, random))
            lines << QStringLiteral("\"*P*\",%1").arg(question.pickLists.at(entry).key);
    }

    QString name;
    for (qint32 key : unitTemplate.fileNameFields)
        name += entered.value(key);
    fileName = FileNames::CleanFileName(name).trimmed().left(NameLength);
    if (fileName.isEmpty())
        fileName = QStringLiteral("Evaluation");

    bool ok = false;
    const QByteArray bytes = Windows1252::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), &ok);
    if (!ok)
        throw KestrivoError(SimulatorError, QStringLiteral("The template holds text the unit cannot store."));
    return bytes;
}

QStringList UnitSimulator::fill(const QString& templateFileName, int count, quint32 seed, int ticks) const {
    const UnitTemplate unitTemplate = readTemplate(templateFileName);
    const QString folder = evaluationFolderPath();
    if (!QDir(folder).exists())
        throw KestrivoError(SimulatorError,
                            QStringLiteral("The evaluation folder %1 does not exist; run init first.").arg(folder));
    // The unit's file system ignores case: a name differing only in case is taken too.
    QSet<QString> taken;
    for (const QString& existing : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        taken.insert(existing.toLower());

    QRandomGenerator random(seed);
    QStringList written;
    for (int serial = 1; serial <= count; ++serial) {
        QString base;
        const QByteArray bytes = evaluationFile(unitTemplate, random, ticks, serial, base);
        QString name = base + EvaluationExtension;
        for (int number = 2; taken.contains(name.toLower()); ++number)
            name = base + QStringLiteral("_%1").arg(number) + EvaluationExtension;
        taken.insert(name.toLower());

        // Written under a hidden name and renamed when whole, so a listing never sees half a file.
        const QString partial = folder + QLatin1Char('.') + name + QStringLiteral(".partial");
        QFile file(partial);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
            const QString reason = file.errorString();
            file.close();
            QFile::remove(partial);
            throw KestrivoError(SimulatorError, QStringLiteral("The file %1 cannot be written: %2").arg(name, reason));
        }
        file.close();
        if (!QFile::rename(partial, folder + name)) {
            QFile::remove(partial);
            throw KestrivoError(SimulatorError, QStringLiteral("The file %1 cannot be written.").arg(folder + name));
        }
        written << name;
    }
    return written;
}
