#include "RecordingPaintDevice.h"

#include <QStringList>

namespace {

class RecordingEngine : public QPaintEngine {
public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    QList<PaintOp> ops;

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState& state) override {
        if (state.state() & DirtyPen)
            m_pen = state.pen();
        if (state.state() & DirtyFont)
            m_font = state.font();
        if (state.state() & DirtyBrush)
            m_brush = state.brush();
    }
    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            PaintOp op;
            op.kind = PaintOp::Rect;
            op.rect = rects[i];
            op.filled = m_brush.style() != Qt::NoBrush;
            op.color = op.filled ? m_brush.color() : m_pen.color();
            op.penWidth = m_pen.style() == Qt::NoPen ? 0 : m_pen.widthF();
            op.penStyle = m_pen.style();
            ops.append(op);
        }
    }
    void drawTextItem(const QPointF& point, const QTextItem& item) override {
        PaintOp op;
        op.kind = PaintOp::Text;
        op.text = item.text();
        op.font = m_font;
        op.color = m_pen.color();
        op.from = point;
        ops.append(op);
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            PaintOp op;
            op.kind = PaintOp::Line;
            op.from = lines[i].p1();
            op.to = lines[i].p2();
            op.color = m_pen.color();
            op.penWidth = m_pen.widthF();
            op.penStyle = m_pen.style();
            ops.append(op);
        }
    }
    void drawImage(const QRectF& rect, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {
        PaintOp op;
        op.kind = PaintOp::Image;
        op.rect = rect;
        ops.append(op);
    }
    void drawPixmap(const QRectF& rect, const QPixmap&, const QRectF&) override {
        PaintOp op;
        op.kind = PaintOp::Image;
        op.rect = rect;
        ops.append(op);
    }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}

private:
    QPen m_pen;
    QBrush m_brush;
    QFont m_font;
};

} // namespace

RecordingPaintDevice::RecordingPaintDevice(QSize pixels, int dotsPerInch)
    : m_pixels(pixels), m_dotsPerInch(dotsPerInch), m_engine(std::make_unique<RecordingEngine>()) {}

RecordingPaintDevice::~RecordingPaintDevice() = default;

QPaintEngine* RecordingPaintDevice::paintEngine() const {
    return m_engine.get();
}

const QList<PaintOp>& RecordingPaintDevice::ops() const {
    return static_cast<RecordingEngine*>(m_engine.get())->ops;
}

QStringList RecordingPaintDevice::texts() const {
    QStringList texts;
    for (const PaintOp& op : ops())
        if (op.kind == PaintOp::Text)
            texts << op.text;
    return texts;
}

int RecordingPaintDevice::metric(PaintDeviceMetric metric) const {
    switch (metric) {
    case PdmWidth:
        return m_pixels.width();
    case PdmHeight:
        return m_pixels.height();
    case PdmWidthMM:
        return qRound(m_pixels.width() * 25.4 / m_dotsPerInch);
    case PdmHeightMM:
        return qRound(m_pixels.height() * 25.4 / m_dotsPerInch);
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return m_dotsPerInch;
    case PdmDepth:
        return 32;
    case PdmNumColors:
        return INT_MAX;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    }
    return 0;
}
