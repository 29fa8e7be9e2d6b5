#include "CliCommand.h"

#include "DataEnvironment.h"
#include "EntryRules.h"
#include "EvaluationEditor.h"
#include "EvaluationEditorCommands.h"
#include "EvaluationFileList.h"
#include "EvaluationHistory.h"
#include "EvaluationHistoryList.h"
#include "EvaluationSetter.h"
#include "EvaluationWriter.h"
#include "FieldText.h"
#include "KestrivoError.h"

#include <cstdio>

namespace {

const char* const Usage =
    "evaluation list [--template KEY] [--group KEY] [--begin mm/dd/yy] [--end mm/dd/yy]\n"
    "       evaluation show KEY\n"
    "       evaluation set KEY [--field LABEL=VALUE]... [--answer N=TEXT]... [--tbc N=on|off]...\n"
    "                          [--tick N=ENTRY]... [--untick N=ENTRY]...\n"
    "       evaluation history KEY\n"
    "       evaluation delete KEY\n"
    "       evaluation deleted\n"
    "       evaluation restore KEY";

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
    if (!EvaluationWriter::remove(database, key, EvaluationHistory::Means::CommandLine)) {
        std::fprintf(stderr, "kestrivo-cli: the evaluation %lld was deleted meanwhile\n", static_cast<long long>(key));
        return 1;
    }
    std::printf("Deleted evaluation %lld (%s)\n", static_cast<long long>(key), qPrintable(fileName));
    return 0;
}

int restore(qint64 key) {
    const Database& database = DataEnvironment::instance().cnnConnection();
    EvaluationWriter::restore(database, key);
    QString fileName;
    evaluationNamed(database, key, fileName);
    std::printf("Restored evaluation %lld (%s)\n", static_cast<long long>(key), qPrintable(fileName));
    return 0;
}

int listDeleted() {
    std::printf("KEY\tFILE NAME\tTEMPLATE\tDELETED\tBY\n");
    for (const EvaluationHistory::DeletedEvaluation& evaluation :
         EvaluationHistory::deleted(DataEnvironment::instance().cnnConnection()))
        std::printf("%lld\t%s\t%s\t%s\t%s\n", static_cast<long long>(evaluation.evaluationKey),
                    qPrintable(evaluation.fileName), qPrintable(evaluation.templateName),
                    qPrintable(evaluation.deletion.when()), qPrintable(evaluation.deletion.who()));
    return 0;
}

int history(qint64 key) {
    const Database& database = DataEnvironment::instance().cnnConnection();
    const QList<EvaluationHistory::Record> records = EvaluationHistory::of(database, key);
    if (records.isEmpty() &&
        !database.scalar(QStringLiteral("SELECT 1 FROM Evaluation WHERE EvaluationKey=?"), {key}).isValid()) {
        std::fprintf(stderr, "kestrivo-cli: no evaluation has the key %lld\n", static_cast<long long>(key));
        return 1;
    }
    for (const EvaluationHistory::Record& record : records)
        std::printf("%s\n", qPrintable(EvaluationHistoryList::tabSeparated(EvaluationHistoryList::lineOf(record))));
    return 0;
}

// "N=TEXT": the question's number and the text; false when N is no number from 1.
bool numbered(const QString& option, const QString& value, int& number, QString& text) {
    const qsizetype equals = value.indexOf('=');
    bool whole = false;
    number = value.left(equals).toInt(&whole);
    if (equals < 0 || !whole || number < 1) {
        std::fprintf(stderr, "kestrivo-cli: %s needs N=VALUE with N a question number from 1, not %s\n",
                     qPrintable(option), qPrintable(value));
        return false;
    }
    text = value.mid(equals + 1);
    return true;
}

bool addChange(const QString& option, const QString& value, EvaluationSetter::Request& request) {
    if (option == QLatin1String("--field")) {
        const qsizetype equals = value.indexOf('=');
        if (equals <= 0) {
            std::fprintf(stderr, "kestrivo-cli: --field needs LABEL=VALUE, not %s\n", qPrintable(value));
            return false;
        }
        request.fields.append({value.left(equals), value.mid(equals + 1)});
        return true;
    }
    int number = 0;
    QString text;
    if (option != QLatin1String("--answer") && option != QLatin1String("--tbc") && option != QLatin1String("--tick") &&
        option != QLatin1String("--untick")) {
        std::fprintf(stderr, "kestrivo-cli: unknown option %s\n", qPrintable(option));
        return false;
    }
    if (!numbered(option, value, number, text))
        return false;
    if (option == QLatin1String("--answer")) {
        request.answers.append({number, text});
    } else if (option == QLatin1String("--tbc")) {
        if (text != QLatin1String("on") && text != QLatin1String("off")) {
            std::fprintf(stderr, "kestrivo-cli: --tbc needs N=on or N=off, not %s\n", qPrintable(value));
            return false;
        }
        request.tbc.append({number, text == QLatin1String("on")});
    } else {
        (option == QLatin1String("--tick") ? request.ticks : request.unticks).append({number, text});
    }
    return true;
}

int set(qint64 key, const QStringList& options) {
    EvaluationSetter::Request request;
    for (qsizetype i = 0; i < options.size(); i += 2) {
        if (i + 1 >= options.size()) {
            std::fprintf(stderr, "kestrivo-cli: %s needs a value\n", qPrintable(options.at(i)));
            return 2;
        }
        if (!addChange(options.at(i), options.at(i + 1), request))
            return 2;
    }
    if (request.isEmpty())
        return usage();
    if (!openProgramDatabase())
        return 1;
    const Database& database = DataEnvironment::instance().cnnConnection();
    const EvaluationSetter::Result result =
        EvaluationSetter(database, EvaluationHistory::Means::CommandLine).apply(key, request);
    if (!result.applied) {
        std::fprintf(stderr, "kestrivo-cli: %s\n",
                     qPrintable(result.refusal.isEmpty() ? QStringLiteral("Nothing was changed.")
                                                         : result.refusal + QStringLiteral(" Nothing was changed.")));
        return 1;
    }
    QString fileName;
    evaluationNamed(database, key, fileName);
    if (result.changes.isEmpty()) {
        std::printf("Nothing to change in evaluation %lld (%s)\n", static_cast<long long>(key), qPrintable(fileName));
        return 0;
    }
    std::printf("Changed evaluation %lld (%s):\n", static_cast<long long>(key), qPrintable(fileName));
    for (const EvaluationHistory::Change& change : result.changes)
        std::printf("  %s: %s -> %s\n", qPrintable(change.what), qPrintable(change.oldValue),
                    qPrintable(change.newValue));
    return 0;
}

int withKey(const QString& action, qint64 key) {
    if (action == QLatin1String("show"))
        return show(key);
    if (action == QLatin1String("delete"))
        return remove(key);
    if (action == QLatin1String("restore"))
        return restore(key);
    return history(key);
}

int evaluation(const QStringList& arguments) {
    const QString action = arguments.value(0);
    if (action == QLatin1String("list"))
        return list(arguments.mid(1));
    qint64 key = 0;
    try {
        if (action == QLatin1String("set")) {
            if (arguments.size() < 2 || !keyOf(arguments.at(1), key))
                return usage();
            return set(key, arguments.mid(2));
        }
        if (action == QLatin1String("deleted") && arguments.size() == 1)
            return openProgramDatabase() ? listDeleted() : 1;
        static const QStringList keyed{QStringLiteral("show"), QStringLiteral("delete"), QStringLiteral("restore"),
                                       QStringLiteral("history")};
        if (!keyed.contains(action) || arguments.size() != 2 || !keyOf(arguments.at(1), key))
            return usage();
        if (!openProgramDatabase())
            return 1;
        return withKey(action, key);
    } catch (const KestrivoError& error) {
        return refuse(error.description(), 1);
    }
}

} // namespace

QList<CliCommand> evaluationCommands() {
    return {
        {QStringLiteral("evaluation"),
         QStringLiteral("evaluation list | show KEY | set KEY ... | history KEY | delete KEY | deleted | restore KEY"),
         QStringLiteral("list evaluations (--template KEY, --group KEY, --begin and --end mm/dd/yy), show one as "
                        "the editor does, change one as the editor would (--field LABEL=VALUE, --answer N=TEXT, "
                        "--tbc N=on|off, --tick and --untick N=ENTRY), print its history, delete one, list the "
                        "deleted ones, or restore one"),
         evaluation},
    };
}
