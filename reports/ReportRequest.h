#pragma once

#include <QList>
#include <QString>

// One row of ReportDefinition: a report the report window offers.
struct ReportDefinition {
    qint64 reportDefinitionKey = 0;
    QString name;
    QString objectName; // the generator: "frmReportEvaluation", "frmReportGroupSummary" or "frmReportAnswerChart"
    bool columnsUsed = false;
    bool allowAllGroups = false;
    bool allowAllTemplates = false;
    bool multiSelectEvaluations = false;
    int reportType = 0;
};

// An entry of a list: its text and the key it stands for.
struct ListEntry {
    QString text;
    qint64 key = 0;
};

// An entry of the evaluation list as a generator sees it: the evaluation and whether the
// user selected it.
struct ListedEvaluation {
    qint64 key = 0;
    bool selected = false;
};

// An entry field a report prints as a header column.
struct ColumnField {
    qint64 templateFieldKey = 0;
    QString label;
};

// Everything the report window's controls hold when a report is handed to its generator.
struct ReportRequest {
    ReportDefinition report;
    qint64 templateKey = 0; // 0 for "All Templates"
    QString templateText;
    qint64 firstGroupKey = 0; // the key of the group list's first entry (0: "All Groups" or none)
    QList<qint64> groupKeys;  // the selected groups, in list order
    QString beginText;
    QString endText;
    QList<ListedEvaluation> evaluations; // every entry of the evaluation list, in list order
    QList<ColumnField> columnFields;     // as the column grid lists them
    bool preview = false;                // PreviewReport
    int variant = 0;                     // ReportVariant: reportType - 1 for the group summary

    QList<qint64> selectedEvaluations() const {
        QList<qint64> keys;
        for (const ListedEvaluation& entry : evaluations)
            if (entry.selected)
                keys << entry.key;
        return keys;
    }
    // The selected groups filter only when the list holds real groups.
    bool filtersGroups() const { return !groupKeys.isEmpty() && firstGroupKey != 0; }
};
