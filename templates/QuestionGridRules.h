#pragma once

#include "BoundGrid.h"
#include "TemplateGrid.h"

class TemplateMaintenance;

// The rules of the "Questions" pane: questions, and the answers and pick list of the
// question in the current row.
class QuestionGridRules {
public:
    explicit QuestionGridRules(TemplateMaintenance& editor);

    void entered(TemplateGrid which);
    void left(TemplateGrid which);
    void LoadQuestionDetails();
    void removeQuestion();
    void removeAnswer();
    void removePickListItem();

private:
    void questionRowChanged();
    void beforeDetailWrite(BoundGrid::RowWrite& row, TemplateGrid which);
    void softDelete(TemplateGrid which, const QString& textColumn);
    bool isActive(TemplateGrid which) const;

    TemplateMaintenance& m_editor;
    // The question whose answers and pick list the two detail grids are bound to (0: the empty
    // sets of a question not stored yet). A question stored while the user was already in a
    // detail grid leaves them bound to the empty sets until they are bound again.
    qint64 m_detailsKey = -1;
};
