#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

// Where each control of a window sat when the window was laid out, relative to the window's
// inner size, so that resizing can keep every control at the same relative place and size.
// The controls are the window's direct child widgets, in creation order; what sits inside a
// control (a frame's own children, a combo box's parts) follows its container. Menus, tool
// bars and status bars are skipped: the window places them itself.
class ControlPositions {
public:
    struct Record {
        QPointer<QWidget> control; // null for skipped controls: an empty record
        float width = 0;
        float widthRatio = 0;
        float height = 0;
        float heightRatio = 0;
        float leftRatio = 0;
        float topRatio = 0;
    };

    const QList<Record>& records() const { return m_records; }
    void clear() { m_records.clear(); }
    void append(const Record& record) { m_records.append(record); }

private:
    QList<Record> m_records;
};

// The window is the widget that holds the controls: a dialog, or a QMainWindow's central
// widget. Fills the records from its current layout. A window without an inner size (not
// yet shown, or minimised) records nothing.
void RecordControlPositions(ControlPositions& positions, QWidget* window);

// Moves and sizes every recorded control for the window's current inner size. Combo boxes
// keep their height, vertical scroll bars never grow wider and horizontal ones never taller
// than recorded. A window without an inner size is left as it is.
void ResizeControls(const ControlPositions& positions, QWidget* window);
