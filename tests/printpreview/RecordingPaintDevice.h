#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QRectF>
#include <memory>

// What a renderer drew, one entry per text, line, image or rectangle, in drawing order. A
// rectangle's colour is its brush's, or its pen's when it has no brush.
struct PaintOp {
    enum Kind { Text, Line, Image, Rect };
    Kind kind = Text;
    QString text;
    QFont font;
    QColor color;
    QPointF from;
    QPointF to;
    QRectF rect;
    qreal penWidth = 0;
    Qt::PenStyle penStyle = Qt::SolidLine;
    bool filled = false;
};

// A page-sized paint device of a given resolution that keeps what was drawn on it.
class RecordingPaintDevice : public QPaintDevice {
public:
    RecordingPaintDevice(QSize pixels, int dotsPerInch);
    ~RecordingPaintDevice() override;

    QPaintEngine* paintEngine() const override;
    const QList<PaintOp>& ops() const;
    QStringList texts() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize m_pixels;
    int m_dotsPerInch;
    std::unique_ptr<QPaintEngine> m_engine;
};
