#include "ProgramIcons.h"

#include "ToolbarImages.h"

#include <QHash>
#include <QPainter>
#include <QPixmap>

namespace {

constexpr int Size = 64;

void drawPage(QPainter& p, const QColor& color) {
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(Qt::white);
    p.drawRect(14, 6, 36, 52);
    p.setPen(QPen(color, 3));
    for (int y = 16; y <= 46; y += 8)
        p.drawLine(20, y, 44, y);
}

void drawHandheld(QPainter& p) {
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(QColor(70, 80, 95));
    p.drawRoundedRect(16, 4, 32, 56, 6, 6);
    p.setBrush(QColor(160, 210, 240));
    p.drawRect(21, 10, 22, 28);
    p.setBrush(QColor(200, 200, 200));
    p.drawEllipse(QPoint(32, 49), 5, 5);
}

void draw(QPainter& p, const QString& key) {
    if (key == QLatin1String("icoPocketPC") || key == QLatin1String("icoHandheld")) {
        drawHandheld(p);
    } else if (key == QLatin1String("icoTemplate")) {
        drawPage(p, QColor(200, 140, 30));
        p.setPen(QPen(QColor(60, 60, 60), 2));
        p.setBrush(Qt::NoBrush);
        for (int y = 14; y <= 44; y += 8)
            p.drawRect(40, y, 6, 6);
    } else if (key == QLatin1String("icoReport")) {
        drawPage(p, QColor(120, 120, 120));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 120, 200));
        p.drawRect(22, 36, 6, 14);
        p.setBrush(QColor(220, 80, 60));
        p.drawRect(30, 28, 6, 22);
        p.setBrush(QColor(60, 170, 80));
        p.drawRect(38, 40, 6, 10);
    } else if (key == QLatin1String("icoEvaluation")) {
        drawPage(p, QColor(40, 120, 200));
        p.setPen(QPen(QColor(40, 160, 60), 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(24, 40, 32, 50);
        p.drawLine(32, 50, 52, 24);
    } else if (key == QLatin1String("icoOptions")) {
        p.setPen(QPen(QColor(90, 90, 90), 8, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 4; ++i) {
            p.save();
            p.translate(32, 32);
            p.rotate(45.0 * i);
            p.drawLine(-24, 0, 24, 0);
            p.restore();
        }
        p.setPen(QPen(QColor(60, 60, 60), 2));
        p.setBrush(QColor(170, 170, 170));
        p.drawEllipse(QPoint(32, 32), 16, 16);
        p.setBrush(Qt::white);
        p.drawEllipse(QPoint(32, 32), 6, 6);
    } else if (key == QLatin1String("icoCustomer")) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(80, 110, 160));
        p.drawEllipse(QPoint(32, 20), 12, 12);
        p.drawRoundedRect(12, 36, 40, 24, 10, 10);
    } else {
        p.setPen(QPen(QColor(60, 60, 60), 2));
        p.setBrush(QColor(230, 230, 210));
        p.drawRect(8, 16, 48, 32);
        p.setFont(QFont(QStringLiteral("Arial"), 14, QFont::Bold));
        p.drawText(QRect(8, 16, 48, 32), Qt::AlignCenter, QStringLiteral("01"));
    }
}

} // namespace

namespace ProgramIcons {

QIcon icon(const QString& key) {
    // The images that the toolbars have too are drawn once, there.
    static const QHash<QString, QString> shared{{QStringLiteral("icoExit"), QStringLiteral("Exit")},
                                                {QStringLiteral("icoUpload"), QStringLiteral("Upload")},
                                                {QStringLiteral("icoDownload"), QStringLiteral("Download")},
                                                {QStringLiteral("icoWebSite"), QStringLiteral("Website")}};
    if (const auto found = shared.constFind(key); found != shared.constEnd())
        return ToolbarImages::icon(*found);
    QPixmap pixmap(Size, Size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, key);
    painter.end();
    return QIcon(pixmap);
}

} // namespace ProgramIcons
