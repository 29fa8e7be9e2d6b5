#include "frmCatalogBackup.h"

#include "FormStatusBar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

frmCatalogBackup::frmCatalogBackup(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmCatalogBackup"));
    setWindowTitle(CatalogBackupLogic::Title);
    setModal(true);

    auto* label = new QLabel(QStringLiteral("&Backup file:"), this);
    label->setObjectName(QStringLiteral("lblFile"));
    m_file = new QLineEdit(m_logic.file(), this);
    m_file->setObjectName(QStringLiteral("txtFile"));
    m_file->setMinimumWidth(380);
    label->setBuddy(m_file);
    m_browse = new QPushButton(QStringLiteral("..."), this);
    m_browse->setObjectName(QStringLiteral("cmdBrowse"));
    m_browse->setFixedWidth(28);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("prgBackup"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_status = new QLabel(m_logic.status(), this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_status->setWordWrap(true);
    m_status->setMinimumHeight(40);
    m_backUp = new QPushButton(QStringLiteral("Back &Up"), this);
    m_backUp->setObjectName(QStringLiteral("cmdBackUp"));
    m_backUp->setDefault(true);
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->setObjectName(QStringLiteral("cmdClose"));
    m_hint = SetupStatusBar(this);

    auto* grid = new QGridLayout;
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_file, 0, 1);
    grid->addWidget(m_browse, 0, 2);
    grid->addWidget(m_progress, 1, 0, 1, 3);
    grid->addWidget(m_status, 2, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_backUp);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->addWidget(m_hint->parentWidget());
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_file, &QLineEdit::textChanged, &m_logic, &CatalogBackupLogic::setFile);
    connect(m_browse, &QPushButton::clicked, this, &frmCatalogBackup::browse);
    connect(m_backUp, &QPushButton::clicked, &m_logic, &CatalogBackupLogic::backUp);
    connect(m_close, &QPushButton::clicked, this, &frmCatalogBackup::reject);
    connect(&m_logic, &CatalogBackupLogic::statusChanged, m_status, &QLabel::setText);
    connect(&m_logic, &CatalogBackupLogic::busyChanged, this, &frmCatalogBackup::showBusy);
    connect(&m_logic, &CatalogBackupLogic::progressChanged, this, [this](int done, int total) {
        m_progress->setRange(0, total);
        m_progress->setValue(done);
    });
    ShowHelpOnFocus(this,
                    [this](QWidget* control) { m_hint->setText(CatalogBackupLogic::helpText(control->objectName())); });
    m_file->setFocus();
}

void frmCatalogBackup::browse() {
    const QString file = QFileDialog::getSaveFileName(
        this, CatalogBackupLogic::Title, m_file->text(), QStringLiteral("Kestrivo backups (*.db)"), nullptr,
        QFileDialog::DontConfirmOverwrite | QFileDialog::DontUseNativeDialog);
    if (!file.isEmpty())
        m_file->setText(file);
}

void frmCatalogBackup::showBusy(bool busy) {
    for (QWidget* control : {static_cast<QWidget*>(m_file), static_cast<QWidget*>(m_browse),
                             static_cast<QWidget*>(m_backUp), static_cast<QWidget*>(m_close)})
        control->setEnabled(!busy);
    m_waitCursor.show(busy);
}

void frmCatalogBackup::closeEvent(QCloseEvent* event) {
    // A backup that is being written finishes first; it cannot be left half-way.
    if (m_logic.busy())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void frmCatalogBackup::reject() {
    if (!m_logic.busy())
        QDialog::reject();
}
