#include "PdfProbe.h"

#include <TrelkPrintPreview.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

struct Message {
    QString title;
    QString text;
    TrelkMessageIcon icon;
};

QStringList printedJobs() {
    return QDir(qEnvironmentVariable("KESTRIVO_PRINT_DIR")).entryList({"job-*.pdf"}, QDir::Files, QDir::Name);
}

} // namespace

// The library as a host sees it: only the installed header and the shared library.
class tst_TrelkPrintPreview : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QList<Message> m_messages;

private Q_SLOTS:
    void initTestCase() {
        TrelkReportRecorder::ppSetMessageHandler(
            [this](const QString& title, const QString& text, TrelkMessageIcon icon) {
                m_messages.append({title, text, icon});
            });
    }
    void init() {
        m_messages.clear();
        QDir(qEnvironmentVariable("KESTRIVO_PRINT_DIR")).removeRecursively();
    }

    void theControlIsASmallSharedMarker() {
        QWidget host;
        auto* first = new ctlTrelkPrintPreview(&host);
        auto* second = new ctlTrelkPrintPreview(&host);
        QCOMPARE(first->sizeHint(), QSize(25, 21));
        first->resize(200, 150);
        QCOMPARE(first->findChild<QLabel*>("picImage")->size(), QSize(25, 21));

        QSignalSpy changed(first, &ctlTrelkPrintPreview::ConnectionStringChanged);
        const QString connection =
            "Provider=SQLite;Data Source=" + m_dir.filePath("shared/Report.db") + ";Persist Security Info=False";
        QVERIFY(first->setProperty("ConnectionString", connection));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(second->property("ConnectionString").toString(), connection);
        TrelkReportRecorder recorder;
        QCOMPARE(recorder.ConnectionString().toString(), connection);
    }

    void aHeadlessRecorderPrintsAndSaves() {
        TrelkReportRecorder recorder;
        recorder.setConnectionString("Provider=SQLite;Data Source=" + m_dir.filePath("headless/Report.db"));
        const qint32 key = recorder.ppReportStart();
        QVERIFY(key > 0);
        qint16 y = 1440;
        recorder.ppReport_PrintData(key, y, 1440, "Headline", 1, 1, true, 16);
        QCOMPARE(y, qint16(1740));
        recorder.ppReport_PrintData(key, y, 1440, "Page 1 of ", 1, 1, false, 10, 300, "Arial", true);
        recorder.ppReport_Line(key, 1440, 2200, 10800, 2200, 1);
        recorder.ppReport_PrintData(key, y, 1440, "Landscape", 2, 2);
        qint32 printed = key;
        recorder.ppPrint(printed, false);
        QCOMPARE(printed, key);
        QCOMPARE(printedJobs(), QStringList({"job-0001.pdf"}));
        const QString job = QDir(qEnvironmentVariable("KESTRIVO_PRINT_DIR")).filePath("job-0001.pdf");
        QCOMPARE(PdfProbe::pageCount(job), 2);
        QVERIFY(PdfProbe::text(job, 1).contains("Page 1 of 2"));

        // The host hears where the printout went, and nothing else.
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages.first().title, QString("Print"));
        QCOMPARE(m_messages.first().icon, TrelkMessageIcon::Information);
        QVERIFY2(m_messages.first().text.endsWith(job), qPrintable(m_messages.first().text));

        const QString whole = m_dir.filePath("whole.pdf");
        QVERIFY(recorder.ppSavePdf(key, whole));
        QCOMPARE(PdfProbe::pageCount(whole), 2);
        QCOMPARE(m_messages.size(), 1);
    }

    // Boxes, as a chart draws its bars: filled, patterned and outlined in the PDF as vector
    // drawing, no picture of them.
    void boxesAreDrawnAsVectors() {
        TrelkReportRecorder recorder;
        recorder.setConnectionString("Provider=SQLite;Data Source=" + m_dir.filePath("boxes/Report.db"));
        const qint32 key = recorder.ppReportStart();
        recorder.ppReport_Box(key, 1440, 1440, 2880, 1440, 1, 1, 0x00009FE6); // orange, solid, no outline
        recorder.ppReport_Box(key, 1440, 4320, 2880, 1440, 1, 1, 0x00B27200, TrelkReportRecorder::FillCross, 1);
        recorder.ppReport_Box(0, 1440, 7200, 2880, 1440, 1); // the key of a failed start records nothing
        qint16 y = 720;
        recorder.ppReport_PrintData(key, y, 1440, "Bars", 1);
        const QString pdf = m_dir.filePath("boxes.pdf");
        QVERIFY(recorder.ppSavePdf(key, pdf));
        QCOMPARE(PdfProbe::imageCount(pdf), 0);

        // 288 pixels to the inch: the boxes from (288, 288) and (288, 864), 576 × 288 each, the
        // pattern's lines 12 pixels apart.
        const QImage page = PdfProbe::pageImage(pdf, 1, 288);
        QCOMPARE(page.size(), QSize(2448, 3168));
        QCOMPARE(page.pixelColor(576, 430), QColor(230, 159, 0));
        int white = 0, blue = 0;
        for (int x = 300; x < 850; ++x) {
            const QColor pixel = page.pixelColor(x, 1002);
            white += pixel.lightness() > 200;
            blue += pixel == QColor(0, 114, 178);
        }
        QVERIFY2(white > 30 && blue > 300, qPrintable(QString("%1 white, %2 blue").arg(white).arg(blue)));
        QCOMPARE(page.pixelColor(576, 1700), QColor(Qt::white));
        QVERIFY(m_messages.isEmpty());
    }

    void failuresReachTheHostAsTheLibrarysError() {
        TrelkReportRecorder recorder;
        recorder.setConnectionString("Provider=SQLite;Data Source=" + m_dir.filePath("errors/Report.db"));
        const qint32 key = recorder.ppReportStart();
        qint16 y = 0;
        try {
            recorder.ppReport_PrintData(key, y, 0, QString(300, 'x'), 1);
            QFAIL("an overlong text was recorded");
        } catch (const TrelkPrintPreviewError& error) {
            QCOMPARE(error.description(), QString("The text to print is longer than 255 characters."));
            QCOMPARE(QString(error.what()), error.description());
        }
        y = 32700;
        try {
            recorder.ppReport_PrintData(key, y, 0, "x", 1);
            QFAIL("the position overflowed silently");
        } catch (const TrelkPrintPreviewError& error) {
            QCOMPARE(error.number(), 6);
        }
        qint32 previewed = key;
        QVERIFY_THROWS_EXCEPTION(TrelkPrintPreviewError, recorder.ppPrint(previewed, true));
        QVERIFY(m_messages.isEmpty());
    }

    void messagesGoToTheHost() {
        TrelkReportRecorder recorder;
        recorder.setConnectionString("Provider=SQLite;Data Source=" + m_dir.filePath("messages/Report.db"));
        qint32 key = recorder.ppReportStart();
        recorder.ppPrint(key, false);
        QCOMPARE(key, 0);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages.at(0).title, QString("Print Error"));
        QCOMPARE(m_messages.at(0).text, QString("No report to process!"));
        QCOMPARE(m_messages.at(0).icon, TrelkMessageIcon::Critical);
    }

    void previewShowsThePreviewWindowModally() {
        QWidget host;
        auto* control = new ctlTrelkPrintPreview(&host);
        control->setConnectionString("Provider=SQLite;Data Source=" + m_dir.filePath("preview/Report.db"));
        const qint32 key = control->ppReportStart();
        for (qint32 page = 1; page <= 2; ++page) {
            qint16 y = 720;
            control->ppReport_PrintData(key, y, 720, QString("Page %1").arg(page), page);
        }
        QString seen;
        QTimer::singleShot(0, [&seen] {
            QWidget* window = QApplication::activeModalWidget();
            QVERIFY(window);
            seen = window->objectName() + ":" + window->findChild<QLineEdit*>("txtPage")->text();
            window->close();
        });
        qint32 previewed = key;
        control->ppPrint(previewed, true);
        QCOMPARE(seen, QString("frmPrintPreview:1"));
        QCOMPARE(printedJobs(), QStringList());
    }
};

QTEST_MAIN(tst_TrelkPrintPreview)
#include "tst_trelkprintpreview.moc"
