#pragma once

#include "BoundGrid.h"
#include "EvaluationListModel.h"
#include "ReportOutput.h"
#include "ReportRequest.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// The behaviour of the report window "Report Generator": the report list, the template,
// group, date and evaluation filters, the column fields of the chosen report and template,
// the toolbar, and the checks before a report is handed to its generator. The window only
// shows this state and forwards what the user does; the windows it opens are reached
// through Windows, so tests can stand in for them.
class ReportParameters : public QObject {
    Q_OBJECT
public:
    static constexpr quint32 PrintMask = 0x1000;
    static constexpr quint32 PreviewMask = 0x400000;
    static constexpr quint32 AddMask = 0x2;
    static constexpr quint32 RemoveMask = 0x4;
    static constexpr quint32 ExitMask = 0x10;
    static constexpr quint32 ToolbarMask = PrintMask | PreviewMask | AddMask | RemoveMask | ExitMask;
    static inline const QString DefaultBegin = QStringLiteral("01/01/02");
    static inline const QString DefaultEnd = QStringLiteral("12/31/29");
    static inline const QString EvaluationGenerator = QStringLiteral("frmReportEvaluation");
    static inline const QString GroupSummaryGenerator = QStringLiteral("frmReportGroupSummary");
    static inline const QString AnswerChartGenerator = QStringLiteral("frmReportAnswerChart");

    struct Windows {
        // frmAddColumnField, modal: true when it was cancelled.
        std::function<bool(qint64 templateKey, qint64 reportDefinitionKey)> addColumnField;
        // The generator window the request's report names, modeless.
        std::function<void(const ReportRequest& request)> showGenerator;
        // The printer set-up dialog.
        std::function<void()> printSetup;
    };

    ReportParameters(const Database& database, Windows windows, QObject* parent = nullptr);
    ~ReportParameters() override;

    static QString helpText(const QString& controlName);

    // Opening the window.
    void open();
    // Holds the evaluation list while a caller chooses several filters at once, the command
    // line for one: the list is read once, when released, instead of once a filter, which is
    // 100,000 lines each time in a season's catalog.
    void holdFileList(bool held);

    const QList<ReportDefinition>& reports() const { return m_reports; }
    int currentReport() const { return m_currentReport; }
    void chooseReport(int index);

    const QList<ListEntry>& templates() const { return m_templates; }
    int currentTemplate() const { return m_currentTemplate; }
    void chooseTemplate(int index);

    const QList<ListEntry>& groups() const { return m_groups; }
    const QList<bool>& groupSelection() const { return m_groupSelected; }
    // Selects exactly the given entries of the group list, as clicking does.
    void selectGroups(const QList<int>& indexes);

    // MskField(0) and MskField(1).
    const QString& dateText(int index) const { return m_dates[index]; }
    // The user is in the field: its text is the one to put back. Entering a field the user
    // is still in (the window coming back to the front) remembers nothing new.
    void enterDate(int index);
    // Leaving a date field with the text it holds: an invalid date puts back the text it
    // had on entry. Leaving a field the user already left does nothing.
    void leaveDate(int index, const QString& text);

    // lstFileName: the evaluations' keys, each line read as it is shown.
    const EvaluationListModel& files() const { return m_files; }
    EvaluationListModel* fileModel() { return &m_files; }
    const QList<bool>& fileSelection() const { return m_fileSelected; }
    int currentFile() const { return m_currentFile; }
    void setCurrentFile(int index);
    // Selecting or deselecting one entry makes it the current one, as a click does.
    void setFileSelected(int index, bool selected);
    // Entries first to last selected or not, as the list shows them, without moving the
    // current entry.
    void setFilesSelected(int first, int last, bool selected);
    void selectAllFiles(bool selected);

    BoundGrid& jgColumnFields() { return *m_columnFields; }
    bool columnFieldsEnabled() const { return m_gridEnabled; }
    void enterColumnFields() { m_gridHasFocus = true; }
    void leaveColumnFields() { m_gridHasFocus = false; }

    quint32 toolbarMask() const { return m_mask; }
    void ToolbarButtonClick(const QString& caption);
    void mnuPrintSetup();
    void mnuExit();
    void enterControl(const QString& controlName);
    const QString& statusText() const { return m_status; }

    // The request that Print (preview false) or Prevw (preview true) would hand over; none,
    // after the message of the first check that fails.
    std::optional<ReportRequest> checkedRequest(bool preview);

    // File > "Export &CSV…": the chosen template and its selected evaluations; none, after
    // saying why, when there is nothing to export.
    struct ExportChoice {
        qint64 templateKey = 0;
        QString templateName;
        QList<qint64> evaluations;
    };
    std::optional<ExportChoice> exportChoice();
    // Writes the choice to the file whole or not at all, and says how many were written.
    // Returns that number, or -1 after the failure was reported.
    qint64 exportCsv(const ExportChoice& choice, const QString& fileName, const ReportProgress& progress = {});

    // The lists again, as a template, group or date choice refreshes them.
    void RefreshGroupList();
    void ShowColumnFields();
    void RefreshFileList();

Q_SIGNALS:
    void reportsChanged();
    void templatesChanged();
    void groupsChanged();
    void datesChanged();
    void filesChanged();
    void columnFieldsEnabledChanged(bool enabled);
    void toolbarMaskChanged(quint32 mask);
    void statusChanged(const QString& text);
    void busyChanged(bool busy);
    void focusRequested(const QString& controlName);
    void unloadRequested();

private:
    void setToolbar(quint32 mask);
    void print(bool preview);
    const ReportDefinition* report() const;
    qint64 templateKey() const;

    const Database& m_database;
    Windows m_windows;
    std::unique_ptr<BoundGrid> m_columnFields;

    QList<ReportDefinition> m_reports;
    int m_currentReport = -1;
    int m_previousReportType = -1;
    QList<ListEntry> m_templates;
    int m_currentTemplate = -1;
    QList<ListEntry> m_groups;
    QList<bool> m_groupSelected;
    QString m_dates[2];
    QString m_dateOnEntry[2];
    bool m_dateEntered[2] = {};
    EvaluationListModel m_files;
    bool m_fileListHeld = false;
    bool m_fileListStale = false;
    QList<bool> m_fileSelected;
    int m_currentFile = -1;
    bool m_gridEnabled = false;
    bool m_gridHasFocus = false;
    quint32 m_mask = 0;
    QString m_status;
};
