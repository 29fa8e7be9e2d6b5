// Times drawing one recorded page of 60 texts and 10 lines for the preview window.
#include "PreviewRenderer.h"
#include "ReportSession.h"
#include "SharedControlState.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir folder;
    SharedControlState::instance().setConnectionString(QStringLiteral("Provider=SQLite;Data Source=") +
                                                       folder.filePath("Report.db"));
    ReportSession session([](qint32) {}, []() -> PrinterTarget& { std::abort(); });
    const qint32 key = session.ppReportStart(true, false);
    qint16 y = 720;
    for (int row = 0; row < 60; ++row)
        session.ppReport_PrintData(key, y, 720, QStringLiteral("Question %1: the answer given on the unit").arg(row), 1,
                                   1, row % 10 == 0, 10, 240, QStringLiteral("Arial"), false, 0, qint32(0x80000008u),
                                   false, false, false);
    for (int line = 0; line < 10; ++line)
        session.ppReport_Line(key, 720, qint16(720 + line * 1440), 11520, qint16(720 + line * 1440), 1, 1, 1, 0, 0);

    QImage surface;
    PreviewRenderer::render(key, 1, surface); // the first pass loads the fonts
    QList<double> times;
    QElapsedTimer clock;
    for (int pass = 0; pass < 50; ++pass) {
        clock.start();
        PreviewRenderer::render(key, 1, surface);
        times.append(clock.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("preview of one page (60 texts, 10 lines), 50 passes: median %.2f ms, slowest %.2f ms\n",
                times.at(times.size() / 2), times.last());
    return 0;
}
