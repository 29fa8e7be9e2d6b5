#pragma once

#include "EvaluationFileList.h"
#include "EvaluationListModel.h"

#include <QDate>
#include <QList>
#include <QString>

class Database;

// The behaviour of the dialog "Open Evaluation": filters by template, group and download
// date, the list of evaluations they find, and the line the user chose.
class OpenEvaluationFilter {
public:
    using Entry = EvaluationFileList::Entry;
    enum DateField { Begin = 0, Ending = 1 };

    static QString helpText(const QString& controlName);

    explicit OpenEvaluationFilter(const Database& database);

    // The dialog loads: every template, then the groups and evaluations of "All Templates".
    void load();

    const QList<Entry>& templates() const { return m_templates; }
    int chosenTemplate() const { return m_chosenTemplate; }
    void chooseTemplate(int index);
    const QList<Entry>& groups() const { return m_groups; }
    int chosenGroup() const { return m_chosenGroup; }
    void chooseGroup(int index);

    const QString& dateText(int field) const { return m_dates[field]; }
    // The user is in the field: its text is the one to put back. Entering a field the user
    // is still in (the dialog coming back to the front) remembers nothing new.
    void enterDate(int field);
    void editDate(int field, const QString& text);
    // Puts the remembered text back when the entry is not a date; leaving a field the user
    // already left does nothing.
    void leaveDate(int field);

    void RefreshGroupList();
    void RefreshFileList();
    // The heading line first, then one line per evaluation with its EvaluationKey; the lines
    // are read as they are shown.
    const EvaluationListModel& lines() const { return m_lines; }
    EvaluationListModel* lineModel() { return &m_lines; }
    int chosenLine() const { return m_chosenLine; }
    void chooseLine(int index);

    // "&Select" or a double click: true when an evaluation line is chosen and the dialog hides.
    bool Select();
    void Cancel() { m_cancelled = true; }
    // The dialog unloads: nothing chosen counts as cancelled.
    void unload();
    bool Cancelled() const { return m_cancelled; }
    // The EvaluationKey of the chosen line; 0 when cancelled.
    qint64 chosenEvaluation() const;

private:
    QDate dateOf(int field) const;

    const Database& m_database;
    QList<Entry> m_templates;
    int m_chosenTemplate = -1;
    QList<Entry> m_groups;
    int m_chosenGroup = -1;
    QString m_dates[2];
    QString m_remembered[2];
    bool m_entered[2] = {};
    EvaluationListModel m_lines;
    int m_chosenLine = -1;
    bool m_cancelled = false;
};
