#include "TemplateEditorFixture.h"

#include "ProgramSettings.h"
#include "TemplateRows.h"
#include "TestDatabases.h"

#include <QTest>

TemplateEditorFixture::TemplateEditorFixture(DatabaseEngine engine)
    : m_handheld(TestDatabases::freshConnectionString(engine)) {
    programSettings().LayoutPath = layoutFolder();
    TemplateMaintenance::Windows windows;
    windows.addTemplate = [this] { return nextAdd; };
    windows.printTemplate = [this](qint64 key) { printed << key; };
    m_editor = std::make_unique<TemplateMaintenance>(m_handheld.session(), windows);
}

qint64 TemplateEditorFixture::addTemplate(const QString& name) {
    return TemplateRows::addTemplate(db(), name);
}

int TemplateEditorFixture::typeRow(BoundGrid& grid, const QList<std::pair<QString, QVariant>>& values) {
    const int row = grid.dataRowCount();
    if (!grid.setCurrentRow(row))
        QTest::qFail("the grid's current row could not be left", __FILE__, __LINE__);
    for (const auto& [column, value] : values)
        grid.setValue(row, column, value);
    if (!grid.setCurrentRow(row + 1))
        qWarning("the typed row was not written");
    return row;
}

QStringList TemplateEditorFixture::column(const QString& sql, const QVariantList& values) const {
    QStringList result;
    QSqlQuery rows = db().query(sql, values);
    while (rows.next())
        result << rows.value(0).toString();
    return result;
}
