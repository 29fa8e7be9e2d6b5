#include "ControlMessages.h"
#include "KestrivoError.h"
#include "PageListParser.h"
#include "PdfPrinterTarget.h"
#include "PdfProbe.h"
#include "PreviewRenderer.h"
#include "PrintPagesLogic.h"
#include "PrintPreviewLogic.h"
#include "RecordingPrinter.h"
#include "ReportDatabase.h"
#include "ReportPrinter.h"
#include "ReportRowReader.h"
#include "ReportSession.h"
#include "RowPainter.h"
#include "ScriptedPrompter.h"
#include "SharedControlState.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

Q_DECLARE_METATYPE(QList<PageRange>)

namespace {

constexpr qint32 WindowText = qint32(0x80000008u);

} // namespace

// Lets QCOMPARE show page lists.
char* toString(const QList<PageRange>& ranges) {
    QStringList items;
    for (const PageRange& range : ranges)
        items << QStringLiteral("(%1,%2)").arg(range.first).arg(range.last);
    return qstrdup(qPrintable(items.join(", ")));
}

class tst_ReportRendering : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ReportSession> m_session;
    qint32 m_key = 0;

    void text(const QString& value, qint32 page, qint16 x, qint16 y, qint16 orientation = 1) {
        m_session->ppReport_PrintData(m_key, y, x, value, page, orientation, false, 10, 300, "Arial", false, 0,
                                      WindowText, false, false, false);
    }
    void line(qint32 page, qint16 x1, qint16 y1, qint16 x2, qint16 y2, qint16 width = 1, qint16 style = 0) {
        m_session->ppReport_Line(m_key, x1, y1, x2, y2, page, 1, width, style, 0);
    }
    QString pictureFile(QSize pixels) {
        QImage image(pixels, QImage::Format_RGB32);
        image.fill(Qt::red);
        image.setDotsPerMeterX(3780);
        image.setDotsPerMeterY(3780);
        const QString file =
            m_dir->filePath(QStringLiteral("picture-%1x%2.png").arg(pixels.width()).arg(pixels.height()));
        image.save(file);
        return file;
    }
    QString printed(qint32 first, qint32 last) {
        RecordingPrinter printer;
        ReportPrinter::print(m_key, first, last, printer);
        return printer.summary();
    }

private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        SharedControlState::instance().setConnectionString(QStringLiteral("Provider=SQLite;Data Source=") +
                                                           m_dir->filePath("Report.db"));
        m_session = std::make_unique<ReportSession>([](qint32) {},
                                                    []() -> PrinterTarget& {
                                                        static RecordingPrinter unused;
                                                        return unused;
                                                    });
        m_key = m_session->ppReportStart(true, false);
        QVERIFY(m_key > 0);
    }
    void cleanup() {
        m_session.reset();
        m_dir.reset();
    }

    void rowsAreDrawnPageByPageTopToBottomLeftToRight() {
        text("E", 2, 100, 900);
        text("C", 1, 100, 900);
        text("B", 1, 3000, 300);
        text("A", 1, 100, 300);
        text("D", 2, 100, 300);
        text("B2", 1, 3000, 300); // same spot: recorded later, drawn later
        QCOMPARE(printed(0, 0), QString("A,B,B2,C|D,E"));
    }

    void pagesAreSelectedByFirstAndLast_data() {
        QTest::addColumn<qint32>("first");
        QTest::addColumn<qint32>("last");
        QTest::addColumn<QString>("pages");
        QTest::newRow("all") << 0 << 0 << "1|2|4";
        QTest::newRow("negative first is all") << -3 << 2 << "1|2|4";
        QTest::newRow("one page") << 2 << 0 << "2";
        QTest::newRow("range") << 2 << 4 << "2|4";
        QTest::newRow("range over a gap") << 3 << 9 << "4";
        QTest::newRow("empty page makes no job") << 3 << 0 << "";
        QTest::newRow("beyond the end makes no job") << 7 << 9 << "";
    }
    void pagesAreSelectedByFirstAndLast() {
        QFETCH(qint32, first);
        QFETCH(qint32, last);
        QFETCH(QString, pages);
        for (qint32 page : {1, 2, 4})
            text(QString::number(page), page, 100, 100);
        RecordingPrinter printer;
        ReportPrinter::print(m_key, first, last, printer);
        QCOMPARE(printer.summary(), pages);
        QCOMPARE(printer.jobs().size(), pages.isEmpty() ? 0 : 1);
    }

    void aReportOnPageThreeStartsWithPageThree() {
        text("only", 3, 100, 100);
        RecordingPrinter printer;
        QCOMPARE(ReportPrinter::print(m_key, 0, 0, printer), 1);
        QCOMPARE(printer.summary(), QString("only"));
    }

    void eachPageTakesItsOrientation() {
        text("portrait", 1, 100, 100, 1);
        text("landscape", 2, 100, 100, 2);
        text("unknown", 3, 100, 100, 0);
        text("portrait again", 4, 100, 100, 1);
        RecordingPrinter printer;
        ReportPrinter::print(m_key, 0, 0, printer);
        QList<int> orientations;
        for (const RecordingPrinter::Page& page : printer.jobs().value(0))
            orientations << page.orientation;
        QCOMPARE(orientations, QList<int>({1, 2, 2, 1}));
    }

    void linesAreSevenTimesWiderOnPaper() {
        line(1, 1440, 1500, 4320, 1500, 2, 0);
        line(1, 0, 0, 100, 100, 1, 1);
        line(1, 0, 0, 100, 100, 1, 5);
        RecordingPrinter printer;
        ReportPrinter::print(m_key, 0, 0, printer);
        const QList<PaintOp> ops = printer.jobs().value(0).value(0).device->ops();
        QCOMPARE(ops.size(), 3); // top to bottom: the two short lines first
        QCOMPARE(ops.at(0).penStyle, Qt::DashLine);
        QCOMPARE(ops.at(0).penWidth, 7.0);
        QCOMPARE(ops.at(1).penStyle, Qt::NoPen);
        QCOMPARE(ops.at(2).penWidth, 14.0);
        QCOMPARE(ops.at(2).from, QPointF(600, 625));
        QCOMPARE(ops.at(2).to, QPointF(1800, 625));

        QImage page;
        PreviewRenderer::render(m_key, 1, page);
        int dark = 0;
        for (int y = 90; y < 110; ++y)
            dark += qGray(page.pixel(150, y)) < 128;
        QCOMPARE(dark, 2);
    }

    // A box is its fill, its pattern (black, or white over a dark fill) and its outline as
    // wide as a line of that width; a box without fill draws its outline only, one without
    // height nothing.
    void boxesAreFilledPatternedAndOutlined() {
        m_session->ppReport_Box(m_key, 1440, 1440, 1440, 720, 1, 1, 0x00009FE6, 4, 1); // orange, rising lines
        m_session->ppReport_Box(m_key, 4320, 1440, 720, 720, 1, 1, 0x00000000, 6, 0);  // black, crossed
        m_session->ppReport_Box(m_key, 1440, 2880, 720, 720, 1, 1, 0x00B27200, 1, 2);  // no fill
        m_session->ppReport_Box(m_key, 4320, 2880, 720, 0, 1, 1, 0x00B27200, 0, 1);
        RecordingPrinter printer;
        ReportPrinter::print(m_key, 0, 0, printer);
        QList<PaintOp> rects, rising, crossed;
        for (const PaintOp& op : printer.jobs().value(0).value(0).device->ops()) {
            if (op.kind == PaintOp::Rect)
                rects << op;
            else if (op.kind == PaintOp::Line)
                (rects.size() == 1 ? rising : crossed) << op;
        }
        QCOMPARE(rects.size(), 4);
        QCOMPARE(rects.at(0).rect, QRectF(600, 600, 600, 300));
        QVERIFY(rects.at(0).filled && rects.at(0).color == QColor(230, 159, 0));
        QVERIFY(!rects.at(1).filled && rects.at(1).rect == rects.at(0).rect && rects.at(1).penWidth == 7);
        QCOMPARE(rects.at(2).rect, QRectF(1800, 600, 300, 300));
        QVERIFY(rects.at(2).filled && rects.at(2).color == QColor(Qt::black));
        QVERIFY(!rects.at(3).filled && rects.at(3).rect == QRectF(600, 1200, 300, 300) && rects.at(3).penWidth == 14);

        // 60 twips apart: 25 printer pixels, rising to the right, inside the box.
        QVERIFY(rising.size() > 20);
        for (const PaintOp& line : rising) {
            QCOMPARE(line.color, QColor(Qt::black));
            QCOMPARE(line.to.x() - line.from.x(), line.from.y() - line.to.y());
            QVERIFY(QRectF(600, 600, 600, 300).adjusted(-0.01, -0.01, 0.01, 0.01).contains(line.from));
            QVERIFY(QRectF(600, 600, 600, 300).adjusted(-0.01, -0.01, 0.01, 0.01).contains(line.to));
        }
        QCOMPARE(crossed.size(), 22); // 11 across and 11 down
        for (const PaintOp& line : crossed)
            QCOMPARE(line.color, QColor(Qt::white));
    }

    // The pattern is measured on the page: on screen, on paper or zoomed in it is the same
    // drawing at another scale; zoomed far out it keeps every other line, not a blur.
    void aBoxLooksTheSameAtAnyScale() {
        m_session->ppReport_Box(m_key, 1440, 1440, 2000, 1000, 1, 1, 0x00009FE6, 7, 1);
        const auto drawn = [this](int dotsPerInch) {
            RecordingPaintDevice device(QSize(dotsPerInch * 17 / 2, dotsPerInch * 11), dotsPerInch);
            {
                QPainter painter(&device);
                RowPainter drawer(m_key, dotsPerInch, 1);
                ReportRowReader rows(m_key, 1, 0);
                for (ReportRow row; rows.next(row);)
                    drawer.draw(painter, row);
            }
            QList<QLineF> lines; // in twips
            QRectF box;
            for (const PaintOp& op : device.ops()) {
                const double twips = 1440.0 / dotsPerInch;
                if (op.kind == PaintOp::Line)
                    lines << QLineF(op.from * twips, op.to * twips);
                else if (op.kind == PaintOp::Rect)
                    box = QRectF(op.rect.topLeft() * twips, op.rect.size() * twips);
            }
            return std::make_pair(box, lines);
        };
        const auto screen = drawn(96);
        QCOMPARE(screen.first, QRectF(1440, 1440, 2000, 1000));
        QVERIFY(screen.second.size() > 40);
        for (int dotsPerInch : {384, 600, 1200}) {
            const auto other = drawn(dotsPerInch);
            QCOMPARE(other.first, screen.first);
            QCOMPARE(other.second.size(), screen.second.size());
            for (int i = 0; i < screen.second.size(); ++i) {
                QVERIFY(QLineF(other.second.at(i).p1(), screen.second.at(i).p1()).length() < 0.01);
                QVERIFY(QLineF(other.second.at(i).p2(), screen.second.at(i).p2()).length() < 0.01);
            }
        }
        const qsizetype zoomedOut = drawn(48).second.size();
        QVERIFY2(zoomedOut > screen.second.size() / 3 && zoomedOut < screen.second.size() * 2 / 3,
                 qPrintable(QString::number(zoomedOut)));

        // The preview: the box from pixel 96, 96, 133 × 67 pixels.
        QImage page;
        PreviewRenderer::render(m_key, 1, page);
        int orange = 0, black = 0;
        for (int y = 100; y < 160; ++y)
            for (int x = 100; x < 225; ++x) {
                orange += page.pixelColor(x, y) == QColor(230, 159, 0);
                black += page.pixelColor(x, y) == QColor(Qt::black);
            }
        QVERIFY2(orange > 60 * 125 / 3 && black > 60 * 125 / 8, qPrintable(QString("%1, %2").arg(orange).arg(black)));
        QCOMPARE(page.pixelColor(96, 130), QColor(Qt::black)); // the outline
        QCOMPARE(page.pixelColor(240, 130), QColor(Qt::white));
    }

    void picturesKeepTheirSizeUnlessBothSidesAreGiven() {
        const QString file = pictureFile({40, 20});
        m_session->ppReport_PaintPicture(m_key, file, 1440, 720, 1, 100, 0, 1, 0, 0, 0, 0, 0);
        m_session->ppReport_PaintPicture(m_key, file, 1440, 2880, 1, 100, 50, 1, 0, 0, 0, 0, 0);
        RecordingPrinter printer;
        ReportPrinter::print(m_key, 0, 0, printer);
        const QList<PaintOp> ops = printer.jobs().value(0).value(0).device->ops();
        QCOMPARE(ops.size(), 2);
        QCOMPARE(ops.at(0).rect, QRectF(600, 300, 250, 125)); // 40 x 20 pixels at 96 dpi
        QCOMPARE(ops.at(1).rect, QRectF(600, 1200, 625, 312.5));
    }

    void aPictureThatCannotBeLoadedEndsTheJobUnsent() {
        text("before", 1, 100, 100);
        m_session->ppReport_PaintPicture(m_key, m_dir->filePath("missing.png"), 0, 0, 2, 0, 0, 1, 0, 0, 0, 0, 0);
        RecordingPrinter printer;
        try {
            ReportPrinter::print(m_key, 0, 0, printer);
            QFAIL("a missing picture was printed");
        } catch (const KestrivoError& error) {
            QCOMPARE(error.number(), ErrorNumber::FileNotFound);
        }
        QCOMPARE(printer.jobs().size(), 0);
        QCOMPARE(printer.abandoned(), 1);

        QFile notAnImage(m_dir->filePath("notes.png"));
        QVERIFY(notAnImage.open(QIODevice::WriteOnly));
        notAnImage.write("plain text");
        notAnImage.close();
        m_session->ppReport_PaintPicture(m_key, notAnImage.fileName(), 0, 0, 3, 0, 0, 1, 0, 0, 0, 0, 0);
        QImage surface;
        try {
            PreviewRenderer::render(m_key, 3, surface);
            QFAIL("a broken picture was drawn");
        } catch (const KestrivoError& error) {
            QCOMPARE(error.number(), 481);
        }
    }

    void pageNumbersAreAppendedWhenDrawn() {
        for (qint32 page = 1; page <= 5; ++page)
            text("filler", page, 100, 100);
        qint16 y = 500;
        m_session->ppReport_PrintData(m_key, y, 100, "Page 2 of ", 2, 1, false, 10, 300, "Arial", true, 0, WindowText,
                                      false, false, false);
        m_session->ppReport_PrintData(m_key, y, 100, "Page 2 of ", 2, 1, false, 10, 300, "Arial", false, 7, WindowText,
                                      false, false, false);
        m_session->ppReport_PrintData(m_key, y, 100, "", 2, 1, false, 10, 300, "Arial", false, 12, WindowText, false,
                                      false, false); // an empty text records nothing, not even its count
        QCOMPARE(printed(2, 0), QString("filler,Page 2 of 5,Page 2 of 7"));
    }

    void anyOtherDetailTypeIsText() {
        ReportDatabase::shared().execute(
            "INSERT INTO ReportDetail (ReportKey, ReportPage, Orientation, DetailType, X1, Y1, DetailData, FontName, "
            "FontSize, ForeColor) VALUES (?, 1, 1, 5, 100, 100, ' 12 ', 'Arial', 10, 0)",
            {m_key});
        QCOMPARE(printed(0, 0), QString("12"));
    }

    void textsCarryTheirFontAndColour() {
        qint16 y = 1440;
        m_session->ppReport_PrintData(m_key, y, 720, "Styled", 1, 1, true, 14, 300, "Courier New", false, 0, 0x0000FF,
                                      true, true, true);
        text("Plain", 1, 720, 2880);
        RecordingPrinter printer;
        ReportPrinter::print(m_key, 0, 0, printer);
        QList<PaintOp> ops = printer.jobs().value(0).value(0).device->ops();
        ops.removeIf([](const PaintOp& op) { return op.kind != PaintOp::Text; }); // underline and strikeout strokes
        QCOMPARE(ops.size(), 2);
        const QFont styled = ops.at(0).font;
        QCOMPARE(styled.family(), QString("Courier New"));
        QCOMPARE(styled.pointSize(), 14);
        QVERIFY(styled.bold() && styled.italic() && styled.strikeOut() && styled.underline());
        QCOMPARE(ops.at(0).color, QColor(255, 0, 0));
        QCOMPARE(ops.at(1).color, QGuiApplication::palette().color(QPalette::WindowText));
        QVERIFY(!ops.at(1).font.bold());
        // The text's top-left corner sits at its position: the baseline lies one ascent lower.
        QCOMPARE(ops.at(1).from.x(), 300.0);
        QVERIFY(ops.at(1).from.y() > 1200 && ops.at(1).from.y() < 1300);
    }

    void thePreviewSurfaceFollowsThePage() {
        text("portrait", 1, 1440, 1440, 1);
        text("landscape", 2, 1440, 1440, 2);
        text("unknown", 4, 1440, 1440, 7);
        QImage surface;
        PreviewRenderer::render(m_key, 1, surface);
        QCOMPARE(surface.size(), QSize(816, 1056));
        QCOMPARE(surface.logicalDpiX(), 96);
        bool inked = false;
        for (int x = 96; x < 140 && !inked; ++x)
            for (int y = 96; y < 115 && !inked; ++y)
                inked = qGray(surface.pixel(x, y)) < 128;
        QVERIFY(inked);
        PreviewRenderer::render(m_key, 2, surface);
        QCOMPARE(surface.size(), QSize(1056, 816));
        PreviewRenderer::render(m_key, 3, surface); // no rows: cleared, same size
        QCOMPARE(surface.size(), QSize(1056, 816));
        QCOMPARE(qGray(surface.pixel(110, 105)), 255);
        PreviewRenderer::render(m_key, 4, surface);
        QCOMPARE(surface.size(), QSize(1056, 816));
    }

    void pdfJobsAreNumberedFilesWithTextKept() {
        text("First page", 1, 1440, 1440, 1);
        text("Second page", 2, 1440, 1440, 2);
        const QString folder = m_dir->filePath("printouts/");
        QDir().mkpath(folder);
        QFile(folder + "job-0007.pdf").open(QIODevice::WriteOnly);
        const auto jobs = PdfPrinterTarget::numberedJobs(folder);
        QCOMPARE(ReportPrinter::print(m_key, 0, 0, *jobs), 2);
        QCOMPARE(jobs->lastFile(), folder + "job-0008.pdf");
        QCOMPARE(ReportPrinter::print(m_key, 2, 0, *jobs), 1);
        QCOMPARE(jobs->lastFile(), folder + "job-0009.pdf");
        QCOMPARE(ReportPrinter::print(m_key, 5, 0, *jobs), 0);
        QCOMPARE(QDir(folder).entryList({"*.pdf"}), QStringList({"job-0007.pdf", "job-0008.pdf", "job-0009.pdf"}));
        QCOMPARE(PdfProbe::pageCount(folder + "job-0008.pdf"), 2);
        QCOMPARE(PdfProbe::pageSize(folder + "job-0008.pdf", 1), QString("612 x 792"));
        QCOMPARE(PdfProbe::pageSize(folder + "job-0008.pdf", 2), QString("792 x 612"));
        QVERIFY(PdfProbe::text(folder + "job-0008.pdf", 1).contains("First page"));
        QVERIFY(PdfProbe::text(folder + "job-0009.pdf").contains("Second page"));
    }

    void aFailedPdfJobLeavesNoFile() {
        text("page", 1, 100, 100);
        m_session->ppReport_PaintPicture(m_key, m_dir->filePath("missing.png"), 0, 0, 2, 0, 0, 1, 0, 0, 0, 0, 0);
        const QString file = m_dir->filePath("whole.pdf");
        const auto target = PdfPrinterTarget::singleFile(file);
        QVERIFY_THROWS_EXCEPTION(KestrivoError, ReportPrinter::print(m_key, 0, 0, *target));
        QVERIFY(!QFile::exists(file));
        QCOMPARE(QDir(m_dir->path()).entryList({"whole*"}, QDir::Files), QStringList());
        QVERIFY_THROWS_EXCEPTION(KestrivoError,
                                 PdfPrinterTarget::singleFile(m_dir->filePath("no/such/dir/x.pdf"))->startPage(1));
    }

    void savingAPdfWritesTheChosenPages() {
        for (qint32 page = 1; page <= 4; ++page)
            text(QStringLiteral("Sheet %1").arg(page), page, 1440, 1440);
        const QString file = m_dir->filePath("range.pdf");
        QVERIFY(m_session->ppSavePdf(m_key, file, 2, 3));
        QCOMPARE(PdfProbe::pageCount(file), 2);
        QVERIFY(PdfProbe::text(file, 2).contains("Sheet 3"));
        QVERIFY(!m_session->ppSavePdf(m_key, m_dir->filePath("none.pdf"), 9, 0)); // silent start: no box
        QVERIFY(!QFile::exists(m_dir->filePath("none.pdf")));
    }

    void copiesRepeatTheWholeSelection() {
        for (qint32 page = 1; page <= 4; ++page)
            text(QString::number(page), page, 100, 100);
        PrintPreviewLogic preview(m_key);
        QVERIFY(preview.load());
        PrintPagesLogic choice;
        RecordingPrinter never;
        preview.print(choice, never); // never confirmed: no copies
        QCOMPARE(never.jobs().size(), 0);

        choice.activate();
        choice.pagesEntered();
        choice.confirm("2", "1,3");
        RecordingPrinter printer;
        preview.print(choice, printer);
        QCOMPARE(printer.summary(), QString("1 / 3 / 1 / 3"));

        choice.activate();
        choice.optionClicked(PrintPagesLogic::CurrentPage);
        preview.nextPage();
        choice.confirm("1", "");
        RecordingPrinter current;
        preview.print(choice, current);
        QCOMPARE(current.summary(), QString("2"));

        choice.activate();
        choice.confirm("3", "");
        RecordingPrinter all;
        preview.print(choice, all);
        QCOMPARE(all.summary(), QString("1|2|3|4 / 1|2|3|4 / 1|2|3|4"));

        choice.activate();
        choice.cancel();
        RecordingPrinter cancelled;
        preview.print(choice, cancelled);
        QCOMPARE(cancelled.jobs().size(), 0);

        choice.activate();
        choice.pagesEntered();
        choice.confirm("1", "5-,9");
        RecordingPrinter open;
        preview.print(choice, open);
        QCOMPARE(open.summary(), QString("1|2|3|4"));
    }

    void pageListsBecomeRanges_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<PageRange>>("ranges");
        using L = QList<PageRange>;
        QTest::newRow("pages and a range") << "1, 3, 5-7" << L{{1, 1}, {3, 3}, {5, 7}};
        QTest::newRow("backwards range") << "7-5" << L{{5, 7}};
        QTest::newRow("middle of a chain lost") << "2-4-6" << L{{2, 6}};
        QTest::newRow("open end") << "3-" << L{};
        QTest::newRow("page zero") << "0" << L{};
        QTest::newRow("range then page") << "5-7,9" << L{{5, 7}, {9, 9}};
        QTest::newRow("open range runs on") << "5-,9" << L{{0, 9}};
        QTest::newRow("blanks and letters skipped") << "1 0" << L{{10, 10}};
        QTest::newRow("letters inside") << "a1b2" << L{{12, 12}};
        QTest::newRow("leading dash means all") << "-4" << L{{0, 4}};
        QTest::newRow("empty") << "" << L{};
        QTest::newRow("only commas") << ",,," << L{};
        QTest::newRow("order kept") << "9,2-3,1" << L{{9, 9}, {2, 3}, {1, 1}};
        QTest::newRow("huge page") << "99999999999" << L{{2147483647, 2147483647}};
    }
    void pageListsBecomeRanges() {
        QFETCH(QString, text);
        QFETCH(QList<PageRange>, ranges);
        QCOMPARE(PageListParser::parse(text), ranges);
    }

    void copiesStayWithinAWord() {
        ScriptedPrompter prompter;
        PrintPagesLogic choice;
        QCOMPARE(choice.ppCopies(), qint16(0));
        QCOMPARE(choice.copiesChanged("0", prompter), QString("1"));
        QCOMPARE(choice.copiesChanged("", prompter), QString("1"));
        QCOMPARE(choice.copiesChanged("many", prompter), QString("1"));
        QCOMPARE(choice.copiesChanged("4000", prompter), QString("4000"));
        prompter.answer(PromptAnswer::Ok);
        QCOMPARE(choice.copiesChanged("40000", prompter), QString("4000"));
        QCOMPARE(prompter.last().text, QString("The number of copies must be from 1 to 32767."));
        QCOMPARE(prompter.last().icon, PromptIcon::Critical);
        QCOMPARE(choice.copiesChanged("32767", prompter), QString("32767"));
        choice.confirm("2.6", "1-2");
        QCOMPARE(choice.ppCopies(), qint16(3));
        QCOMPARE(choice.ppPages(), QString("1-2"));
        choice.optionClicked(2);
        choice.cancel();
        choice.activate();
        QVERIFY(!choice.ppPreviewAbort());
        QCOMPARE(choice.ppOptIndex(), qint16(0));
        QCOMPARE(choice.ppCopies(), qint16(3));
    }
};

QTEST_MAIN(tst_ReportRendering)
#include "tst_reportrendering.moc"
