#pragma once

#include "BoundGrid.h"
#include "TemplateGrid.h"

class TemplateMaintenance;

// The rules of the template editor's entry fields, their dropdown values and the file-name
// fields: what entering a grid or moving in it does, what a row gets before it is written,
// the group-value rename, and the deletions.
class FieldGridRules {
public:
    explicit FieldGridRules(TemplateMaintenance& editor);

    void entered(TemplateGrid which);
    // Why the value grid takes no input now; empty while it does. Only dropdown fields have
    // values.
    QString valuesClosed() const;
    void LoadFieldValues();
    void LoadFileNameLists();
    void AddFileNameField(int availableIndex);
    void removeEntryField();
    void removeFieldValue();
    void removeFileNameField();

private:
    void entryFieldRowChanged();
    void fieldValueRowChanged();
    void beforeEntryFieldWrite(BoundGrid::RowWrite& row);
    void afterFieldValueWrite(BoundGrid::RowWrite& row);
    bool isActive(TemplateGrid which) const;

    TemplateMaintenance& m_editor;
    // The entry field whose values the value grid is bound to (0: the empty set of a field not
    // stored yet).
    qint64 m_valuesKey = -1;
};
