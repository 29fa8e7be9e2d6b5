#pragma once

#include "BoundGrid.h"
#include "StatusSink.h"
#include "TemplateGrid.h"

#include <QList>
#include <QObject>
#include <functional>
#include <memory>

class DeviceSession;
class FieldGridRules;
class QuestionGridRules;

// The behaviour of the template editor "Template Maintenance": the template list and name,
// the six bound grids and their rules, the three panes, the toolbar and what each button
// does. The window only shows this state and forwards what the user does; the windows the
// editor opens are reached through Windows, so tests can stand in for them.
class TemplateMaintenance : public QObject, public StatusSink {
    Q_OBJECT
public:
    enum EditContext { NameBox = 0, TemplateList = 1, EntryFields = 2, FieldValues = 3 };
    enum Tab { EntryFieldsTab = 0, QuestionsTab = 1, FileNameTab = 2 };

    // Add, Del, Exit, Print, Upload, Del Q, Del A and Del L.
    static constexpr quint32 ToolbarMask = 0x2 | 0x4 | 0x10 | 0x1000 | 0x100000 | 0x2000000 | 0x4000000 | 0x8000000;
    static constexpr quint32 TemplateListMask = 0x2 | 0x4 | 0x10 | 0x1000 | 0x100000;
    static constexpr quint32 ExitMask = 0x10;
    static constexpr quint32 RemoveMask = 0x4;
    static constexpr quint32 RemoveQuestionMask = 0x2000000;
    static constexpr quint32 RemoveAnswerMask = 0x4000000;
    static constexpr quint32 RemoveListMask = 0x8000000;

    struct TemplateItem {
        QString name;
        qint64 key = 0;
    };
    struct AddTemplateResult {
        bool abort = false;
        qint64 templateKey = 0;
    };
    struct Windows {
        std::function<AddTemplateResult()> addTemplate;        // frmAddTemplate, modal
        std::function<void(qint64 templateKey)> printTemplate; // frmReportTemplate, modeless
    };

    TemplateMaintenance(DeviceSession& session, Windows windows, QObject* parent = nullptr);
    ~TemplateMaintenance() override;

    static QString helpText(const QString& controlName);
    // The warning given when a new row makes count + 1 rows where the unit takes limit; the
    // row is written all the same.
    static void warnLimit(int count, int limit, const QString& what);
    // Its text, which an imported template over the limits gets too.
    static QString limitMessage(int limit, const QString& what);

    // Opening the window.
    void open();

    // cmbTemplate
    const QList<TemplateItem>& templates() const { return m_templates; }
    int selectedTemplate() const { return m_selected; }
    void LoadTemplateList(qint64 templateKey);
    // A click on the list's entry of that index (-1: none chosen).
    void chooseTemplate(int index);
    void LoadTemplate();
    // True when saving failed.
    bool SaveTemplateEdits();

    // txtField(0)
    const QString& templateName() const { return m_templateName; }
    void setTemplateName(const QString& name) { m_templateName = name; }

    BoundGrid& grid(TemplateGrid which) { return *m_grids[int(which)]; }
    BoundGrid& jgEntryField() { return grid(TemplateGrid::EntryField); }
    BoundGrid& jgFieldValue() { return grid(TemplateGrid::FieldValue); }
    BoundGrid& jgFileNameField() { return grid(TemplateGrid::FileNameField); }
    BoundGrid& jgQuestion() { return grid(TemplateGrid::Question); }
    BoundGrid& jgAnswer() { return grid(TemplateGrid::Answer); }
    BoundGrid& jgPicklist() { return grid(TemplateGrid::Picklist); }

    // lstAvailable
    const QList<TemplateItem>& availableFields() const { return m_available; }
    void LoadFieldValues();
    // Why jgFieldValue takes no input now; empty while it does.
    QString fieldValuesClosed() const;
    void LoadFileNameLists();
    void AddFileNameField(int availableIndex);
    void LoadQuestionDetails();
    // Rewrites the order of the grid's rows after its current row was dropped on row target
    // (1-based), then reads the rows again and applies the layout.
    void ResequenceRows(BoundGrid& grid, const QString& keyFilterPrefix, const QString& layoutFile, int target);

    // What the user does: entering a control (by object name), entering and leaving a grid,
    // dropping a grid row on another, choosing a tab, pressing a toolbar button.
    void enterControl(const QString& controlName);
    void enterGrid(TemplateGrid which);
    void leaveGrid(TemplateGrid which);
    void dropRow(TemplateGrid which, int target);
    void changeTab(int tab);
    void ToolbarButtonClick(const QString& caption);
    // Closing the window: false keeps it open.
    bool queryUnload();

    // Window state.
    qint64 currentTemplateKey() const { return m_templateKey; }
    qint64 currentFieldKey() const { return m_fieldKey; }
    qint64 currentQuestionKey() const { return m_questionKey; }
    int editContext() const { return m_editContext; }
    bool loading() const { return m_loading; }
    const QString& valueOnEntry() const { return m_valueOnEntry; }
    quint32 toolbarMask() const { return m_mask; }
    const QString& statusText() const { return m_status; }
    const QString& activeControl() const { return m_activeControl; }
    bool templateSelected() const { return m_selected >= 0 && m_templateKey > 0; }

    // StatusSink, for the upload.
    void showStatus(const QString& text) override;
    void showBusy(bool busy) override;

Q_SIGNALS:
    void templateListChanged();
    void templateNameChanged(const QString& name);
    void availableFieldsChanged();
    void statusChanged(const QString& text);
    void toolbarMaskChanged(quint32 mask);
    void busyChanged(bool busy);
    void focusRequested(const QString& controlName);
    void unloadRequested();

private:
    friend class FieldGridRules;
    friend class QuestionGridRules;

    void fillTemplateList(qint64 templateKey);
    void setToolbar(quint32 mask);
    void requestFocus(const QString& controlName);
    void removeByContext();
    void deleteTemplate();
    void upload();
    QString layoutPath(const QString& file) const;
    void applyLayout(TemplateGrid which);
    // The toolbar and status of a grid that is entered or whose current row changed.
    void showGridState(TemplateGrid which);

    DeviceSession& m_session;
    Windows m_windows;
    std::unique_ptr<BoundGrid> m_grids[6];
    std::unique_ptr<FieldGridRules> m_fieldRules;
    std::unique_ptr<QuestionGridRules> m_questionRules;

    QList<TemplateItem> m_templates;
    int m_selected = -1;
    QString m_templateName;
    QList<TemplateItem> m_available;

    qint64 m_templateKey = 0;
    qint64 m_fieldKey = 0;
    qint64 m_questionKey = 0;
    int m_editContext = NameBox;
    bool m_loading = false;
    QString m_valueOnEntry;
    quint32 m_mask = ToolbarMask;
    QString m_status;
    QString m_activeControl;
};
