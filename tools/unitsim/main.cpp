#include "KestrivoError.h"
#include "UnitSimulator.h"

#include <QCoreApplication>
#include <QDateTime>
#include <cstdio>

namespace {

void printUsage(FILE* stream) {
    std::fprintf(stream,
                 "Usage: kestrivo-unitsim COMMAND UNIT [ARGUMENTS] [OPTIONS]\n\n"
                 "A stand-in for the handheld application on an emulated unit: UNIT is the folder that\n"
                 "stands for the unit's file system (the setting UnitPath of Kestrivo).\n\n"
                 "Commands:\n"
                 "  init UNIT                           create the unit's template and evaluation folders\n"
                 "  fill UNIT TEMPLATE.evt --count N    write N filled-in evaluations of an uploaded template\n\n"
                 "Options:\n"
                 "  --seed S               draw the values from seed S (the same seed gives the same values)\n"
                 "  --ticks N              tick exactly N pick-list entries per question (default: at random)\n"
                 "  --templates FOLDER     the unit's template folder (default %s)\n"
                 "  --evaluations FOLDER   the unit's evaluation folder (default %s)\n"
                 "  --help                 show this help\n"
                 "  --version              show the version\n",
                 qPrintable(UnitSimulator::DefaultTemplateFolder), qPrintable(UnitSimulator::DefaultEvaluationFolder));
}

int fail(const QString& message) {
    std::fprintf(stderr, "kestrivo-unitsim: %s\n", qPrintable(message));
    return 2;
}

bool wholeNumber(const QString& text, qint64 minimum, qint64 maximum, qint64& value) {
    bool ok = false;
    value = text.toLongLong(&ok);
    return ok && value >= minimum && value <= maximum;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    if (arguments.contains(QStringLiteral("--help"))) {
        printUsage(stdout);
        return 0;
    }
    if (arguments.contains(QStringLiteral("--version"))) {
        std::printf("kestrivo-unitsim %s\n", KESTRIVO_VERSION);
        return 0;
    }
    QStringList positional;
    QString templates = UnitSimulator::DefaultTemplateFolder;
    QString evaluations = UnitSimulator::DefaultEvaluationFolder;
    qint64 count = -1;
    qint64 seed = QDateTime::currentMSecsSinceEpoch() & 0xFFFFFFFF;
    qint64 ticks = UnitSimulator::RandomTicks;
    while (!arguments.isEmpty()) {
        const QString argument = arguments.takeFirst();
        if (!argument.startsWith(QStringLiteral("--"))) {
            positional << argument;
            continue;
        }
        if (arguments.isEmpty())
            return fail(QStringLiteral("%1 needs a value (try --help)").arg(argument));
        const QString value = arguments.takeFirst();
        if (argument == QStringLiteral("--count")) {
            if (!wholeNumber(value, 0, 1000000, count))
                return fail(QStringLiteral("--count takes a whole number from 0 to 1000000"));
        } else if (argument == QStringLiteral("--seed")) {
            if (!wholeNumber(value, 0, 0xFFFFFFFFLL, seed))
                return fail(QStringLiteral("--seed takes a whole number from 0 to 4294967295"));
        } else if (argument == QStringLiteral("--ticks")) {
            if (!wholeNumber(value, 0, 30, ticks))
                return fail(QStringLiteral("--ticks takes a whole number from 0 to 30"));
        } else if (argument == QStringLiteral("--templates")) {
            templates = value;
        } else if (argument == QStringLiteral("--evaluations")) {
            evaluations = value;
        } else {
            return fail(QStringLiteral("unknown option %1 (try --help)").arg(argument));
        }
    }
    if (positional.size() < 2) {
        printUsage(stderr);
        return 2;
    }
    const QString command = positional.at(0);
    const UnitSimulator unit(positional.at(1), templates, evaluations);
    try {
        if (command == QStringLiteral("init") && positional.size() == 2) {
            unit.init();
            std::printf("%s\n%s\n", qPrintable(unit.templateFolderPath()), qPrintable(unit.evaluationFolderPath()));
            return 0;
        }
        if (command == QStringLiteral("fill") && positional.size() == 3) {
            if (count < 0)
                return fail(QStringLiteral("fill needs --count N"));
            const QStringList names = unit.fill(positional.at(2), int(count), quint32(seed), int(ticks));
            for (const QString& name : names)
                std::printf("%s\n", qPrintable(name));
            return 0;
        }
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "kestrivo-unitsim: %s\n", qPrintable(error.description()));
        return 1;
    }
    printUsage(stderr);
    return 2;
}
