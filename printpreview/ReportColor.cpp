#include "ReportColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

// The system colour indices a report may name, by the palette role that plays their part.
QPalette::ColorRole roleOf(quint32 index) {
    switch (index) {
    case 5: // window background
        return QPalette::Base;
    case 13: // highlight
        return QPalette::Highlight;
    case 14: // highlight text
        return QPalette::HighlightedText;
    case 15: // button face
        return QPalette::Button;
    case 16: // button shadow
        return QPalette::Dark;
    case 18: // button text
        return QPalette::ButtonText;
    case 20: // button highlight
        return QPalette::Light;
    case 23: // tool tip text
        return QPalette::ToolTipText;
    case 24: // tool tip background
        return QPalette::ToolTipBase;
    default: // window text and every other text colour
        return QPalette::WindowText;
    }
}

} // namespace

QColor ReportColor::toColor(qint32 value) {
    const auto bits = quint32(value);
    if (bits & 0x80000000u) {
        const QPalette palette =
            qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::palette() : QPalette();
        return palette.color(QPalette::Active, roleOf(bits & 0xFFu));
    }
    return QColor(int(bits & 0xFF), int((bits >> 8) & 0xFF), int((bits >> 16) & 0xFF));
}
