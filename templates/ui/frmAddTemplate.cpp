#include "frmAddTemplate.h"

#include "FormStatusBar.h"
#include "LogError.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmAddTemplate::frmAddTemplate(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmAddTemplate"));
    setWindowTitle(QStringLiteral("Add Template"));
    resize(360, 120);
    auto* label = new QLabel(QStringLiteral("Template:"), this);
    label->setObjectName(QStringLiteral("lblfield"));
    label->setGeometry(10, 14, 70, 22);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("txtField"));
    m_name->setProperty("index", 0);
    m_name->setMaxLength(50);
    m_name->setGeometry(84, 12, 266, 24);
    auto* add = new QPushButton(QStringLiteral("A&dd"), this);
    add->setObjectName(QStringLiteral("cmdAdd"));
    add->setGeometry(164, 50, 90, 28);
    add->setDefault(true);
    m_abort = new QPushButton(QStringLiteral("&Abort"), this);
    m_abort->setObjectName(QStringLiteral("cmdAbort"));
    m_abort->setGeometry(260, 50, 90, 28);
    m_panel = SetupStatusBar(this);
    m_status = m_panel->parentWidget();

    for (QWidget* control : {static_cast<QWidget*>(m_name), static_cast<QWidget*>(add), static_cast<QWidget*>(m_abort)})
        control->installEventFilter(this);
    connect(add, &QPushButton::clicked, this, [this] {
        if (m_logic.Add(m_name->text()))
            accept();
        else
            m_name->setFocus(Qt::OtherFocusReason);
    });
    connect(m_abort, &QPushButton::clicked, this, [this] {
        m_logic.Abort();
        reject();
    });
}

void frmAddTemplate::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_logic.activate();
    if (!m_recorded) {
        m_recorded = true;
        RecordControlPositions(m_positions, this);
    }
    m_name->setFocus(Qt::OtherFocusReason);
}

void frmAddTemplate::keyPressEvent(QKeyEvent* event) {
    // Escape aborts, as the Abort button does; only the close box leaves the editor to read
    // its list again.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_abort->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmAddTemplate::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    guarded(QString(), [this] { ResizeControls(m_positions, this); });
    // The status bar keeps its height along the bottom edge, as a status bar does.
    const int height = m_status->sizeHint().height();
    m_status->setGeometry(0, this->height() - height, width(), height);
}

bool frmAddTemplate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn)
        m_panel->setText(AddTemplate::helpText(watched->objectName()));
    return QDialog::eventFilter(watched, event);
}
