#include "frmEula.h"

#include "DataEnvironment.h"
#include "LogError.h"
#include "ProgramPrinter.h"
#include "Prompter.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPrinter>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

frmEula::frmEula(QWidget* owner) : QDialog(owner), m_logic(DataEnvironment::instance().cnnConnection()) {
    setObjectName(QStringLiteral("frmEula"));
    setWindowTitle(EulaLogic::caption());
    setModal(true);
    resize(620, 520);
    m_text = new QTextEdit(this);
    m_text->setObjectName(QStringLiteral("rchText"));
    m_text->setReadOnly(true);
    m_text->setAcceptRichText(false);
    auto* cmdPrint = new QPushButton(QStringLiteral("&Print"), this);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    auto* cmdAgree = new QPushButton(QStringLiteral("&I Agree"), this);
    cmdAgree->setObjectName(QStringLiteral("cmdAgree"));
    auto* cmdDisagree = new QPushButton(QStringLiteral("&Disagree"), this);
    cmdDisagree->setObjectName(QStringLiteral("cmdDisagree"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdPrint);
    buttons->addStretch();
    buttons->addWidget(cmdAgree);
    buttons->addWidget(cmdDisagree);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addLayout(buttons);

    m_loaded = m_logic.load();
    m_text->setPlainText(m_logic.text());

    connect(cmdPrint, &QPushButton::clicked, this,
            [this] { guarded(QStringLiteral("cmdPrint_Click"), [this] { print(); }); });
    connect(cmdAgree, &QPushButton::clicked, this, [this] {
        if (guarded(QStringLiteral("cmdAgree_Click"), [this] { m_logic.agree(); }))
            accept();
    });
    connect(cmdDisagree, &QPushButton::clicked, this, [this] {
        guarded(QStringLiteral("cmdDisagree_Click"), [this] { m_logic.disagree(); });
        reject();
    });
}

void frmEula::print() {
    const QString file = ProgramPrinter::beginJob();
    QPrinter& printer = ProgramPrinter::printer();
    printer.setDocName(EulaLogic::caption());
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("Arial"), 10));
    document.setPlainText(m_logic.text());
    document.print(&printer);
    if (file.isEmpty())
        return;
    // A folder that cannot be written to leaves no file, and the printer does not say so.
    if (QFileInfo(file).isFile())
        programPrompter().inform(ProgramPrinter::savedAsText(file), QStringLiteral("Print"));
    else
        programPrompter().inform(QStringLiteral("The printout could not be written to %1.").arg(file),
                                 QStringLiteral("Print"), PromptIcon::Critical);
}

void frmEula::closeEvent(QCloseEvent* event) {
    if (result() == QDialog::Accepted || m_logic.Declined())
        event->accept();
    else
        event->ignore();
}

void frmEula::keyPressEvent(QKeyEvent* event) {
    // Escape would close the window without an answer.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}
