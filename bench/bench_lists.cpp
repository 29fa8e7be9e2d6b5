// The two long lists of the program at a season's size: the open dialog of the evaluation
// window and the report window's evaluation list, shown as a user sees them, over N
// evaluations (default 100,000) of the demo template built through the unit simulator and
// Add, on SQLite and on PostgreSQL. For each list: showing it, scrolling to the end (the
// longest single pause, by End and by dragging the scroll bar down in steps), and filtering
// by date and by group, each against what a user waits for without noticing (300 ms to show
// or filter, 100 ms for any pause while scrolling).
//
//   bench_lists [--evaluations N] [--engines sqlite,postgresql] [--folder DIR] [--keep]
//
// --keep leaves the program folder (with its SQLite catalog) in DIR to try the windows by hand.
// Measure PostgreSQL on a durable server: scripts/with-postgres.sh --durable build/bench/bench_lists
#include "BenchCli.h"
#include "DataEnvironment.h"
#include "KestrivoError.h"
#include "ProgramSettings.h"
#include "ScaleCatalog.h"
#include "TestDatabases.h"
#include "frmOpenEvaluation.h"
#include "frmReportParameters.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <functional>

namespace {

constexpr double ShowLimit = 300;
constexpr double PauseLimit = 100;
constexpr double FilterLimit = 300;
constexpr int ScrollSteps = 200;

struct Figure {
    QString what;
    double milliseconds = 0;
    double limit = 0;
};

// The time of a step until the screen shows its outcome.
double timed(QWidget* window, const std::function<void()>& step) {
    QElapsedTimer clock;
    clock.start();
    step();
    window->repaint();
    QApplication::processEvents();
    return clock.nsecsElapsed() / 1e6;
}

template <typename T> T* control(const QWidget* window, const char* name, int index = -1) {
    for (T* found : window->findChildren<T*>(QString::fromLatin1(name)))
        if (index < 0 || found->property("index").toInt() == index)
            return found;
    throw KestrivoError(ErrorNumber::General, QStringLiteral("no control %1").arg(QLatin1String(name)));
}

// The longest pause of the list scrolled to its end: End from the top, then the scroll bar
// dragged down from the top in even steps.
double longestScrollPause(QWidget* window, QListView* list) {
    list->setFocus();
    list->scrollToTop();
    double longest = timed(window, [list] { QTest::keyClick(list, Qt::Key_End); });
    list->scrollToTop();
    QScrollBar* bar = list->verticalScrollBar();
    for (int step = 1; step <= ScrollSteps; ++step)
        longest = std::max(
            longest, timed(window, [bar, step] { bar->setValue(int(qint64(bar->maximum()) * step / ScrollSteps)); }));
    return longest;
}

// Types a date into one of the window's date fields and leaves it, as a user does.
double dateFilter(QWidget* window, QWidget* leaveTo, int field, const QString& date) {
    auto* box = control<QLineEdit>(window, "MskField", field);
    box->setFocus();
    box->setText(date);
    return timed(window, [leaveTo] { leaveTo->setFocus(); });
}

QList<Figure> openDialog(const Database& db) {
    QList<Figure> figures;
    QElapsedTimer clock;
    clock.start();
    auto dialog = std::make_unique<frmOpenEvaluation>(db, nullptr);
    dialog->show();
    dialog->repaint();
    QApplication::processEvents();
    figures.append({QStringLiteral("open dialog: show the list"), clock.nsecsElapsed() / 1e6, ShowLimit});
    QWidget* window = dialog.get();
    auto* list = control<QListView>(window, "lstFileName");
    figures.append({QStringLiteral("open dialog: scroll to the end, longest pause"), longestScrollPause(window, list),
                    PauseLimit});
    auto* templates = control<QComboBox>(window, "cmbTemplate");
    auto* groups = control<QComboBox>(window, "cmbGroup");
    figures.append({QStringLiteral("open dialog: filter by template"),
                    timed(window, [templates] { Q_EMIT templates->activated(1); }), FilterLimit});
    figures.append({QStringLiteral("open dialog: filter by group"),
                    timed(window, [groups] { Q_EMIT groups->activated(1); }), FilterLimit});
    figures.append({QStringLiteral("open dialog: all groups again"),
                    timed(window, [groups] { Q_EMIT groups->activated(0); }), FilterLimit});
    figures.append({QStringLiteral("open dialog: filter by date (none left)"),
                    dateFilter(window, list, 1, QStringLiteral("01/01/03")), FilterLimit});
    figures.append({QStringLiteral("open dialog: filter by date (all again)"),
                    dateFilter(window, list, 1, QStringLiteral("12/31/29")), FilterLimit});
    return figures;
}

QList<Figure> reportWindow() {
    QList<Figure> figures;
    QElapsedTimer clock;
    clock.start();
    auto window = std::make_unique<frmReportParameters>();
    window->show();
    window->repaint();
    QApplication::processEvents();
    figures.append({QStringLiteral("report window: show the list"), clock.nsecsElapsed() / 1e6, ShowLimit});
    auto* list = control<QListView>(window.get(), "lstFileName");
    figures.append({QStringLiteral("report window: scroll to the end, longest pause"),
                    longestScrollPause(window.get(), list), PauseLimit});
    auto* selectAll = control<QPushButton>(window.get(), "cmdSelectAll");
    figures.append({QStringLiteral("report window: Select All"),
                    timed(window.get(), [selectAll] { QTest::mouseClick(selectAll, Qt::LeftButton); }), FilterLimit});
    auto* templates = control<QComboBox>(window.get(), "cmbTemplate");
    figures.append({QStringLiteral("report window: filter by template"),
                    timed(window.get(), [templates] { Q_EMIT templates->activated(1); }), FilterLimit});
    auto* groups = control<QListWidget>(window.get(), "lstGroup");
    figures.append({QStringLiteral("report window: filter by group (two groups)"),
                    timed(window.get(), [groups] { groups->item(groups->count() - 1)->setSelected(true); }),
                    FilterLimit});
    figures.append({QStringLiteral("report window: filter by date (none left)"),
                    dateFilter(window.get(), list, 1, QStringLiteral("01/01/03")), FilterLimit});
    figures.append({QStringLiteral("report window: filter by date (all again)"),
                    dateFilter(window.get(), list, 1, QStringLiteral("12/31/29")), FilterLimit});
    return figures;
}

void useHome(const ScaleCatalog& catalog) {
    ProgramSettings& settings = programSettings();
    settings.UserName = QStringLiteral("bench");
    settings.DataPath = catalog.home + QStringLiteral("/data/");
    settings.LogPath = catalog.home + QStringLiteral("/logs/");
    settings.LayoutPath = catalog.home + QStringLiteral("/layouts/");
    settings.ReportDataPath = settings.DataPath + QStringLiteral("Report.db");
    for (const QString& path : {settings.DataPath, settings.LogPath, settings.LayoutPath})
        QDir().mkpath(path);
}

double residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

bool measure(DatabaseEngine engine, int count, const QString& folder) {
    const char* name = engine == DatabaseEngine::SQLite ? "SQLite" : "PostgreSQL";
    std::fprintf(stderr, "%s: building %d evaluations through the unit and Add\n", name, count);
    const std::optional<ScaleCatalog> catalog = ScaleCatalog::prepare(engine, folder, count);
    if (!catalog ||
        !BenchCli::run(catalog->home, {QStringLiteral("unit"), QStringLiteral("add"), QStringLiteral("--all")}))
        return false;
    useHome(*catalog);
    DataEnvironment::instance().open(catalog->connection);
    const double before = residentMegabytes();
    QList<Figure> figures = openDialog(DataEnvironment::instance().cnnConnection());
    figures += reportWindow();
    const double after = residentMegabytes();
    DataEnvironment::instance().close();

    std::printf("\n%s, %d evaluations\n%-52s %10s %10s\n", name, count, "", "ms", "limit");
    for (const Figure& figure : figures)
        std::printf("%-52s %10.1f %10.0f  %s\n", qPrintable(figure.what), figure.milliseconds, figure.limit,
                    figure.milliseconds <= figure.limit ? "ok" : "over");
    std::printf("%-52s %10.1f MB\n", "memory of the process grown by both windows", after - before);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    int count = 100000;
    QStringList engines{QStringLiteral("sqlite"), QStringLiteral("postgresql")};
    QString where = QDir::tempPath();
    bool keep = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments.at(i);
        if (option == QStringLiteral("--keep"))
            keep = true;
        else if (option == QStringLiteral("--evaluations") && i + 1 < arguments.size())
            count = arguments.at(++i).toInt();
        else if (option == QStringLiteral("--engines") && i + 1 < arguments.size())
            engines = arguments.at(++i).toLower().split(',');
        else if (option == QStringLiteral("--folder") && i + 1 < arguments.size())
            where = arguments.at(++i);
        else
            count = 0;
    }
    if (count < 10) {
        std::fprintf(stderr, "usage: bench_lists [--evaluations N (10 or more)] [--engines sqlite,postgresql] "
                             "[--folder DIR] [--keep]\n");
        return 2;
    }
    if (engines.contains(QStringLiteral("postgresql")) && !TestDatabases::postgresAvailable()) {
        std::fprintf(stderr, "No PostgreSQL server given: run through scripts/with-postgres.sh --durable "
                             "(or --engines sqlite)\n");
        return 2;
    }
    try {
        for (const DatabaseEngine engine : {DatabaseEngine::SQLite, DatabaseEngine::PostgreSQL}) {
            if (!engines.contains(engine == DatabaseEngine::SQLite ? QStringLiteral("sqlite")
                                                                   : QStringLiteral("postgresql")))
                continue;
            QTemporaryDir temporary(where + QStringLiteral("/bench_lists-XXXXXX"));
            temporary.setAutoRemove(!keep);
            if (keep)
                std::fprintf(stderr, "kept: %s\n", qPrintable(temporary.path()));
            if (!measure(engine, count, temporary.path() + QLatin1Char('/')))
                return 1;
        }
        return 0;
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "bench_lists: %s\n", qPrintable(error.description()));
        return 1;
    }
}
