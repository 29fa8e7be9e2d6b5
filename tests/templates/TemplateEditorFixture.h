#pragma once

#include "HandheldFixture.h"
#include "ScriptedPrompter.h"
#include "TemplateMaintenance.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A template editor over a fresh database and an emulated unit, as a test drives it: the
// windows it opens are stand-ins that record what they were asked.
class TemplateEditorFixture {
public:
    explicit TemplateEditorFixture(DatabaseEngine engine);

    TemplateMaintenance& editor() { return *m_editor; }
    ScriptedPrompter& prompter() { return m_prompter; }
    const Database& db() const { return m_handheld.db(); }
    HandheldFixture& handheld() { return m_handheld; }
    QString layoutFolder() const { return m_layouts.path() + QLatin1Char('/'); }

    // What the Add button's dialog answers next, and what Print was asked.
    TemplateMaintenance::AddTemplateResult nextAdd;
    QList<qint64> printed;

    // A template made as the Add dialog makes one, with extra entry fields (label, type).
    qint64 addTemplate(const QString& name);
    // Types the values into the grid's new row and leaves the row; the row it became.
    int typeRow(BoundGrid& grid, const QList<std::pair<QString, QVariant>>& values);
    // The column's values of the stored rows, in key order, for a query's filter.
    QStringList column(const QString& sql, const QVariantList& values = {}) const;

private:
    ScriptedPrompter m_prompter;
    QTemporaryDir m_layouts;
    HandheldFixture m_handheld;
    std::unique_ptr<TemplateMaintenance> m_editor;
};
