#include "CliCommand.h"

#include "ConsoleStatus.h"
#include "DataEnvironment.h"
#include "KestrivoError.h"
#include "TemplateCatalog.h"
#include "TemplateDocument.h"
#include "TemplateDocumentParser.h"

#include <QFile>
#include <QSaveFile>
#include <cstdio>

namespace {

// Enough problems to mend a document by hand; the rest follow once these are mended.
constexpr int ProblemsShown = 20;

const char* const Usage = "template list | template export TEMPLATE [--out FILE] | template import FILE";

int usage() {
    std::fprintf(stderr, "kestrivo-cli: usage: %s\n", Usage);
    return 2;
}

void printLines(const QStringList& lines, const char* prefix) {
    for (int i = 0; i < lines.size() && i < ProblemsShown; ++i)
        std::fprintf(stderr, "%s%s\n", prefix, qPrintable(lines.at(i)));
    if (lines.size() > ProblemsShown)
        std::fprintf(stderr, "%s... and %lld more\n", prefix, static_cast<long long>(lines.size() - ProblemsShown));
}

void printProblems(const QStringList& problems) {
    printLines(problems, "  ");
}

int listTemplates() {
    if (!openProgramDatabase())
        return 1;
    for (const TemplateCatalog::Entry& entry : TemplateCatalog::list(DataEnvironment::instance().cnnConnection()))
        std::printf("%lld\t%s\t%d\t%d\n", static_cast<long long>(entry.key), qPrintable(entry.name), entry.fields,
                    entry.questions);
    return 0;
}

int exportTemplate(const QString& given, const QString& out) {
    if (!openProgramDatabase())
        return 1;
    const Database& database = DataEnvironment::instance().cnnConnection();
    const TemplateCatalog::Match match = TemplateCatalog::find(database, given);
    if (match.key == 0)
        return refuse(match.refusal, 1);
    const QByteArray bytes = TemplateDocument::read(database, match.key).toJson();
    if (out.isEmpty()) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
    } else {
        // Written under a temporary name and renamed when whole: an interrupted export never
        // leaves half a document in place of a good one.
        QSaveFile file(out);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
            std::fprintf(stderr, "kestrivo-cli: %s cannot be written: %s\n", qPrintable(out),
                         qPrintable(file.errorString()));
            return 1;
        }
    }
    // Templates that no editor of this program could have made (a lost group field, values
    // written by other tools) still export, but the user learns now that they will not import.
    const TemplateDocumentParser::Result check = TemplateDocumentParser::parse(bytes);
    if (!check.ok()) {
        std::fprintf(stderr, "kestrivo-cli: warning: template %lld will not import as it stands:\n",
                     static_cast<long long>(match.key));
        printProblems(check.problems);
    }
    return 0;
}

int importTemplate(const QString& path) {
    const bool standardInput = path == QLatin1String("-");
    const QString shown = standardInput ? QStringLiteral("standard input") : path;
    QFile file;
    const bool opened = standardInput ? file.open(stdin, QIODevice::ReadOnly)
                                      : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened) {
        std::fprintf(stderr, "kestrivo-cli: %s cannot be read: %s\n", qPrintable(shown),
                     qPrintable(file.errorString()));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    const TemplateDocumentParser::Result parsed = TemplateDocumentParser::parse(bytes);
    if (!parsed.ok()) {
        std::fprintf(stderr, "kestrivo-cli: %s was not imported:\n", qPrintable(shown));
        printProblems(parsed.problems);
        return 1;
    }
    QStringList warnings;
    for (const TemplateDocument::Warning& warning : parsed.document.limitWarnings())
        warnings << warning.where + QStringLiteral(": ") +
                        QString(warning.text).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    printLines(warnings, "kestrivo-cli: warning: ");

    if (!openProgramDatabase())
        return 1;
    const Database& database = DataEnvironment::instance().cnnConnection();
    ConsoleStatus status;
    status.showStatus(QStringLiteral("Importing ") + parsed.document.name);
    const qint64 key =
        parsed.document.create(database, [&status](int done, int total) { status.showProgress(done, total); });
    status.showProgress(0, 0);
    std::printf("%lld\n", static_cast<long long>(key));

    // Two templates may share a name, but then commands can name them by key only.
    const QList<qint64> same = TemplateCatalog::named(database, parsed.document.name);
    if (same.size() > 1) {
        QStringList keys;
        for (qint64 each : same)
            keys << QString::number(each);
        std::fprintf(stderr,
                     "kestrivo-cli: note: templates %s share the name %s; other commands must name them by key\n",
                     qPrintable(keys.join(QStringLiteral(", "))), qPrintable(parsed.document.name));
    }
    return 0;
}

int templateCommand(const QStringList& arguments) {
    const QString action = arguments.value(0);
    try {
        if (action == QLatin1String("list") && arguments.size() == 1)
            return listTemplates();
        if (action == QLatin1String("export") && arguments.size() == 2)
            return exportTemplate(arguments.at(1), QString());
        if (action == QLatin1String("export") && arguments.size() == 4 && arguments.at(2) == QLatin1String("--out"))
            return exportTemplate(arguments.at(1), arguments.at(3));
        if (action == QLatin1String("import") && arguments.size() == 2)
            return importTemplate(arguments.at(1));
    } catch (const KestrivoError& error) {
        return refuse(error.description(), 1);
    }
    return usage();
}

} // namespace

QList<CliCommand> templateCommands() {
    return {
        {QStringLiteral("template"), QStringLiteral("template list"),
         QStringLiteral("list every template: key, name, entry fields and questions"), templateCommand},
        {QStringLiteral("template"), QStringLiteral("template export TEMPLATE [--out FILE]"),
         QStringLiteral("write a template (name or key) as a JSON document"), templateCommand},
        {QStringLiteral("template"), QStringLiteral("template import FILE"),
         QStringLiteral("add the template of a JSON document (- for standard input)"), templateCommand},
    };
}
