#include "frmAddEvaluation.h"

#include "EvaluationEditor.h"
#include "FormStatusBar.h"
#include "LogError.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmAddEvaluation::frmAddEvaluation(const Database& database, EvaluationEditor& editor, QWidget* owner)
    : QDialog(owner), m_logic(database), m_editor(editor) {
    setObjectName(QStringLiteral("frmAddEvaluation"));
    setWindowTitle(QStringLiteral("Add Evaluation"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(330, 118);
    auto* label = new QLabel(QStringLiteral("Template:"), this);
    label->setObjectName(QStringLiteral("lblLabel"));
    label->setGeometry(10, 14, 70, 22);
    m_templates = new QComboBox(this);
    m_templates->setObjectName(QStringLiteral("cmbTemplate"));
    m_templates->setGeometry(80, 12, 240, 24);
    auto* add = new QPushButton(QStringLiteral("&Add"), this);
    add->setObjectName(QStringLiteral("cmdAdd"));
    add->setGeometry(134, 50, 90, 28);
    add->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setGeometry(230, 50, 90, 28);
    m_panel = SetupStatusBar(this);
    m_panel->parentWidget()->setGeometry(0, 90, 330, 28);

    for (QWidget* control :
         {static_cast<QWidget*>(m_templates), static_cast<QWidget*>(add), static_cast<QWidget*>(cancel)})
        control->installEventFilter(this);
    connect(m_templates, &QComboBox::activated, this, [this](int index) { m_logic.choose(index); });
    connect(add, &QPushButton::clicked, this, [this] {
        bool added = false;
        guarded(QStringLiteral("cmdAdd_Click"), [this, &added] { added = m_logic.Add(m_editor); });
        if (added)
            close();
    });
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);

    guarded(QStringLiteral("Form_Load"), [this] { m_logic.load(); });
    for (const AddEvaluation::Template& entry : m_logic.templates())
        m_templates->addItem(entry.name, entry.key);
    m_templates->setCurrentIndex(m_logic.chosen());
}

void frmAddEvaluation::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_templates->setFocus(Qt::OtherFocusReason);
    // The box comes over the dialog, which then closes as by "&Cancel".
    if (!m_logic.activate())
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

bool frmAddEvaluation::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn)
        m_panel->setText(AddEvaluation::helpText(watched->objectName()));
    return QDialog::eventFilter(watched, event);
}
