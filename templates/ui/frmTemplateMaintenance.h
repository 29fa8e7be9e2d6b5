#pragma once

#include "ControlPositions.h"
#include "TemplateMaintenance.h"
#include "WaitCursor.h"

#include <QMainWindow>
#include <functional>

class BoundGridView;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;

// "Template Maintenance": the template list and name above a tab strip with three panes
// (entry fields and their dropdown values; questions with answers and pick lists; the
// fields that make up an evaluation's file name). Every rule lives in TemplateMaintenance.
class frmTemplateMaintenance : public QMainWindow {
    Q_OBJECT
public:
    using ReportOpener = std::function<void(QWidget* owner, qint64 templateKey)>;

    frmTemplateMaintenance(DeviceSession& session, ReportOpener printTemplate, QWidget* owner = nullptr);
    ~frmTemplateMaintenance() override;

    TemplateMaintenance& logic() { return m_logic; }
    BoundGridView* gridView(TemplateGrid which) const { return m_views[int(which)]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    TemplateMaintenance::AddTemplateResult showAddTemplate();
    QWidget* buildPane(int index);
    BoundGridView* addGrid(TemplateGrid which, QWidget* pane);
    void showTemplateList();
    void showAvailableFields();
    void focusControl(const QString& controlName);
    void showBusy(bool busy);

    TemplateMaintenance m_logic;
    ReportOpener m_printTemplate;
    QComboBox* m_templates = nullptr;
    QLineEdit* m_name = nullptr;
    QTabWidget* m_tabs = nullptr;
    QListWidget* m_available = nullptr;
    BoundGridView* m_views[TemplateGrids::Count] = {};
    QLabel* m_panel = nullptr;
    ControlPositions m_positions;
    quint32 m_mask = TemplateMaintenance::ToolbarMask;
    WaitCursor m_waitCursor;
    bool m_opened = false;
};
