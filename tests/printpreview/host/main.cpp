// Records a two-page report with texts, lines and a picture, previews it and prints it.
// Usage: trelk-host <output folder>; the preview pages land there as PNG files, the whole
// report as report.pdf, and the print job in the print folder.
#include <TrelkPrintPreview.h>

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace {

QString makePicture(const QString& folder) {
    QImage logo(160, 80, QImage::Format_ARGB32);
    logo.fill(QColor(30, 90, 160));
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(250, 200, 40));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(40, 40), 28, 28);
    painter.setPen(Qt::white);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(26);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(72, 0, 88, 80), Qt::AlignCenter, QStringLiteral("Trelk"));
    painter.end();
    const QString file = folder + QStringLiteral("/logo.png");
    logo.save(file);
    return file;
}

void recordPage(ctlTrelkPrintPreview& control, qint32 key, qint32 page, qint16 orientation, const QString& picture) {
    const qint16 right = orientation == 2 ? 14400 : 10800;
    qint16 y = 1440;
    control.ppReport_PrintData(key, y, 1440, QStringLiteral("Quarterly Inspection Summary"), page, orientation, true,
                               18, 500);
    control.ppReport_PaintPicture(key, picture, right - 2400, 1200, page, 160, 80, orientation);
    control.ppReport_Line(key, 1440, 2300, right, 2300, page, orientation, 2);
    y = 2600;
    const QStringList rows{QStringLiteral("North site"), QStringLiteral("South site"), QStringLiteral("Harbour"),
                           QStringLiteral("Warehouse")};
    for (int i = 0; i < rows.size(); ++i) {
        qint16 score = y;
        control.ppReport_PrintData(key, y, 1440, rows.at(i), page, orientation);
        control.ppReport_PrintData(key, score, 6000, 70 + 7 * i + page, page, orientation, false, 10, 300,
                                   QStringLiteral("Arial"), false, 0,
                                   i % 2 ? 0x0000C0 : TrelkReportRecorder::WindowTextColor);
    }
    control.ppReport_Line(key, 1440, y + 100, right, y + 100, page, orientation, 1, 2, 0x808080);
    y += 300;
    control.ppReport_PrintData(key, y, 1440, QStringLiteral("Reviewed and signed"), page, orientation, false, 11, 300,
                               QStringLiteral("Arial"), false, 0, TrelkReportRecorder::WindowTextColor, true, false,
                               true);
    qint16 footer = orientation == 2 ? 11000 : 14600;
    control.ppReport_PrintData(key, footer, 1440, QStringLiteral("Page %1 of ").arg(page), page, orientation, false, 9,
                               300, QStringLiteral("Arial"), true);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: trelk-host <output folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    // Printing without a printer tells where the PDF file went; any other message is a fault.
    int messages = 0;
    TrelkReportRecorder::ppSetMessageHandler([&messages](const QString& title, const QString& text, TrelkMessageIcon) {
        std::fprintf(stderr, "message %s: %s\n", qPrintable(title), qPrintable(text));
        if (title != QLatin1String("Print"))
            ++messages;
    });

    QWidget window;
    auto* control = new ctlTrelkPrintPreview(&window);
    control->setConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + out +
                                 QStringLiteral("/Report.db;Persist Security Info=False"));
    const qint32 key = control->ppReportStart();
    if (key == 0)
        return 1;
    const QString picture = makePicture(out);
    recordPage(*control, key, 1, 1, picture);
    recordPage(*control, key, 2, 2, picture);

    bool previewed = false;
    QTimer::singleShot(0, [&] {
        QWidget* preview = QApplication::activeModalWidget();
        if (!preview)
            return;
        preview->resize(900, 1000);
        preview->grab().save(out + QStringLiteral("/preview-1.png"));
        preview->findChild<QPushButton*>(QStringLiteral("cmdNext"))->click();
        preview->grab().save(out + QStringLiteral("/preview-2.png"));
        previewed = true;
        preview->close();
    });
    qint32 shown = key;
    control->ppPrint(shown, true);
    qint32 printed = key;
    control->ppPrint(printed, false);
    const bool saved = control->ppSavePdf(key, out + QStringLiteral("/report.pdf"));
    std::printf("previewed %d, printed key %d, saved %d, messages %d\n", previewed, printed, saved, messages);
    return previewed && printed == key && saved && messages == 0 ? 0 : 1;
}
