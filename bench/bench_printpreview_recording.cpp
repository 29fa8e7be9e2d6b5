// Times the print-preview library as a host uses it: recording 100,000 text rows through
// ppReport_PrintData, and writing a 500-page report (60 texts and 10 lines a page) as one
// PDF file.
#include <TrelkPrintPreview.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>

namespace {

void recordPage(TrelkReportRecorder& recorder, qint32 key, qint32 page) {
    qint16 y = 720;
    for (int row = 0; row < 60; ++row) {
        qint16 right = y;
        recorder.ppReport_PrintData(key, y, 720, QStringLiteral("Question %1 of the inspection").arg(row + 1), page, 1,
                                    row == 0, 9, 230);
        recorder.ppReport_PrintData(key, right, 9000, row * 7 % 100, page);
    }
    for (int line = 0; line < 10; ++line)
        recorder.ppReport_Line(key, 720, qint16(720 + line * 1400), 11520, qint16(720 + line * 1400), page);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir folder;
    TrelkReportRecorder recorder;
    recorder.setConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + folder.filePath("Report.db"));

    QStringList texts;
    for (int i = 0; i < 100000; ++i)
        texts.append(QStringLiteral("Row %1").arg(i));
    QElapsedTimer clock;
    clock.start();
    const qint32 rows = recorder.ppReportStart(true);
    const qint64 started = clock.elapsed();
    for (int i = 0; i < 100000; ++i) {
        qint16 y = qint16(720 + (i % 60) * 240);
        recorder.ppReport_PrintData(rows, y, 720, texts.at(i), i / 60 + 1);
    }
    const qint64 recorded = clock.elapsed();
    recorder.ppKillDetail(rows);
    std::printf("recording 100000 text rows: %lld ms (starting the report %lld ms, deleting it %lld ms more)\n",
                static_cast<long long>(recorded - started), static_cast<long long>(started),
                static_cast<long long>(clock.elapsed() - recorded));

    const qint32 report = recorder.ppReportStart(true);
    clock.restart();
    for (qint32 page = 1; page <= 500; ++page)
        recordPage(recorder, report, page);
    std::printf("recording 500 pages of 120 texts and 10 lines: %lld ms\n", static_cast<long long>(clock.elapsed()));

    const QString pdf = folder.filePath("report.pdf");
    clock.restart();
    if (!recorder.ppSavePdf(report, pdf))
        return 1;
    std::printf("writing the 500-page report as one PDF: %lld ms (%lld KiB)\n", static_cast<long long>(clock.elapsed()),
                static_cast<long long>(QFileInfo(pdf).size() / 1024));
    return 0;
}
