// The two long lists of the program at a season's size: the open dialog of the evaluation
// window and the report window's evaluation list, shown as a user sees them, over N
// evaluations (default 100,000) of the demo template built through the unit simulator and
// Add, on SQLite and on PostgreSQL. For each list: showing it, scrolling to the end (the
// longest single pause, by End and by dragging the scroll bar down in steps), and filtering
// by date and by group, each against what a user waits for without noticing (300 ms to show
// or filter, 100 ms for any pause while scrolling).
//
//   bench_lists [--evaluations N] [--engines sqlite,postgresql] [--folder DIR] [--keep]
//   bench_lists --home HOME [--engines sqlite,postgresql]
//
// --keep leaves the program folder (with its SQLite catalog) in DIR to try the windows by hand;
// --home measures such a kept folder's catalog again without building it: its SQLite file, and
// a catalog copy of it on the PostgreSQL server. The figures
// give each step's wall time and the processor time of this process beside it: on a machine
// busy with other work the wall time waits for a processor too.
// Measure PostgreSQL on a durable server: scripts/with-postgres.sh --durable build/bench/bench_lists
#include "BenchCli.h"
#include "DataEnvironment.h"
#include "KestrivoError.h"
#include "LocalTime.h"
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
#include <QThread>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

constexpr double ShowLimit = 300;
constexpr double PauseLimit = 100;
constexpr double FilterLimit = 300;
constexpr int ScrollSteps = 200;

// A step's wall time until the screen shows its outcome, and the processor time this process
// spent on it (on a machine busy with other work the wall time waits for a processor too).
struct Timing {
    double milliseconds = 0;
    double cpuMilliseconds = 0;
    Timing& atLeast(const Timing& other) {
        if (other.milliseconds > milliseconds)
            *this = other;
        return *this;
    }
};

struct Figure {
    QString what;
    Timing timing;
    double limit = 0;
    int rows = -1; // the lines of the list afterwards
};

double cpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

Timing timed(QWidget* window, const std::function<void()>& step) {
    const double cpu = cpuMilliseconds();
    QElapsedTimer clock;
    clock.start();
    step();
    if (window)
        window->repaint();
    QApplication::processEvents();
    return {clock.nsecsElapsed() / 1e6, cpuMilliseconds() - cpu};
}

template <typename T> T* control(const QWidget* window, const char* name, int index = -1) {
    for (T* found : window->findChildren<T*>(QString::fromLatin1(name)))
        if (index < 0 || found->property("index").toInt() == index)
            return found;
    throw KestrivoError(ErrorNumber::General, QStringLiteral("no control %1").arg(QLatin1String(name)));
}

// The longest pause of the list scrolled to its end: End from the top, then the scroll bar
// dragged down from the top in even steps.
Timing longestScrollPause(QWidget* window, QListView* list) {
    list->setFocus();
    list->scrollToTop();
    Timing longest = timed(window, [list] { QTest::keyClick(list, Qt::Key_End); });
    list->scrollToTop();
    QScrollBar* bar = list->verticalScrollBar();
    for (int step = 1; step <= ScrollSteps; ++step)
        longest.atLeast(
            timed(window, [bar, step] { bar->setValue(int(qint64(bar->maximum()) * step / ScrollSteps)); }));
    return longest;
}

// The longest wait for the list to jump, typing the last line's name key by key from the top.
Timing typedName(QWidget* window, QListView* list) {
    const QAbstractItemModel* model = list->model();
    const QString name =
        model->index(model->rowCount() - 1, 0).data().toString().section(QStringLiteral("  "), 0, 0).trimmed();
    list->setFocus();
    list->setCurrentIndex(model->index(0, 0));
    list->scrollToTop();
    Timing longest;
    for (const QChar key : name)
        longest.atLeast(timed(window, [list, key] { QTest::keyClicks(list, QString(key)); }));
    if (!list->currentIndex().data().toString().startsWith(name))
        std::fprintf(stderr, "typing %s did not reach a line of that name\n", qPrintable(name));
    return longest;
}

// Types a date into one of the window's date fields and leaves it, as a user does.
Timing dateFilter(QWidget* window, QWidget* leaveTo, int field, const QString& date) {
    auto* box = control<QLineEdit>(window, "MskField", field);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Home);
    QTest::keyClicks(box, QString(date).remove(QLatin1Char('/')));
    return timed(window, [leaveTo] { leaveTo->setFocus(); });
}

// Adds the figure of a step with the lines the list shows after it.
void record(QList<Figure>& figures, const QString& what, const Timing& timing, double limit, const QListView* list) {
    figures.append({what, timing, limit, list->model()->rowCount()});
}

// Shows the window and makes it the active one, as the window system does: the time is the
// showing's, up to the list painted.
Timing shown(QWidget* window) {
    const Timing timing = timed(window, [window] { window->show(); });
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        std::fprintf(stderr, "%s did not become the active window\n", qPrintable(window->objectName()));
    return timing;
}

QList<Figure> openDialog(const Database& db) {
    QList<Figure> figures;
    std::unique_ptr<frmOpenEvaluation> dialog;
    Timing made = timed(nullptr, [&dialog, &db] { dialog = std::make_unique<frmOpenEvaluation>(db, nullptr); });
    const Timing show = shown(dialog.get());
    made.milliseconds += show.milliseconds;
    made.cpuMilliseconds += show.cpuMilliseconds;
    QWidget* window = dialog.get();
    auto* list = control<QListView>(window, "lstFileName");
    record(figures, QStringLiteral("open dialog: show the list"), made, ShowLimit, list);
    record(figures, QStringLiteral("open dialog: scroll to the end, longest pause"), longestScrollPause(window, list),
           PauseLimit, list);
    record(figures, QStringLiteral("open dialog: type the last name, longest key"), typedName(window, list), PauseLimit,
           list);
    auto* templates = control<QComboBox>(window, "cmbTemplate");
    auto* groups = control<QComboBox>(window, "cmbGroup");
    record(figures, QStringLiteral("open dialog: filter by template"),
           timed(window, [templates] { Q_EMIT templates->activated(1); }), FilterLimit, list);
    record(figures, QStringLiteral("open dialog: filter by group"),
           timed(window, [groups] { Q_EMIT groups->activated(1); }), FilterLimit, list);
    record(figures, QStringLiteral("open dialog: all groups again"),
           timed(window, [groups] { Q_EMIT groups->activated(0); }), FilterLimit, list);
    record(figures, QStringLiteral("open dialog: filter by date (none left)"),
           dateFilter(window, list, 1, QStringLiteral("01/01/03")), FilterLimit, list);
    record(figures, QStringLiteral("open dialog: filter by date (all again)"),
           dateFilter(window, list, 1, QStringLiteral("12/31/29")), FilterLimit, list);
    return figures;
}

QList<Figure> reportWindow() {
    QList<Figure> figures;
    std::unique_ptr<frmReportParameters> window;
    Timing made = timed(nullptr, [&window] { window = std::make_unique<frmReportParameters>(); });
    const Timing show = shown(window.get());
    made.milliseconds += show.milliseconds;
    made.cpuMilliseconds += show.cpuMilliseconds;
    auto* list = control<QListView>(window.get(), "lstFileName");
    record(figures, QStringLiteral("report window: show the list"), made, ShowLimit, list);
    record(figures, QStringLiteral("report window: scroll to the end, longest pause"),
           longestScrollPause(window.get(), list), PauseLimit, list);
    auto* selectAll = control<QPushButton>(window.get(), "cmdSelectAll");
    record(figures, QStringLiteral("report window: Select All"),
           timed(window.get(), [selectAll] { QTest::mouseClick(selectAll, Qt::LeftButton); }), FilterLimit, list);
    auto* templates = control<QComboBox>(window.get(), "cmbTemplate");
    record(figures, QStringLiteral("report window: filter by template"),
           timed(window.get(), [templates] { Q_EMIT templates->activated(1); }), FilterLimit, list);
    auto* groups = control<QListWidget>(window.get(), "lstGroup");
    record(figures, QStringLiteral("report window: filter by group (a second group)"),
           timed(window.get(), [groups] { groups->item(groups->count() - 1)->setSelected(true); }), FilterLimit, list);
    record(figures, QStringLiteral("report window: filter by date (none left)"),
           dateFilter(window.get(), list, 1, QStringLiteral("01/01/03")), FilterLimit, list);
    record(figures, QStringLiteral("report window: filter by date (all again)"),
           dateFilter(window.get(), list, 1, QStringLiteral("12/31/29")), FilterLimit, list);
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

void printFigures(const char* engine, const QList<Figure>& figures, double megabytes) {
    QFile loads(QStringLiteral("/proc/loadavg"));
    const QByteArray load = loads.open(QIODevice::ReadOnly) ? loads.readAll().split(' ').value(0) : QByteArray("?");
    std::printf("\n%s (load average %s on %d processors)\n%-50s %9s %9s %8s %7s\n", engine, load.constData(),
                QThread::idealThreadCount(), "", "ms", "cpu ms", "lines", "limit");
    for (const Figure& figure : figures)
        std::printf("%-50s %9.1f %9.1f %8d %7.0f  %s\n", qPrintable(figure.what), figure.timing.milliseconds,
                    figure.timing.cpuMilliseconds, figure.rows, figure.limit,
                    figure.timing.milliseconds <= figure.limit ? "ok" : "over");
    std::printf("%-50s %9.1f MB\n", "memory of the process grown by both windows", megabytes);
    std::fflush(stdout);
}

// The catalog of home when given (its SQLite file, or a copy of it on the PostgreSQL server),
// else a new one of count evaluations.
bool measure(DatabaseEngine engine, int count, const QString& folder, const QString& home) {
    const char* name = engine == DatabaseEngine::SQLite ? "SQLite" : "PostgreSQL";
    std::optional<ScaleCatalog> catalog;
    if (!home.isEmpty() && engine == DatabaseEngine::SQLite) {
        catalog = ScaleCatalog{home, QStringLiteral("Provider=SQLite;Data Source=%1/data/kestrivo.db").arg(home), {}};
    } else if (!home.isEmpty()) {
        const QString connection = TestDatabases::freshConnectionString(DatabaseEngine::PostgreSQL);
        std::fprintf(stderr, "%s: copying the catalog of %s\n", name, qPrintable(home));
        if (!BenchCli::run(home, {QStringLiteral("catalog"), QStringLiteral("copy"), QStringLiteral("--to"),
                                  BenchCli::serverOf(connection) + '/' + BenchCli::catalogOf(connection)}))
            return false;
        catalog = ScaleCatalog{home, connection, {}};
    } else {
        std::fprintf(stderr, "%s: building %d evaluations through the unit and Add\n", name, count);
        catalog = ScaleCatalog::prepare(engine, folder, count);
        if (!catalog ||
            !BenchCli::run(catalog->home, {QStringLiteral("unit"), QStringLiteral("add"), QStringLiteral("--all")}))
            return false;
    }
    useHome(*catalog);
    DataEnvironment::instance().open(catalog->connection);
    const double before = residentMegabytes();
    QList<Figure> figures = openDialog(DataEnvironment::instance().cnnConnection());
    figures += reportWindow();
    const double after = residentMegabytes();
    DataEnvironment::instance().close();

    printFigures(name, figures, after - before);
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    readLocalTimeOnce(); // as the program does
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    ScaleOptions options;
    bool keep = false;
    QString home;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments.at(i);
        if (option == QStringLiteral("--keep"))
            keep = true;
        else if (option == QStringLiteral("--home") && i + 1 < arguments.size())
            home = arguments.at(++i);
        else if (!options.take(arguments, i))
            options.count = 0;
    }
    if (!options.usable("usage: bench_lists [--evaluations N (10 or more)] [--engines sqlite,postgresql] "
                        "[--folder DIR] [--keep] | --home HOME [--engines ...]"))
        return 2;
    try {
        for (const DatabaseEngine engine : {DatabaseEngine::SQLite, DatabaseEngine::PostgreSQL}) {
            if (!options.wants(engine))
                continue;
            if (!home.isEmpty()) {
                if (!measure(engine, options.count, QString(), home))
                    return 1;
                continue;
            }
            QTemporaryDir temporary(options.where + QStringLiteral("/bench_lists-XXXXXX"));
            temporary.setAutoRemove(!keep);
            if (keep)
                std::fprintf(stderr, "kept: %s\n", qPrintable(temporary.path()));
            if (!measure(engine, options.count, temporary.path() + QLatin1Char('/'), QString()))
                return 1;
        }
        return 0;
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "bench_lists: %s\n", qPrintable(error.description()));
        return 1;
    }
}
