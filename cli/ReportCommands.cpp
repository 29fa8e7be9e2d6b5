#include "CliCommand.h"

#include "AnswerChart.h"
#include "ConsoleStatus.h"
#include "DataEnvironment.h"
#include "EntryRules.h"
#include "EvaluationExport.h"
#include "EvaluationReport.h"
#include "GroupSummary.h"
#include "KestrivoError.h"
#include "ReportColumnFields.h"
#include "ReportLists.h"
#include "ReportOutput.h"
#include "ReportParameters.h"
#include "TemplateCatalog.h"
#include "TemplateListing.h"
#include "TrelkReportRecorder.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <cstdio>

namespace {

const char* const ReportUsage =
    "report list | report run NAME [--template KEY] [--group KEY]... [--begin mm/dd/yy] [--end mm/dd/yy] "
    "(--evaluation KEY... | --all-evaluations) [--pdf FILE] [--keep] | report columns NAME --template KEY [--add "
    "FIELDKEY] [--remove COLUMNKEY] | report template TEMPLATE [--pdf FILE] [--keep]";
const char* const ExportUsage =
    "export evaluations --template KEY [--group KEY]... [--begin mm/dd/yy] [--end mm/dd/yy] [--out FILE]";

int usage(const char* text) {
    std::fprintf(stderr, "kestrivo-cli: usage: %s\n", text);
    return 2;
}

// The arguments after a command: positional words, options with one value (repeatable), and
// flags. "--evaluation" takes every word up to the next option.
struct Arguments {
    QStringList words;
    QHash<QString, QStringList> values;
    QStringList flags;
    QString error;

    Arguments(const QStringList& arguments, const QStringList& valueOptions, const QStringList& flagOptions) {
        for (int i = 0; i < arguments.size(); ++i) {
            const QString& argument = arguments.at(i);
            if (!argument.startsWith(QStringLiteral("--"))) {
                words << argument;
            } else if (flagOptions.contains(argument)) {
                flags << argument;
            } else if (argument == QStringLiteral("--evaluation") && valueOptions.contains(argument)) {
                const int first = i + 1;
                while (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(QStringLiteral("--")))
                    values[argument] << arguments.at(++i);
                if (i < first)
                    error = QStringLiteral("--evaluation needs at least one key");
            } else if (valueOptions.contains(argument) && i + 1 < arguments.size()) {
                values[argument] << arguments.at(++i);
            } else {
                error = QStringLiteral("unknown option or missing value: %1").arg(argument);
            }
        }
    }
    QString value(const QString& option) const { return values.value(option).value(0); }
    bool has(const QString& option) const { return values.contains(option) || flags.contains(option); }
};

const Database& database() {
    return DataEnvironment::instance().cnnConnection();
}

// The key of a template given by key or by name; 0 after saying why there is none.
qint64 templateKeyOf(const QString& given) {
    const TemplateCatalog::Match match = TemplateCatalog::find(database(), given);
    if (match.key == 0)
        refuse(match.refusal);
    return match.key;
}

int indexOfKey(const QList<ListEntry>& entries, qint64 key) {
    for (int i = 0; i < entries.size(); ++i)
        if (entries.at(i).key == key)
            return i;
    return -1;
}

int indexOfReport(const QList<ReportDefinition>& reports, const QString& name) {
    for (int i = 0; i < reports.size(); ++i)
        if (reports.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// Sets the report window's template, groups and dates as the options give them. Returns 0,
// or the exit code after saying what is wrong.
int chooseFilters(ReportParameters& window, const Arguments& arguments) {
    if (arguments.has(QStringLiteral("--template"))) {
        const qint64 key = templateKeyOf(arguments.value(QStringLiteral("--template")));
        if (key == 0)
            return 2;
        window.chooseTemplate(indexOfKey(window.templates(), key));
    }
    // Without --group every group of the template counts, as if all were selected.
    if (!arguments.has(QStringLiteral("--group")) && window.templates().value(window.currentTemplate()).key != 0) {
        QList<int> all;
        for (int i = 0; i < window.groups().size(); ++i)
            all << i;
        window.selectGroups(all);
    } else if (arguments.has(QStringLiteral("--group"))) {
        QList<int> indexes;
        for (const QString& given : arguments.values.value(QStringLiteral("--group"))) {
            const int index = indexOfKey(window.groups(), given.toLongLong());
            if (index < 0 || window.groups().at(index).key == 0)
                return refuse(QStringLiteral("%1 is not the key of a group of the template's evaluations").arg(given));
            indexes << index;
        }
        window.selectGroups(indexes);
    }
    const QString dates[2] = {QStringLiteral("--begin"), QStringLiteral("--end")};
    for (int index = 0; index < 2; ++index) {
        if (!arguments.has(dates[index]))
            continue;
        const QString text = arguments.value(dates[index]);
        if (!EntryRules::isDate(text))
            return refuse(QStringLiteral("%1 %2 is not a date (mm/dd/yy)").arg(dates[index], text));
        window.enterDate(index);
        window.leaveDate(index, text);
    }
    return 0;
}

int finishReport(int key, const Arguments& arguments, bool failed) {
    if (key == 0)
        return 1;
    if (arguments.has(QStringLiteral("--keep")))
        std::printf("Report key: %d\n", key);
    if (arguments.has(QStringLiteral("--pdf")))
        std::printf("Wrote %s\n", qPrintable(QDir::toNativeSeparators(arguments.value(QStringLiteral("--pdf")))));
    else
        std::printf("Printed.\n");
    return failed ? 1 : 0;
}

ReportOutput outputOf(const Arguments& arguments) {
    return {false, arguments.value(QStringLiteral("--pdf")), arguments.has(QStringLiteral("--keep"))};
}

int listReports() {
    for (const ReportDefinition& report : ReportLists::reportDefinitions(database()))
        std::printf("%s\n", qPrintable(report.name));
    return 0;
}

int runReport(const QString& name, const Arguments& arguments) {
    ReportParameters window(database(), {});
    window.holdFileList(true);
    window.open();
    const int report = indexOfReport(window.reports(), name);
    if (report < 0)
        return refuse(QStringLiteral("no report is named %1 (see: report list)").arg(name));
    window.chooseReport(report);
    if (const int code = chooseFilters(window, arguments))
        return code;
    window.holdFileList(false);
    const bool all = arguments.has(QStringLiteral("--all-evaluations"));
    const QStringList keys = arguments.values.value(QStringLiteral("--evaluation"));
    if (all == !keys.isEmpty())
        return usage(ReportUsage);
    if (all)
        window.selectAllFiles(true);
    for (const QString& given : keys) {
        const int index = window.files().rowOfKey(given.toLongLong());
        if (index < 0)
            return refuse(
                QStringLiteral("evaluation %1 is not among the evaluations listed for these choices").arg(given));
        window.setFileSelected(index, true);
    }
    const std::optional<ReportRequest> request = window.checkedRequest(false);
    if (!request)
        return 1;

    TrelkReportRecorder recorder;
    recorder.setConnectionString(reportConnectionString());
    const CompanyParameter& company = DataEnvironment::instance().rsCompanyParameter();
    ConsoleStatus status;
    const auto progress = [&status](int value, int maximum) { status.showProgress(value, maximum); };
    if (request->report.objectName == ReportParameters::EvaluationGenerator) {
        EvaluationReport generator(database(), company);
        generator.setProgress(progress);
        const int key = generator.run(recorder, request->evaluations, outputOf(arguments));
        return finishReport(key, arguments, generator.failed());
    }
    if (request->report.objectName == ReportParameters::GroupSummaryGenerator) {
        GroupSummary generator(database(), company.Name);
        generator.setProgress(progress);
        return finishReport(generator.run(recorder, *request, outputOf(arguments)), arguments, false);
    }
    if (request->report.objectName == ReportParameters::AnswerChartGenerator) {
        AnswerChart generator(database(), company.Name);
        generator.setProgress(progress);
        return finishReport(generator.run(recorder, *request, outputOf(arguments)), arguments, false);
    }
    std::fprintf(stderr, "kestrivo-cli: the report %s names no generator (%s); it prints nothing\n",
                 qPrintable(request->report.name), qPrintable(request->report.objectName));
    return 1;
}

int reportColumns(const QString& name, const Arguments& arguments) {
    const QList<ReportDefinition> reports = ReportLists::reportDefinitions(database());
    const int report = indexOfReport(reports, name);
    if (report < 0)
        return refuse(QStringLiteral("no report is named %1 (see: report list)").arg(name));
    if (!arguments.has(QStringLiteral("--template")))
        return usage(ReportUsage);
    const qint64 templateKey = templateKeyOf(arguments.value(QStringLiteral("--template")));
    if (templateKey == 0)
        return 2;
    const qint64 reportKey = reports.at(report).reportDefinitionKey;
    if (arguments.has(QStringLiteral("--add"))) {
        const qint64 field = arguments.value(QStringLiteral("--add")).toLongLong();
        if (indexOfKey(ReportColumnFields::candidates(database(), templateKey), field) < 0)
            return refuse(QStringLiteral("%1 is not the key of a live entry field of the template")
                              .arg(arguments.value(QStringLiteral("--add"))));
        ReportColumnFields::add(database(), reportKey, templateKey, field);
    }
    if (arguments.has(QStringLiteral("--remove"))) {
        const qint64 column = arguments.value(QStringLiteral("--remove")).toLongLong();
        bool found = false;
        for (const ReportColumnFields::Row& row : ReportColumnFields::list(database(), reportKey, templateKey))
            found = found || row.reportColumnFieldKey == column;
        if (!found)
            return refuse(QStringLiteral("%1 is not a column field of this report and template")
                              .arg(arguments.value(QStringLiteral("--remove"))));
        ReportColumnFields::remove(database(), column);
    }
    for (const ReportColumnFields::Row& row : ReportColumnFields::list(database(), reportKey, templateKey))
        std::printf("%lld\t%lld\t%s\n", static_cast<long long>(row.reportColumnFieldKey),
                    static_cast<long long>(row.field.templateFieldKey), qPrintable(row.field.label));
    return 0;
}

int reportTemplate(const QString& given, const Arguments& arguments) {
    const qint64 key = templateKeyOf(given);
    if (key == 0)
        return 2;
    TrelkReportRecorder recorder;
    recorder.setConnectionString(reportConnectionString());
    TemplateListing listing(database(), DataEnvironment::instance().rsCompanyParameter().Name);
    return finishReport(listing.run(recorder, key, outputOf(arguments)), arguments, false);
}

int report(const QStringList& words) {
    const QString action = words.value(0);
    const Arguments arguments(words.mid(1),
                              {QStringLiteral("--template"), QStringLiteral("--group"), QStringLiteral("--begin"),
                               QStringLiteral("--end"), QStringLiteral("--evaluation"), QStringLiteral("--pdf"),
                               QStringLiteral("--add"), QStringLiteral("--remove")},
                              {QStringLiteral("--keep"), QStringLiteral("--all-evaluations")});
    if (!arguments.error.isEmpty()) {
        refuse(arguments.error);
        return usage(ReportUsage);
    }
    const bool known = (action == QStringLiteral("list") && arguments.words.isEmpty() && arguments.values.isEmpty()) ||
                       ((action == QStringLiteral("run") || action == QStringLiteral("columns") ||
                         action == QStringLiteral("template")) &&
                        arguments.words.size() == 1);
    if (!known)
        return usage(ReportUsage);
    if (!openProgramDatabase())
        return 1;
    routeReportMessages();
    try {
        if (action == QStringLiteral("list"))
            return listReports();
        if (action == QStringLiteral("run"))
            return runReport(arguments.words.first(), arguments);
        if (action == QStringLiteral("columns"))
            return reportColumns(arguments.words.first(), arguments);
        return reportTemplate(arguments.words.first(), arguments);
    } catch (const KestrivoError& error) {
        return refuse(error.description(), 1);
    }
}

int exportEvaluations(const QStringList& words) {
    const Arguments arguments(words.mid(1),
                              {QStringLiteral("--template"), QStringLiteral("--group"), QStringLiteral("--begin"),
                               QStringLiteral("--end"), QStringLiteral("--out")},
                              {});
    if (words.value(0) != QStringLiteral("evaluations") || !arguments.error.isEmpty() || !arguments.words.isEmpty() ||
        !arguments.has(QStringLiteral("--template")))
        return usage(ExportUsage);
    if (!openProgramDatabase())
        return 1;
    try {
        ReportParameters window(database(), {});
        window.holdFileList(true);
        window.open();
        if (const int code = chooseFilters(window, arguments))
            return code;
        window.holdFileList(false);
        const QList<qint64> keys = window.files().keys();
        EvaluationExport exporter(database());
        ConsoleStatus status;
        exporter.setProgress([&status](int value, int maximum) { status.showProgress(value, maximum); });
        const qint64 templateKey = window.templates().at(window.currentTemplate()).key;
        if (!arguments.has(QStringLiteral("--out"))) {
            QFile out;
            if (!out.open(stdout, QIODevice::WriteOnly))
                throw KestrivoError(ErrorNumber::General, QStringLiteral("The standard output cannot be written."));
            exporter.write(out, templateKey, keys);
            return 0;
        }
        const QString fileName = arguments.value(QStringLiteral("--out"));
        QSaveFile file(fileName);
        if (!file.open(QIODevice::WriteOnly))
            throw KestrivoError(
                ErrorNumber::General,
                QStringLiteral("%1 cannot be written: %2").arg(QDir::toNativeSeparators(fileName), file.errorString()));
        const qint64 written = exporter.write(file, templateKey, keys);
        if (!file.commit())
            throw KestrivoError(
                ErrorNumber::General,
                QStringLiteral("%1 cannot be written: %2").arg(QDir::toNativeSeparators(fileName), file.errorString()));
        std::fprintf(stderr, "%lld evaluation(s) exported to %s\n", static_cast<long long>(written),
                     qPrintable(QDir::toNativeSeparators(fileName)));
        return 0;
    } catch (const KestrivoError& error) {
        return refuse(error.description(), 1);
    }
}

} // namespace

QList<CliCommand> reportCommands() {
    return {
        {QStringLiteral("report"), QStringLiteral("report list|run|columns|template ..."),
         QStringLiteral("list the reports, print or write one as PDF, or keep a report's column fields "
                        "(run \"report\" alone for the arguments)"),
         report},
        {QStringLiteral("export"), QStringLiteral("export evaluations --template KEY ..."),
         QStringLiteral("write the evaluations the report window lists for these filters as CSV"), exportEvaluations},
    };
}
