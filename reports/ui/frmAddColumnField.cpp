#include "frmAddColumnField.h"

#include "LogError.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

frmAddColumnField::frmAddColumnField(const Database& database, qint64 templateKey, qint64 reportDefinitionKey,
                                     const QString& templateName, QWidget* owner)
    : QDialog(owner), m_logic(database, templateKey, reportDefinitionKey) {
    setObjectName(QStringLiteral("frmAddColumnField"));
    setWindowTitle(AddColumnField::Caption);
    auto* layout = new QGridLayout(this);
    auto* templateLabel = new QLabel(QStringLiteral("Template: ") + templateName, this);
    templateLabel->setObjectName(QStringLiteral("lblTemplate"));
    layout->addWidget(templateLabel, 0, 0, 1, 3);
    layout->addWidget(new QLabel(QStringLiteral("Column Field For Report:"), this), 1, 0);
    m_fields = new QComboBox(this);
    m_fields->setObjectName(QStringLiteral("cmbTemplateField"));
    m_fields->setToolTip(QStringLiteral("Select field for report"));
    m_fields->setMinimumWidth(180);
    layout->addWidget(m_fields, 1, 1, 1, 2);
    auto* addButton = new QPushButton(QStringLiteral("Add"), this);
    addButton->setObjectName(QStringLiteral("cmdAdd"));
    addButton->setDefault(true);
    auto* abortButton = new QPushButton(QStringLiteral("&Abort"), this);
    abortButton->setObjectName(QStringLiteral("cmdAbort"));
    layout->addWidget(addButton, 2, 1);
    layout->addWidget(abortButton, 2, 2);
    connect(addButton, &QPushButton::clicked, this, &frmAddColumnField::add);
    connect(abortButton, &QPushButton::clicked, this, [this] {
        m_logic.abort();
        reject();
    });

    guarded(QStringLiteral("Form_Activate"), [this] {
        m_logic.activate();
        for (const ListEntry& field : m_logic.fields())
            m_fields->addItem(field.text, field.key);
        m_fields->setCurrentIndex(-1);
    });
}

void frmAddColumnField::add() {
    bool added = false;
    guarded(QStringLiteral("cmdAdd_Click"), [this, &added] { added = m_logic.add(m_fields->currentIndex()); });
    if (added) {
        accept();
        return;
    }
    m_fields->setFocus(Qt::OtherFocusReason);
}
