#include "frmPrintPages.h"

#include "ControlMessages.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

QLabel* setupLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("lblSetup"));
    return label;
}

} // namespace

frmPrintPages::frmPrintPages(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPrintPages"));
    setWindowTitle(QStringLiteral("Print Pages"));
    setWindowModality(Qt::ApplicationModal);
    setMinimumWidth(420);

    auto* layout = new QVBoxLayout(this);
    auto* printerRow = new QHBoxLayout;
    printerRow->addWidget(setupLabel(QStringLiteral("Printer:"), this));
    m_txtPrinter = new QLineEdit(this);
    m_txtPrinter->setObjectName(QStringLiteral("txtPrinter"));
    m_txtPrinter->setReadOnly(true);
    m_txtPrinter->setToolTip(QStringLiteral("The printer that will print; choose another with Print Setup"));
    printerRow->addWidget(m_txtPrinter, 1);
    layout->addLayout(printerRow);

    layout->addWidget(copiesBox());
    layout->addWidget(pageSelectionBox());
    layout->addLayout(buttonRow());
    connect(m_txtCopies, &QLineEdit::textEdited, this, &frmPrintPages::copiesEdited);
    connect(m_vscrCopies, &QScrollBar::valueChanged, this, &frmPrintPages::copiesScrolled);
    // Escape and the window's close button cancel as "&Cancel" does.
    connect(this, &QDialog::rejected, this, [this] { m_logic.cancel(); });
}

QGroupBox* frmPrintPages::copiesBox() {
    auto* copies = new QGroupBox(QStringLiteral("Copies"), this);
    copies->setObjectName(QStringLiteral("Frame1"));
    auto* copiesRow = new QHBoxLayout(copies);
    copiesRow->addWidget(setupLabel(QStringLiteral("Copies:"), copies));
    m_txtCopies = new QLineEdit(QStringLiteral("1"), copies);
    m_txtCopies->setObjectName(QStringLiteral("txtCopies"));
    m_txtCopies->setToolTip(QStringLiteral("Number of copies, from 1 to %1").arg(PrintPagesLogic::MaximumCopies));
    copiesRow->addWidget(m_txtCopies);
    m_vscrCopies = new QScrollBar(Qt::Vertical, copies);
    m_vscrCopies->setObjectName(QStringLiteral("vscrCopies"));
    m_vscrCopies->setRange(1, PrintPagesLogic::MaximumCopies);
    m_vscrCopies->setValue(1);
    // The upper arrow counts up.
    m_vscrCopies->setInvertedAppearance(true);
    m_vscrCopies->setInvertedControls(true);
    m_vscrCopies->setFixedHeight(m_txtCopies->sizeHint().height());
    copiesRow->addWidget(m_vscrCopies);
    copiesRow->addStretch(1);
    return copies;
}

QGroupBox* frmPrintPages::pageSelectionBox() {
    auto* selection = new QGroupBox(QStringLiteral("Page Selection"), this);
    selection->setObjectName(QStringLiteral("fraPageSelection"));
    auto* grid = new QGridLayout(selection);
    const QString captions[3] = {QStringLiteral("All"), QStringLiteral("Current"), QStringLiteral("Pages:")};
    for (int index = 0; index < 3; ++index) {
        m_optPages[index] = new QRadioButton(captions[index], selection);
        m_optPages[index]->setObjectName(QStringLiteral("optPages"));
        m_optPages[index]->setProperty("index", index);
        grid->addWidget(m_optPages[index], index, 0);
        connect(m_optPages[index], &QRadioButton::toggled, this, [this, index](bool on) {
            if (on)
                m_logic.optionClicked(index);
        });
    }
    m_optPages[0]->setToolTip(QStringLiteral("Print every page of the report"));
    m_optPages[1]->setToolTip(QStringLiteral("Print the page shown in the preview"));
    m_optPages[2]->setToolTip(QStringLiteral("Print the pages listed"));
    m_txtPages = new QLineEdit(selection);
    m_txtPages->setObjectName(QStringLiteral("txtPages"));
    m_txtPages->setToolTip(QStringLiteral("Pages and page ranges to print, for example 1, 3, 5-7"));
    m_txtPages->installEventFilter(this);
    grid->addWidget(m_txtPages, 2, 1);
    auto* help = setupLabel(
        QStringLiteral("Enter page numbers and/or page ranges seperated by commas. For example, 1, 3, 5-7"), selection);
    help->setWordWrap(true);
    grid->addWidget(help, 3, 0, 1, 2);
    return selection;
}

QHBoxLayout* frmPrintPages::buttonRow() {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cmdPrint = new QPushButton(QStringLiteral("&Print"), this);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdPrint->setDefault(true);
    auto* cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdCancel);
    connect(cmdPrint, &QPushButton::clicked, this, [this] {
        m_logic.confirm(m_txtCopies->text(), m_txtPages->text());
        accept();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    return buttons;
}

bool frmPrintPages::ask(const QString& printerName, int printerCopies) {
    if (!m_loaded) {
        m_loaded = true;
        m_vscrCopies->setValue(1);
        const QString copies = QString::number(printerCopies);
        m_txtCopies->setText(copies);
        m_logic.setLastGoodCopies(copies);
    }
    m_txtPrinter->setText(printerName);
    m_logic.activate();
    m_optPages[0]->setChecked(true);
    m_optPages[0]->setFocus();
    exec();
    return !m_logic.ppPreviewAbort();
}

bool frmPrintPages::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_txtPages && event->type() == QEvent::FocusIn) {
        m_optPages[2]->setChecked(true);
        m_logic.pagesEntered();
    }
    return QDialog::eventFilter(watched, event);
}

void frmPrintPages::copiesEdited(const QString& text) {
    const QString kept = m_logic.copiesChanged(text, ControlMessages::prompter());
    if (kept != text)
        m_txtCopies->setText(kept);
    const QSignalBlocker quiet(m_vscrCopies);
    m_vscrCopies->setValue(kept.trimmed().toDouble() >= 1 ? qRound(kept.trimmed().toDouble()) : 1);
}

void frmPrintPages::copiesScrolled(int value) {
    const QString text = QString::number(value);
    m_txtCopies->setText(text);
    m_logic.setLastGoodCopies(text);
}
