#include "CliCommand.h"

#include "DataEnvironment.h"
#include "EntryRules.h"
#include "EvaluationEditor.h"
#include "EvaluationEditorCommands.h"
#include "EvaluationFileList.h"
#include "EvaluationWriter.h"
#include "FieldText.h"
#include "KestrivoError.h"

#include <cstdio>

namespace {

const char* const Usage = "evaluation list [--template KEY] [--group KEY] [--begin mm/dd/yy] [--end mm/dd/yy]\n"
                          "       evaluation show KEY\n"
                          "       evaluation delete KEY";

int usage() {
    std::fprintf(stderr, "kestrivo-cli: usage: %s\n", Usage);
    return 2;
}

bool keyOf(const QString& text, qint64& key) {
    bool whole = false;
    key = text.toLongLong(&whole);
    return whole && key >= 0;
}

// The options of "list", with the open dialog's first filters where one is not given.
bool parseFilter(const QStringList& options, EvaluationFileList::Filter& filter) {
    filter.begin = *EntryRules::parseDate(EvaluationFileList::FirstBegin);
    filter.end = *EntryRules::parseDate(EvaluationFileList::FirstEnding);
    for (qsizetype i = 0; i < options.size(); i += 2) {
        const QString& option = options.at(i);
        if (i + 1 >= options.size()) {
            std::fprintf(stderr, "kestrivo-cli: %s needs a value\n", qPrintable(option));
            return false;
        }
        const QString& value = options.at(i + 1);
        if (option == QLatin1String("--template") || option == QLatin1String("--group")) {
            if (!keyOf(value, option == QLatin1String("--template") ? filter.templateKey : filter.groupKey)) {
                std::fprintf(stderr, "kestrivo-cli: %s needs a key (a whole number), not %s\n", qPrintable(option),
                             qPrintable(value));
                return false;
            }
        } else if (option == QLatin1String("--begin") || option == QLatin1String("--end")) {
            const std::optional<QDate> date = EntryRules::parseDate(value);
            if (!date) {
                std::fprintf(stderr, "kestrivo-cli: %s needs a date mm/dd/yy naming a real day, not %s\n",
                             qPrintable(option), qPrintable(value));
                return false;
            }
            (option == QLatin1String("--begin") ? filter.begin : filter.end) = *date;
        } else {
            std::fprintf(stderr, "kestrivo-cli: unknown option %s\n", qPrintable(option));
            return false;
        }
    }
    return true;
}

int list(const QStringList& options) {
    EvaluationFileList::Filter filter;
    if (!parseFilter(options, filter))
        return 2;
    if (!openProgramDatabase())
        return 1;
    const QList<EvaluationFileList::Entry> found =
        EvaluationFileList::evaluations(DataEnvironment::instance().cnnConnection(), filter);
    std::printf("%s\n", qPrintable(EvaluationFileList::headingLine()));
    for (const EvaluationFileList::Entry& entry : found)
        std::printf("%s\t%lld\n", qPrintable(entry.text), static_cast<long long>(entry.key));
    return 0;
}

// The FileName of the evaluation; false after saying there is none of that key.
bool evaluationNamed(const Database& database, qint64 key, QString& fileName) {
    const QVariant found =
        database.scalar(QStringLiteral("SELECT FileName FROM Evaluation WHERE EvaluationKey=?"), {key});
    if (!found.isValid()) {
        std::fprintf(stderr, "kestrivo-cli: no evaluation has the key %lld\n", static_cast<long long>(key));
        return false;
    }
    fileName = FieldText(found);
    return true;
}

// The evaluation as the editor shows it once opened: template items marked deleted included.
int show(qint64 key) {
    const Database& database = DataEnvironment::instance().cnnConnection();
    QString fileName;
    if (!evaluationNamed(database, key, fileName))
        return 1;
    EvaluationEditor editor(database);
    EvaluationEditorCommands commands(editor, database);
    if (!commands.openEvaluationKey(key))
        return 1;
    QSqlQuery names = database.query(
        QStringLiteral("SELECT Template.Name, TemplateFieldValue.FieldValue FROM Evaluation INNER JOIN Template ON "
                       "Template.TemplateKey = Evaluation.TemplateKey LEFT JOIN TemplateFieldValue ON "
                       "TemplateFieldValue.TemplateFieldValueKey = Evaluation.EvaluationGroupKey WHERE "
                       "EvaluationKey=?"),
        {key});
    names.next();
    std::printf("File name: %s\nTemplate: %s\nGroup: %s\n\nFields:\n", qPrintable(editor.fileNameText()),
                qPrintable(FieldText(names.value(0))), qPrintable(FieldText(names.value(1))));
    for (int slot = 1; slot <= editor.fieldCount(); ++slot)
        std::printf("  %s: %s\n", qPrintable(editor.slot(slot).caption), qPrintable(editor.slot(slot).currentText()));
    std::printf("\nQuestions:\n");
    int number = 0;
    for (const EvaluationForm::Question& question : editor.questions()) {
        QStringList ticked;
        for (const EvaluationForm::PickEntry& entry : question.pickEntries) {
            if (entry.ticked)
                ticked << entry.name;
        }
        std::printf("  %d. %s\n     Answer: %s\n     TBC: %s\n     Ticked: %s\n", ++number, qPrintable(question.text),
                    qPrintable(question.answer), question.tbc ? "Yes" : "No",
                    qPrintable(ticked.join(QStringLiteral(", "))));
    }
    return 0;
}

int remove(qint64 key) {
    const Database& database = DataEnvironment::instance().cnnConnection();
    QString fileName;
    if (!evaluationNamed(database, key, fileName))
        return 1;
    if (!EvaluationWriter::remove(database, key)) {
        std::fprintf(stderr, "kestrivo-cli: the evaluation %lld was deleted meanwhile\n", static_cast<long long>(key));
        return 1;
    }
    std::printf("Deleted evaluation %lld (%s)\n", static_cast<long long>(key), qPrintable(fileName));
    return 0;
}

int evaluation(const QStringList& arguments) {
    const QString action = arguments.value(0);
    if (action == QLatin1String("list"))
        return list(arguments.mid(1));
    qint64 key = 0;
    if ((action != QLatin1String("show") && action != QLatin1String("delete")) || arguments.size() != 2 ||
        !keyOf(arguments.at(1), key))
        return usage();
    if (!openProgramDatabase())
        return 1;
    try {
        return action == QLatin1String("show") ? show(key) : remove(key);
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "kestrivo-cli: %s\n", qPrintable(error.description()));
        return 1;
    }
}

} // namespace

QList<CliCommand> evaluationCommands() {
    return {
        {QStringLiteral("evaluation"), QStringLiteral("evaluation list | show KEY | delete KEY"),
         QStringLiteral("list evaluations (--template KEY, --group KEY, --begin and --end mm/dd/yy), show one as "
                        "the editor does, or delete one"),
         evaluation},
    };
}
