#include "frmWebUnit.h"

#include "FormStatusBar.h"
#include "LogError.h"
#include "QrCodeView.h"
#include "UnitTemplateList.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton* button(QWidget* parent, const char* name) {
    const QString control = QString::fromLatin1(name);
    auto* created = new QPushButton(WebUnitLogic::caption(control), parent);
    created->setObjectName(control);
    created->setStatusTip(WebUnitLogic::helpText(control));
    return created;
}

QLabel* label(QWidget* parent, const char* name) {
    auto* created = new QLabel(parent);
    created->setObjectName(QString::fromLatin1(name));
    created->setWordWrap(true);
    return created;
}

QVBoxLayout* codeColumn(QLabel* caption, QrCodeView* code, QLabel* address) {
    auto* column = new QVBoxLayout;
    column->addWidget(caption);
    column->addWidget(code, 1);
    column->addWidget(address);
    return column;
}

} // namespace

frmWebUnit::frmWebUnit(const WebUnitFolders& folders, QWidget* parent)
    : QWidget(parent), m_logic(folders), m_status(label(this, "lblStatus")),
      m_installCaption(label(this, "lblInstallCaption")), m_installQrCode(new QrCodeView(this)),
      m_installAddress(label(this, "lblInstallAddress")), m_openCaption(label(this, "lblOpenCaption")),
      m_qrCode(new QrCodeView(this)), m_address(label(this, "lblAddress")),
      m_fingerprint(label(this, "lblFingerprint")), m_otherAddresses(label(this, "lblOtherAddresses")),
      m_unpaired(label(this, "lblUnpaired")), m_phones(label(this, "lblPhones")), m_files(label(this, "lblFiles")),
      m_start(button(this, "cmdStart")), m_stop(button(this, "cmdStop")), m_newToken(button(this, "cmdNewToken")) {
    setObjectName(QStringLiteral("frmWebUnit"));
    setWindowTitle(WebUnitLogic::Title);
    m_installQrCode->setObjectName(QStringLiteral("picInstallQrCode"));
    m_qrCode->setObjectName(QStringLiteral("picQrCode"));
    for (QLabel* selectable : {m_address, m_installAddress, m_fingerprint, m_otherAddresses})
        selectable->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_unpaired->setStyleSheet(QStringLiteral("color: #a4161a"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_start);
    buttons->addWidget(m_stop);
    buttons->addStretch();
    buttons->addWidget(m_newToken);
    auto* codes = new QHBoxLayout;
    codes->addLayout(codeColumn(m_installCaption, m_installQrCode, m_installAddress), 1);
    codes->addLayout(codeColumn(m_openCaption, m_qrCode, m_address), 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    layout->addLayout(codes, 1);
    layout->addWidget(m_fingerprint);
    layout->addWidget(m_otherAddresses);
    layout->addWidget(m_unpaired);
    layout->addWidget(m_phones);
    layout->addWidget(m_files);
    layout->addWidget(new UnitTemplateList(folders.templates, this), 1);
    // Takes the room of the QR codes while there are none.
    layout->addStretch(0);
    QLabel* panel = SetupStatusBar(this);
    layout->addWidget(panel->parentWidget());
    // The first panel shows the help text of the control that has the focus; the template list
    // brings its own.
    ShowHelpOnFocus(this, [panel](QWidget* control) { panel->setText(control->statusTip()); });
    resize(760, 640);

    connect(m_start, &QPushButton::clicked, this,
            [this] { guarded(QStringLiteral("cmdStart_Click"), [this] { m_logic.start(); }); });
    connect(m_stop, &QPushButton::clicked, this,
            [this] { guarded(QStringLiteral("cmdStop_Click"), [this] { m_logic.stop(); }); });
    connect(m_newToken, &QPushButton::clicked, this,
            [this] { guarded(QStringLiteral("cmdNewToken_Click"), [this] { m_logic.makeNewToken(); }); });
    connect(&m_logic, &WebUnitLogic::changed, this, &frmWebUnit::showState);
    showState();
}

void frmWebUnit::showState() {
    const bool serving = m_logic.isServing();
    const bool install = serving && !m_logic.installAddress().isEmpty();
    m_status->setText(m_logic.statusText());
    m_start->setEnabled(!serving);
    m_stop->setEnabled(serving);
    m_installCaption->setText(WebUnitLogic::InstallCaption);
    m_installAddress->setText(install ? m_logic.installAddress() : QString());
    m_installQrCode->setCode(install ? &m_logic.installQrCode() : nullptr);
    for (QWidget* part : {static_cast<QWidget*>(m_installCaption), static_cast<QWidget*>(m_installQrCode),
                          static_cast<QWidget*>(m_installAddress)})
        part->setVisible(install);
    m_openCaption->setText(m_logic.openCaption());
    m_openCaption->setVisible(serving);
    m_address->setText(serving ? m_logic.address() : QString());
    m_qrCode->setCode(serving ? &m_logic.qrCode() : nullptr);
    m_qrCode->setVisible(serving);
    m_fingerprint->setText(m_logic.fingerprintText());
    m_otherAddresses->setText(m_logic.otherAddressesText());
    m_unpaired->setText(m_logic.unpairedText());
    m_phones->setText(m_logic.phonesText());
    m_files->setText(m_logic.filesText());
}

void frmWebUnit::closeEvent(QCloseEvent* event) {
    bool mayClose = true;
    guarded(QStringLiteral("Form_QueryUnload"), [this, &mayClose] { mayClose = m_logic.mayClose(); });
    if (mayClose)
        event->accept();
    else
        event->ignore();
}
