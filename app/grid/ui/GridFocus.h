#pragma once

#include <QObject>
#include <QPointer>

class BoundGridView;
class QWidget;

// Where the user is among the bound grids. A grid is entered when the focus moves into it (the
// view or one of its cell editors) and left when the focus moves to anything outside it: another
// control, another grid, another window of the program. One watcher of the program's focus
// changes decides both, so the order in which Qt sends focus-in and focus-out events to the
// widgets involved never matters, and the grid left always hears it before the grid entered.
class GridFocus : public QObject {
    Q_OBJECT
public:
    // Starts watching the focus for the views of this program; idempotent.
    static void watch();

private:
    explicit GridFocus(QObject* parent);
    void focusChanged(QWidget* now);

    QPointer<BoundGridView> m_inside;
};
