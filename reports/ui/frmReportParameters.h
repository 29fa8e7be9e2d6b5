#pragma once

#include "ControlPositions.h"
#include "ReportParameters.h"
#include "WaitCursor.h"

#include <QMainWindow>

class BoundGridView;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QProgressBar;
class ctlTrelkPrintPreview;

// "Report Generator": the reports, the filters (template, groups, download dates), the
// evaluations to print and the report's column fields; Print and Prevw hand the chosen
// report to its generator window. Every rule lives in ReportParameters.
class frmReportParameters : public QMainWindow {
    Q_OBJECT
public:
    explicit frmReportParameters(QWidget* owner = nullptr);
    ~frmReportParameters() override;

    ReportParameters& logic() { return m_logic; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildReports(QWidget* client);
    QWidget* buildParameters(QWidget* client);
    void buildMenu();
    bool showAddColumnField(qint64 templateKey, qint64 reportDefinitionKey);
    void showGenerator(const ReportRequest& request);
    void exportCsv();
    void showReports();
    void showTemplates();
    void showGroups();
    void showDates();
    void showFiles();
    void showBusy(bool busy);

    ReportParameters m_logic;
    QListWidget* m_reports = nullptr;
    QComboBox* m_templates = nullptr;
    QListWidget* m_groups = nullptr;
    QLineEdit* m_dates[2] = {};
    QListView* m_files = nullptr;
    BoundGridView* m_columnFields = nullptr;
    ctlTrelkPrintPreview* m_control = nullptr;
    QLabel* m_panel = nullptr;
    QProgressBar* m_progress = nullptr;
    ControlPositions m_positions;
    quint32 m_mask = 0;
    bool m_opened = false;
    bool m_showingFiles = false;
    WaitCursor m_waitCursor;
};
