#pragma once

#include "AddColumnField.h"

#include <QDialog>

class QComboBox;

// "Add Column Field": chooses an entry field of the template as a column of the report.
// Shown modally; Cancelled() tells the caller whether a row was added.
class frmAddColumnField : public QDialog {
    Q_OBJECT
public:
    frmAddColumnField(const Database& database, qint64 templateKey, qint64 reportDefinitionKey,
                      const QString& templateName, QWidget* owner = nullptr);

    AddColumnField& logic() { return m_logic; }
    bool Cancelled() const { return m_logic.Cancelled(); }

private:
    void add();

    AddColumnField m_logic;
    QComboBox* m_fields;
};
