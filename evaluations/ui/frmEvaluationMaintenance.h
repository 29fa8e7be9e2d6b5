#pragma once

#include "ControlPositions.h"
#include "EvaluationMaintenance.h"
#include "StatusSink.h"
#include "WaitCursor.h"

#include <QMainWindow>

class QLabel;
class QListView;
class QProgressBar;
class QPushButton;
class QTabWidget;
class DeviceSession;

// "Evaluation Maintenance": the evaluation window with its tab strip. The "Handheld" tab
// lists the unit's evaluation files and adds the chosen ones; the "Nobrin" tab creates,
// opens, edits and deletes evaluations on the PC as the handheld does.
class frmEvaluationMaintenance : public QMainWindow, public StatusSink {
    Q_OBJECT
public:
    frmEvaluationMaintenance(DeviceSession& session, QWidget* owner = nullptr);
    ~frmEvaluationMaintenance() override;

    EvaluationMaintenance& logic() { return m_logic; }
    void selectTab(int tab);

    void showStatus(const QString& text) override;
    void showBusy(bool busy) override;
    void showProgress(int done, int total) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Offers to save an evaluation with changes; a cancelled save keeps the window open.
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildHandheldPage();
    void buildViewMenu();
    void showHelp(QWidget* control);

    EvaluationMaintenance m_logic;
    QTabWidget* m_tabs = nullptr;
    QListView* m_list = nullptr;
    QLabel* m_panel = nullptr;
    QProgressBar* m_progress = nullptr;
    ControlPositions m_positions;
    quint32 m_mask = 0;
    WaitCursor m_waitCursor;
    bool m_selecting = false;
};
