#include "CliCommand.h"

#include "ConsoleStatus.h"
#include "DataEnvironment.h"
#include "DemoData.h"
#include "DeviceSession.h"
#include "EvaluationDownload.h"
#include "EvaluationImporter.h"
#include "KestrivoError.h"
#include "ProgramSettings.h"
#include "TemplateCatalog.h"
#include "TemplateUpload.h"
#include "UnitCertificateCommand.h"
#include "UnitSimulator.h"
#include "WebUnitCommand.h"

#include <QDateTime>
#include <cstdio>

namespace {

constexpr int DemoFilled = 30;
constexpr int DemoImported = 20;

int usage(const char* text) {
    std::fprintf(stderr, "kestrivo-cli: usage: %s\n", text);
    return 2;
}

// The key of a template given by key or by name; 0 after printing why there is none.
qint64 templateKeyOf(const QString& given, QString& name) {
    const TemplateCatalog::Match match = TemplateCatalog::find(DataEnvironment::instance().cnnConnection(), given);
    if (match.key == 0)
        refuse(match.refusal);
    name = match.name;
    return match.key;
}

int upload(const QStringList& arguments) {
    if (arguments.size() != 1)
        return usage("upload TEMPLATE");
    if (!openProgramDatabase())
        return 1;
    QString name;
    const qint64 key = templateKeyOf(arguments.first(), name);
    if (key == 0)
        return 1;
    ConsoleStatus status;
    const bool uploaded = TemplateUpload(DeviceSession::program(), status).UploadTemplate(key, name);
    return uploaded ? 0 : 1;
}

void printResult(const EvaluationDownload::AddResult& result) {
    for (const QString& name : result.added)
        std::printf("Added %s\n", qPrintable(name));
    for (const QString& name : result.skipped)
        std::printf("Skipped %s (already imported; removed from the unit)\n", qPrintable(name));
    if (!result.failed.isEmpty())
        std::printf("Stopped at %s\n", qPrintable(result.failed));
}

int unit(const QStringList& arguments) {
    const QString action = arguments.value(0);
    if (action == QStringLiteral("serve"))
        return serveUnit(arguments.mid(1));
    if (action == QStringLiteral("certificate"))
        return writeUnitCertificate(arguments.mid(1));
    const QStringList names = arguments.mid(1);
    const bool all = names == QStringList{QStringLiteral("--all")};
    if (!(action == QStringLiteral("list") && names.isEmpty()) &&
        !(action == QStringLiteral("add") && !names.isEmpty() && (all || !names.contains(QStringLiteral("--all")))))
        return usage("unit list | unit add (--all | NAME...) | unit serve [OPTIONS] | unit certificate [--out FILE]");
    if (!openProgramDatabase())
        return 1;
    ConsoleStatus status;
    EvaluationDownload download(DeviceSession::program(), status);
    if (!download.ListUnitEvaluations())
        return 1;
    if (action == QStringLiteral("list")) {
        for (const QString& name : download.fileNames())
            std::printf("%s\n", qPrintable(name));
        return 0;
    }
    if (all) {
        download.SelectAll();
    } else {
        const QStringList missing = download.select(names);
        if (!missing.isEmpty()) {
            std::fprintf(stderr, "kestrivo-cli: not on the unit: %s\n", qPrintable(missing.join(QStringLiteral(", "))));
            return 1;
        }
    }
    const bool complete = download.AddSelectedEvaluations();
    printResult(download.lastAddResult());
    return complete ? 0 : 1;
}

int importFiles(const QStringList& arguments) {
    if (arguments.isEmpty())
        return usage("import-files FILE...");
    if (!openProgramDatabase())
        return 1;
    ConsoleStatus status;
    int failed = 0;
    try {
        EvaluationImporter importer(DataEnvironment::instance().cnnConnection());
        for (int i = 0; i < arguments.size(); ++i) {
            const QString& path = arguments.at(i);
            status.showStatus(QStringLiteral("Importing ") + path);
            status.showProgress(i + 1, int(arguments.size()));
            // Each file is a run of its own: one that fails does not stop the next.
            importer.addFile(path);
            switch (importer.finish().first()) {
            case EvaluationImporter::Outcome::Imported:
                std::printf("Imported %s\n", qPrintable(path));
                break;
            case EvaluationImporter::Outcome::AlreadyImported:
                std::printf("Skipped %s (already imported)\n", qPrintable(path));
                break;
            case EvaluationImporter::Outcome::Failed:
            case EvaluationImporter::Outcome::NotAdded:
                std::printf("Failed %s\n", qPrintable(path));
                ++failed;
                break;
            }
        }
    } catch (const KestrivoError& error) {
        return refuse(error.description(), 1);
    }
    status.showProgress(0, 0);
    return failed == 0 ? 0 : 1;
}

int demo(const QStringList& arguments) {
    if (!arguments.isEmpty())
        return usage("demo");
    if (!openProgramDatabase())
        return 1;
    try {
        const DataEnvironment& environment = DataEnvironment::instance();
        const qint64 key = DemoData::ensureTemplate(environment.cnnConnection());
        const CompanyParameter& company = environment.rsCompanyParameter();
        const UnitSimulator simulator(programSettings().UnitPath, company.DeviceTemplatePath,
                                      company.DeviceEvaluationPath);
        simulator.init();

        ConsoleStatus status;
        if (!TemplateUpload(DeviceSession::program(), status).UploadTemplate(key, DemoData::TemplateName))
            return 1;
        const QStringList filled = simulator.fill(DemoData::TemplateName + QStringLiteral(".evt"), DemoFilled,
                                                  quint32(QDateTime::currentMSecsSinceEpoch()));

        EvaluationDownload download(DeviceSession::program(), status);
        if (!download.ListUnitEvaluations())
            return 1;
        download.select(filled.mid(0, DemoImported));
        const bool complete = download.AddSelectedEvaluations();
        printResult(download.lastAddResult());
        if (!complete)
            return 1;
        std::printf("\nThe template \"%s\" is in the database and on the emulated unit %s.\n"
                    "%d evaluations were filled on the unit; %lld were imported, and %lld wait on the unit:\n"
                    "open Evaluations > Handheld in kestrivo and press Down to add them.\n\n"
                    "To fill in the template on a phone or tablet: run kestrivo-cli unit serve (or choose\n"
                    "Tools > Phones and Tablets in kestrivo and press Start), open the address it shows in\n"
                    "the phone's browser or scan its QR code, and tap \"%s\". Evaluations that the phone\n"
                    "sends wait on the unit like these ones.\n",
                    qPrintable(DemoData::TemplateName), qPrintable(programSettings().UnitPath), DemoFilled,
                    static_cast<long long>(download.lastAddResult().added.size()),
                    static_cast<long long>(filled.size() - DemoImported), qPrintable(DemoData::TemplateName));
        return 0;
    } catch (const KestrivoError& error) {
        return refuse(error.description(), 1);
    }
}

} // namespace

QList<CliCommand> deviceCommands() {
    return {
        {QStringLiteral("upload"), QStringLiteral("upload TEMPLATE"),
         QStringLiteral("write a template (name or key) to its template file and copy it to the unit"), upload},
        {QStringLiteral("unit"), QStringLiteral("unit list | unit add (--all | NAME...)"),
         QStringLiteral("list the evaluation files on the unit, or add them to the database"), unit},
        {QStringLiteral("unit"), QString::fromLatin1(serveUnitUsage()),
         QStringLiteral("serve the unit to the browsers of phones and tablets until Ctrl+C"), unit},
        {QStringLiteral("unit"), QStringLiteral("unit certificate [--out FILE]"),
         QStringLiteral("write the certificate that phones install once to trust the unit over HTTPS"), unit},
        {QStringLiteral("import-files"), QStringLiteral("import-files FILE..."),
         QStringLiteral("import evaluation files that are already on the PC"), importFiles},
        {QStringLiteral("demo"), QStringLiteral("demo"),
         QStringLiteral("sample template, uploaded; 30 evaluations filled on the unit, 20 of them imported"), demo},
    };
}
