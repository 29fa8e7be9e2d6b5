#include "FieldGridRules.h"

#include "DataEnvironment.h"
#include "FieldText.h"
#include "FieldType.h"
#include "HistoryChain.h"
#include "Prompter.h"
#include "TemplateMaintenance.h"
#include "TemplateRows.h"
#include "UnitLimits.h"

#include <QScopeGuard>

namespace {

const Database& db() {
    return DataEnvironment::instance().cnnConnection();
}

} // namespace

FieldGridRules::FieldGridRules(TemplateMaintenance& editor) : m_editor(editor) {
    BoundGrid& fields = editor.jgEntryField();
    BoundGrid& values = editor.jgFieldValue();
    fields.beforeWrite = [this](BoundGrid::RowWrite& row) { beforeEntryFieldWrite(row); };
    values.beforeWrite = [this](BoundGrid::RowWrite& row) {
        if (row.value(QStringLiteral("TemplateFieldKey")).toLongLong() == 0)
            row.setValue(QStringLiteral("TemplateFieldKey"), m_editor.m_fieldKey);
    };
    values.afterWrite = [this](BoundGrid::RowWrite& row) { afterFieldValueWrite(row); };
    QObject::connect(&fields, &BoundGrid::currentRowChanged, &editor, [this] { entryFieldRowChanged(); });
    QObject::connect(&values, &BoundGrid::currentRowChanged, &editor, [this] { fieldValueRowChanged(); });
    QObject::connect(&editor.jgFileNameField(), &BoundGrid::currentRowChanged, &editor, [this] {
        if (isActive(TemplateGrid::FileNameField))
            m_editor.showGridState(TemplateGrid::FileNameField);
    });
}

bool FieldGridRules::isActive(TemplateGrid which) const {
    return m_editor.m_activeControl == QLatin1String(TemplateGrids::info(which).objectName);
}

void FieldGridRules::entered(TemplateGrid which) {
    BoundGrid& fields = m_editor.jgEntryField();
    const int fieldRow = fields.currentRow();
    switch (which) {
    case TemplateGrid::EntryField:
        m_editor.m_editContext = TemplateMaintenance::EntryFields;
        m_editor.m_fieldKey = fields.key(fieldRow).toLongLong();
        m_editor.showGridState(which);
        break;
    case TemplateGrid::FieldValue: {
        // Values exist only for dropdown fields. The grid keeps the focus, read-only, so that
        // what the user types next goes nowhere rather than into the field's own row.
        if (const QString closed = valuesClosed(); !closed.isEmpty()) {
            m_editor.setToolbar(TemplateMaintenance::ExitMask);
            m_editor.showStatus(closed);
            return;
        }
        // A value needs the key of a stored field.
        if (!fields.isSaved(fieldRow))
            fields.commit();
        if (!fields.isSaved(fieldRow)) {
            m_editor.requestFocus(fields.objectName());
            return;
        }
        BoundGrid& values = m_editor.jgFieldValue();
        m_editor.m_fieldKey = fields.key(fieldRow).toLongLong();
        // A field stored on the way in gets its own values from here on.
        if (m_valuesKey != m_editor.m_fieldKey)
            LoadFieldValues();
        m_editor.m_editContext = TemplateMaintenance::FieldValues;
        m_editor.m_valueOnEntry = FieldText(values.value(values.currentRow(), QStringLiteral("FieldValue")));
        m_editor.showGridState(which);
        break;
    }
    case TemplateGrid::FileNameField:
        m_editor.showGridState(which);
        break;
    default:
        break;
    }
}

QString FieldGridRules::valuesClosed() const {
    BoundGrid& fields = m_editor.jgEntryField();
    // Without a template, entering any grid sends the user to the template list.
    if (!fields.isBound())
        return QString();
    const int row = fields.currentRow();
    if (row < 0 || fields.isNewRowPlaceholder(row))
        return QStringLiteral("Choose a Dropdown field in Entry Fields to give it values.");
    const QVariant type = fields.value(row, QStringLiteral("FieldType"));
    if (FieldType(type.toInt()) == FieldType::Dropdown)
        return QString();
    const QString label = FieldText(fields.value(row, QStringLiteral("FieldLabel")));
    const QString kind = fields.column(fields.columnIndex(QStringLiteral("FieldType"))).shownText(type);
    return QStringLiteral("Only Dropdown fields have values; %1 is a %2 field.")
        .arg(label.isEmpty() ? QStringLiteral("this field") : QLatin1Char('"') + label + QLatin1Char('"'), kind);
}

void FieldGridRules::entryFieldRowChanged() {
    // A value row that cannot be written stays on screen rather than being read over.
    if (!m_editor.jgFieldValue().commit())
        return;
    LoadFieldValues();
    if (m_editor.m_loading)
        return;
    BoundGrid& fields = m_editor.jgEntryField();
    m_editor.m_fieldKey = fields.key(fields.currentRow()).toLongLong();
    if (isActive(TemplateGrid::EntryField)) {
        m_editor.m_editContext = TemplateMaintenance::EntryFields;
        m_editor.showGridState(TemplateGrid::EntryField);
    }
}

void FieldGridRules::fieldValueRowChanged() {
    if (m_editor.m_loading || !isActive(TemplateGrid::FieldValue) || !valuesClosed().isEmpty())
        return;
    BoundGrid& values = m_editor.jgFieldValue();
    m_editor.m_valueOnEntry = FieldText(values.value(values.currentRow(), QStringLiteral("FieldValue")));
    m_editor.m_editContext = TemplateMaintenance::FieldValues;
    m_editor.showGridState(TemplateGrid::FieldValue);
}

void FieldGridRules::beforeEntryFieldWrite(BoundGrid::RowWrite& row) {
    if (row.isNew) {
        // Report-only fields never reach the unit; deleted ones still count.
        const int count = db().scalar(QStringLiteral("SELECT COUNT(*) FROM TemplateField WHERE TemplateKey=? AND "
                                                     "UseOn<>'R'"),
                                      {m_editor.m_templateKey})
                              .toInt();
        TemplateMaintenance::warnLimit(count, UnitLimits::Fields, QStringLiteral("fields can be added to template."));
    }
    if (m_editor.templateSelected())
        row.setValue(QStringLiteral("TemplateKey"), m_editor.m_templateKey);
    if (row.value(QStringLiteral("Sequence")).toInt() == 99)
        row.setValue(QStringLiteral("Sequence"), row.position());
    if (row.value(QStringLiteral("GroupField")).toInt() != 0) {
        row.setValue(QStringLiteral("FieldType"), int(FieldType::Dropdown));
        row.setValue(QStringLiteral("ForceEntry"), -1);
    }
}

void FieldGridRules::afterFieldValueWrite(BoundGrid::RowWrite& row) {
    BoundGrid& fields = m_editor.jgEntryField();
    const QString value = FieldText(row.value(QStringLiteral("FieldValue")));
    if (row.isNew || fields.value(fields.currentRow(), QStringLiteral("GroupField")).toInt() == 0 ||
        value == m_editor.m_valueOnEntry)
        return;
    // Evaluations name their group by this value: they follow the new name, in the same
    // transaction as the value itself, and the history of each says so.
    m_editor.showBusy(true);
    // The pointer comes back also when the rename is refused and rolls back.
    const auto normalPointer = qScopeGuard([this] { m_editor.showBusy(false); });
    const QVariant valueKey = row.value(QStringLiteral("TemplateFieldValueKey"));
    QList<EvaluationHistory::Change> renamed;
    QSqlQuery chosen = db().query(
        QStringLiteral("SELECT f.EvaluationKey, f.TemplateFieldKey, t.FieldLabel, f.EnteredValue FROM EvaluationField "
                       "f INNER JOIN TemplateField t ON t.TemplateFieldKey = f.TemplateFieldKey WHERE "
                       "f.TemplateFieldValueKey=? AND f.EnteredValue<>? ORDER BY f.EvaluationKey"),
        {valueKey, value});
    while (chosen.next())
        renamed.append({chosen.value(0).toLongLong(),
                        EvaluationHistory::Item::Field,
                        chosen.value(1).toLongLong(),
                        chosen.value(2).toString(),
                        chosen.value(3).toString(),
                        value,
                        {}});
    chosen.finish();
    db().execute(QStringLiteral("UPDATE EvaluationField SET EnteredValue=? WHERE TemplateFieldValueKey=?"),
                 {value, valueKey});
    HistoryChain::append(db(), EvaluationHistory::Means::TemplateEditor, renamed);
}

void FieldGridRules::LoadFieldValues() {
    BoundGrid& fields = m_editor.jgEntryField();
    BoundGrid& values = m_editor.jgFieldValue();
    if (!fields.isBound()) {
        values.unbind();
        m_valuesKey = -1;
        return;
    }
    const QVariant key = fields.key(fields.currentRow());
    m_valuesKey = key.toLongLong();
    if (key.isNull())
        values.bind(db(), QStringLiteral("SELECT * FROM TemplateFieldValue WHERE TemplateFieldKey=0"));
    else
        values.bind(db(),
                    QStringLiteral("SELECT * FROM TemplateFieldValue WHERE Deleted=0 AND TemplateFieldKey=? ORDER BY "
                                   "FieldValue, TemplateFieldValueKey"),
                    {key});
    m_editor.applyLayout(TemplateGrid::FieldValue);
}

void FieldGridRules::LoadFileNameLists() {
    BoundGrid& selected = m_editor.jgFileNameField();
    m_editor.m_available.clear();
    if (!m_editor.templateSelected()) {
        selected.unbind();
        Q_EMIT m_editor.availableFieldsChanged();
        return;
    }
    QSqlQuery fields = db().query(QStringLiteral("SELECT TemplateFieldKey, FieldLabel FROM TemplateField WHERE "
                                                 "TemplateField.Deleted=0 AND UseOn<>'R' AND TemplateKey=? ORDER BY "
                                                 "Sequence"),
                                  {m_editor.m_templateKey});
    while (fields.next())
        m_editor.m_available.append({FieldText(fields.value(1)), fields.value(0).toLongLong()});
    Q_EMIT m_editor.availableFieldsChanged();
    selected.bind(
        db(),
        QStringLiteral("SELECT FileNameFieldKey, FileNameField.TemplateFieldKey, FileNameField.Sequence, "
                       "FieldLabel FROM TemplateField INNER JOIN FileNameField ON TemplateField.TemplateFieldKey "
                       "= FileNameField.TemplateFieldKey WHERE TemplateKey=? ORDER BY FileNameField.Sequence"),
        {m_editor.m_templateKey});
    m_editor.applyLayout(TemplateGrid::FileNameField);
}

void FieldGridRules::AddFileNameField(int availableIndex) {
    if (availableIndex < 0 || availableIndex >= m_editor.m_available.size() || !m_editor.templateSelected())
        return;
    const QVariant highest = db().scalar(QStringLiteral("SELECT MAX(FileNameField.Sequence) FROM TemplateField INNER "
                                                        "JOIN FileNameField ON TemplateField.TemplateFieldKey = "
                                                        "FileNameField.TemplateFieldKey WHERE TemplateKey=?"),
                                         {m_editor.m_templateKey});
    const int sequence = highest.isNull() ? 1 : highest.toInt() + 1;
    db().insert(QStringLiteral("FileNameField"), {QStringLiteral("TemplateFieldKey"), QStringLiteral("Sequence")},
                {m_editor.m_available.at(availableIndex).key, sequence});
    BoundGrid& selected = m_editor.jgFileNameField();
    selected.requery();
    m_editor.applyLayout(TemplateGrid::FileNameField);
    m_editor.showGridState(TemplateGrid::FileNameField);
}

void FieldGridRules::removeEntryField() {
    BoundGrid& fields = m_editor.jgEntryField();
    const int row = fields.currentRow();
    if (!fields.isSaved(row))
        return;
    if (fields.value(row, QStringLiteral("GroupField")).toInt() != 0) {
        programPrompter().inform(QStringLiteral("You cannot delete this field."),
                                 QStringLiteral("Group Deletion Validation"), PromptIcon::Critical);
        return;
    }
    if (!TemplateRows::confirmDeletion(fields.value(row, QStringLiteral("FieldLabel")), QStringLiteral("field")))
        return;
    if (!fields.commit())
        return;
    const QVariant key = fields.key(row);
    {
        Transaction transaction(db());
        db().execute(QStringLiteral("DELETE FROM FileNameField WHERE TemplateFieldKey=?"), {key});
        db().execute(QStringLiteral("UPDATE TemplateField SET UseOn='H', Deleted=-1 WHERE TemplateFieldKey=?"), {key});
        transaction.commit();
    }
    fields.requery();
    m_editor.applyLayout(TemplateGrid::EntryField);
    LoadFileNameLists();
}

void FieldGridRules::removeFieldValue() {
    BoundGrid& values = m_editor.jgFieldValue();
    const int row = values.currentRow();
    if (!values.isSaved(row))
        return;
    if (!TemplateRows::confirmDeletion(values.value(row, QStringLiteral("FieldValue")), QStringLiteral("record")))
        return;
    if (!values.commit())
        return;
    db().execute(QStringLiteral("UPDATE TemplateFieldValue SET Deleted=-1 WHERE TemplateFieldValueKey=?"),
                 {values.key(row)});
    LoadFieldValues();
}

void FieldGridRules::removeFileNameField() {
    BoundGrid& selected = m_editor.jgFileNameField();
    const int row = selected.currentRow();
    if (!selected.isSaved(row))
        return;
    if (!TemplateRows::confirmEntryDeletion(selected.value(row, QStringLiteral("FieldLabel"))))
        return;
    db().execute(QStringLiteral("DELETE FROM FileNameField WHERE FileNameFieldKey=?"), {selected.key(row)});
    selected.requery();
    m_editor.applyLayout(TemplateGrid::FileNameField);
    m_editor.showGridState(TemplateGrid::FileNameField);
}
