#include "ToolbarImages.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>

namespace {

// Every image is drawn on a 32 x 32 grid and scaled to the sizes the toolbars ask for.
using Drawing = std::function<void(QPainter&)>;

const QColor Ink(50, 50, 50);
const QColor Paper(250, 250, 250);
const QColor Red(200, 40, 40);
const QColor Green(40, 150, 60);
const QColor Blue(40, 100, 200);

void page(QPainter& p, QRectF rect) {
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Paper);
    p.drawRect(rect);
}

void textLines(QPainter& p, QRectF rect, int count) {
    p.setPen(QPen(QColor(120, 120, 120), 1.5));
    for (int i = 0; i < count; ++i) {
        const double y = rect.top() + 4 + i * 4;
        p.drawLine(QPointF(rect.left() + 3, y), QPointF(rect.right() - 3, y));
    }
}

void cross(QPainter& p, QPointF centre, double half) {
    p.setPen(QPen(Red, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(-half, -half), centre + QPointF(half, half));
    p.drawLine(centre + QPointF(-half, half), centre + QPointF(half, -half));
}

void plus(QPainter& p, QPointF centre, double half) {
    p.setPen(QPen(Green, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(-half, 0), centre + QPointF(half, 0));
    p.drawLine(centre + QPointF(0, -half), centre + QPointF(0, half));
}

void letter(QPainter& p, QRectF rect, const QString& text, const QColor& color) {
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(int(rect.height()));
    p.setFont(font);
    p.setPen(color);
    p.drawText(rect, Qt::AlignCenter, text);
}

void triangle(QPainter& p, double tipX, double baseX) {
    QPainterPath path;
    path.moveTo(tipX, 16);
    path.lineTo(baseX, 6);
    path.lineTo(baseX, 26);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Blue);
    p.drawPath(path);
}

void bar(QPainter& p, double x) {
    p.setPen(Qt::NoPen);
    p.setBrush(Blue);
    p.drawRect(QRectF(x, 6, 3, 20));
}

void verticalArrow(QPainter& p, bool up, const QColor& color) {
    QPainterPath path;
    const double tip = up ? 3 : 22;
    const double shoulder = up ? 12 : 13;
    const double tail = up ? 22 : 3;
    path.moveTo(16, tip);
    path.lineTo(25, shoulder);
    path.lineTo(20, shoulder);
    path.lineTo(20, tail);
    path.lineTo(12, tail);
    path.lineTo(12, shoulder);
    path.lineTo(7, shoulder);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(path);
    p.setPen(QPen(Ink, 2.5));
    p.drawLine(QPointF(4, 24), QPointF(4, 29));
    p.drawLine(QPointF(4, 29), QPointF(28, 29));
    p.drawLine(QPointF(28, 29), QPointF(28, 24));
}

void magnifier(QPainter& p, QPointF centre, double radius) {
    p.setPen(QPen(Ink, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(QColor(200, 230, 250));
    p.drawEllipse(centre, radius, radius);
    const QPointF handle = centre + QPointF(radius * 0.7, radius * 0.7);
    p.setPen(QPen(QColor(120, 80, 40), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(handle, handle + QPointF(radius * 0.8, radius * 0.8));
}

void printer(QPainter& p) {
    page(p, QRectF(9, 3, 14, 10));
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(QColor(160, 160, 170));
    p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
    page(p, QRectF(8, 20, 16, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(Green);
    p.drawEllipse(QPointF(25, 16), 1.5, 1.5);
}

void circularArrow(QPainter& p, double startAngle, double span, const QColor& color) {
    p.setPen(QPen(color, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF circle(6, 6, 20, 20);
    p.drawArc(circle, int(startAngle * 16), int(span * 16));
    QPainterPath arc;
    arc.arcMoveTo(circle, startAngle + span);
    const QPointF end = arc.currentPosition();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(end, 4, 4);
}

void drawExit(QPainter& p) {
    p.setPen(QPen(QColor(90, 60, 30), 1.5));
    p.setBrush(QColor(180, 130, 80));
    p.drawRect(QRectF(4, 3, 15, 26));
    p.setPen(QPen(Red, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15, 16), QPointF(29, 16));
    p.drawLine(QPointF(24, 11), QPointF(29, 16));
    p.drawLine(QPointF(24, 21), QPointF(29, 16));
}

void drawSave(QPainter& p) {
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(QColor(60, 90, 160));
    p.drawRect(QRectF(4, 4, 24, 24));
    p.setBrush(Paper);
    p.drawRect(QRectF(8, 4, 16, 10));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(9, 19, 14, 9));
}

void drawWizard(QPainter& p) {
    p.setPen(QPen(QColor(80, 50, 20), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 28), QPointF(19, 14));
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double radius = i % 2 ? 3.5 : 8;
        const double angle = i * 3.14159265 / 5 - 3.14159265 / 2;
        const QPointF point(23 + radius * std::cos(angle), 9 + radius * std::sin(angle));
        i ? star.lineTo(point) : star.moveTo(point);
    }
    star.closeSubpath();
    p.setPen(QPen(QColor(180, 130, 0), 1));
    p.setBrush(QColor(250, 210, 40));
    p.drawPath(star);
}

void drawInfo(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(Blue);
    p.drawEllipse(QRectF(3, 3, 26, 26));
    letter(p, QRectF(3, 5, 26, 22), "i", Paper);
}

void drawGroup(QPainter& p) {
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(QColor(240, 190, 60));
    p.drawEllipse(QRectF(3, 3, 14, 14));
    p.setBrush(QColor(90, 170, 230));
    p.drawEllipse(QRectF(15, 3, 14, 14));
    p.setBrush(QColor(120, 200, 110));
    p.drawEllipse(QRectF(9, 14, 14, 14));
}

void drawWebsite(QPainter& p) {
    p.setPen(QPen(Blue, 2));
    p.setBrush(QColor(210, 235, 250));
    p.drawEllipse(QRectF(3, 3, 26, 26));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(10, 3, 12, 26));
    p.drawLine(QPointF(3, 16), QPointF(29, 16));
    p.drawLine(QPointF(6, 9), QPointF(26, 9));
    p.drawLine(QPointF(6, 23), QPointF(26, 23));
}

void drawCut(QPainter& p) {
    p.setPen(QPen(Ink, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 3), QPointF(21, 21));
    p.drawLine(QPointF(22, 3), QPointF(11, 21));
    p.setPen(QPen(Red, 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(9, 25), 4.5, 4.5);
    p.drawEllipse(QPointF(23, 25), 4.5, 4.5);
}

void drawPaste(QPainter& p) {
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(QColor(180, 130, 70));
    p.drawRoundedRect(QRectF(4, 5, 20, 24), 2, 2);
    p.setBrush(QColor(170, 170, 170));
    p.drawRect(QRectF(9, 2, 10, 5));
    page(p, QRectF(13, 12, 15, 18));
    textLines(p, QRectF(13, 12, 15, 18), 3);
}

void drawUndo(QPainter& p) {
    p.setPen(QPen(Blue, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath curve;
    curve.moveTo(8, 13);
    curve.cubicTo(20, 4, 32, 14, 24, 26);
    p.drawPath(curve);
    QPainterPath head;
    head.moveTo(3, 12);
    head.lineTo(13, 6);
    head.lineTo(12, 18);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Blue);
    p.drawPath(head);
}

void drawCopy(QPainter& p) {
    page(p, QRectF(3, 2, 16, 21));
    textLines(p, QRectF(3, 2, 16, 21), 3);
    page(p, QRectF(12, 9, 16, 21));
    textLines(p, QRectF(12, 9, 16, 21), 3);
}

void drawVoid(QPainter& p) {
    p.setPen(QPen(Red, 4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(4, 4, 24, 24));
    p.drawLine(QPointF(8, 24), QPointF(24, 8));
}

const QHash<QString, Drawing>& drawings() {
    static const QHash<QString, Drawing> table{
        {"Exit", drawExit},
        {"Save", drawSave},
        {"Wizard", drawWizard},
        {"Add",
         [](QPainter& p) {
             page(p, QRectF(5, 3, 18, 24));
             plus(p, QPointF(22, 22), 6);
         }},
        {"Remove",
         [](QPainter& p) {
             page(p, QRectF(5, 3, 18, 24));
             cross(p, QPointF(22, 22), 5);
         }},
        {"RemoveQuestion",
         [](QPainter& p) {
             letter(p, QRectF(2, 2, 18, 22), "?", Blue);
             cross(p, QPointF(23, 23), 5);
         }},
        {"RemoveAnswer",
         [](QPainter& p) {
             letter(p, QRectF(2, 2, 18, 22), "A", Blue);
             cross(p, QPointF(23, 23), 5);
         }},
        {"RemoveList",
         [](QPainter& p) {
             page(p, QRectF(4, 3, 18, 22));
             textLines(p, QRectF(4, 3, 18, 22), 4);
             cross(p, QPointF(23, 23), 5);
         }},
        {"AddSame",
         [](QPainter& p) {
             page(p, QRectF(3, 2, 15, 20));
             page(p, QRectF(8, 7, 15, 20));
             plus(p, QPointF(23, 23), 6);
         }},
        {"BFile",
         [](QPainter& p) {
             bar(p, 4);
             triangle(p, 8, 18);
             triangle(p, 17, 27);
         }},
        {"PRecord", [](QPainter& p) { triangle(p, 9, 23); }},
        {"NRecord", [](QPainter& p) { triangle(p, 23, 9); }},
        {"EFile",
         [](QPainter& p) {
             triangle(p, 15, 5);
             triangle(p, 24, 14);
             bar(p, 25);
         }},
        {"Info", drawInfo},
        {"Lookup", [](QPainter& p) { magnifier(p, QPointF(13, 13), 8); }},
        {"Group", drawGroup},
        {"Download", [](QPainter& p) { verticalArrow(p, false, Blue); }},
        {"Upload", [](QPainter& p) { verticalArrow(p, true, Green); }},
        {"Website", drawWebsite},
        {"Cut", drawCut},
        {"Paste", drawPaste},
        {"Undo", drawUndo},
        {"Print", [](QPainter& p) { printer(p); }},
        {"PrintPreview",
         [](QPainter& p) {
             page(p, QRectF(3, 2, 19, 26));
             textLines(p, QRectF(3, 2, 19, 26), 5);
             magnifier(p, QPointF(19, 19), 6);
         }},
        {"Copy", drawCopy},
        {"Void", drawVoid},
        {"Refresh",
         [](QPainter& p) {
             circularArrow(p, 100, 150, Green);
             circularArrow(p, 280, 150, Green);
         }},
    };
    return table;
}

QPixmap render(const Drawing& drawing, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    drawing(painter);
    return pixmap;
}

} // namespace

QIcon ToolbarImages::icon(const QString& imageKey) {
    static QHash<QString, QIcon> cache;
    if (const auto cached = cache.constFind(imageKey); cached != cache.cend())
        return *cached;
    const auto drawing = drawings().constFind(imageKey);
    if (drawing == drawings().cend())
        return {};
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(render(*drawing, size));
    cache.insert(imageKey, icon);
    return icon;
}

QStringList ToolbarImages::imageKeys() {
    return drawings().keys();
}
