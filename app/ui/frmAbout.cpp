#include "frmAbout.h"

#include "AboutInfo.h"
#include "ProgramIcons.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

frmAbout::frmAbout(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(AboutInfo::caption());
    setModal(true);
    resize(720, 420);
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcons::icon(QStringLiteral("icoPocketPC")).pixmap(48, 48));
    auto* lblTitle = new QLabel(AboutInfo::title(), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    lblTitle->setFont(titleFont);
    auto* lblVersion = new QLabel(AboutInfo::version(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    auto* lblDescription = new QLabel(AboutInfo::description(), this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    auto* lstModifications = new QListWidget(this);
    lstModifications->setObjectName(QStringLiteral("lstModifications"));
    lstModifications->addItems(AboutInfo::modifications());
    lstModifications->setFont(QFont(QStringLiteral("Monospace")));
    auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    layout->addWidget(lblTitle, 0, 1);
    layout->addWidget(lblVersion, 1, 1);
    layout->addWidget(lblDescription, 2, 1);
    layout->addWidget(lstModifications, 3, 0, 1, 2);
    layout->addWidget(cmdOK, 4, 1, Qt::AlignRight);
}
