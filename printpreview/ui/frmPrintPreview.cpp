#include "frmPrintPreview.h"

#include "ControlErrorRoutine.h"
#include "ControlMessages.h"
#include "CurrentPrinter.h"
#include "FormToolbar.h"
#include "PdfPrinterTarget.h"
#include "PreviewRenderer.h"
#include "PrinterTarget.h"
#include "ReportPrinter.h"
#include "ToolbarImages.h"
#include "frmPrintPages.h"

#include <QAction>
#include <QEvent>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

constexpr int Twips = PreviewRenderer::TwipsPerPixel;
constexpr quint32 ToolbarMask = 0x1010; // Exit and Print

// Where the controls sit when the window has its design size.
const QSize DesignSize(800, 600);

QPushButton* pageButton(const QString& name, const QString& image, const QString& tip, int left, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setIcon(ToolbarImages::icon(image));
    button->setToolTip(tip);
    button->setGeometry(left, 6, 30, 28);
    return button;
}

QRect twips(const QRect& pixels) {
    return {pixels.x() * Twips, pixels.y() * Twips, pixels.width() * Twips, pixels.height() * Twips};
}

} // namespace

frmPrintPreview::frmPrintPreview(qint32 reportKey, frmPrintPages& printPages, QWidget* parent)
    : QDialog(parent), m_logic(reportKey), m_printPages(printPages) {
    setObjectName(QStringLiteral("frmPrintPreview"));
    setWindowTitle(QStringLiteral("Print Preview"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildMenu();
    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("Toolbar1"));
    layout->addWidget(toolbar);
    SetupToolbar(this, ToolbarMask);
    connect(toolbar, &QToolBar::actionTriggered, this,
            [this](QAction* button) { toolbarButtonClicked(toolbarButtonKey(button)); });
    buildControls();
    layout->addWidget(m_controls, 1);
    RecordControlPositions(m_positions, m_controls);
    m_controls->installEventFilter(this);
    resize(DesignSize + QSize(0, toolbar->sizeHint().height() + layout->menuBar()->sizeHint().height()));
}

void frmPrintPreview::buildMenu() {
    auto* bar = new QMenuBar(this);
    auto* mnuFile = bar->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    const auto item = [this, mnuFile](const QString& name, const QString& caption, auto handler) {
        QAction* action = mnuFile->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    item(QStringLiteral("mnuPrint"), QStringLiteral("&Print"),
         [this] { ControlErrorRoutine::guard(QStringLiteral("In mnuPrint"), [this] { mnuPrint(); }); });
    item(QStringLiteral("mnuSetup"), QStringLiteral("Print Set&up"), [this] { CurrentPrinter::setup(this); });
    item(QStringLiteral("mnuSavePdf"), QStringLiteral("Save as &PDF…"), [this] { mnuSavePdf(); });
    mnuFile->addSeparator();
    item(QStringLiteral("mnuExit"), QStringLiteral("E&xit"), [this] { close(); });
    layout()->setMenuBar(bar);
}

void frmPrintPreview::buildControls() {
    m_controls = new QWidget(this);
    m_controls->setObjectName(QStringLiteral("pnlControls"));
    m_controls->resize(DesignSize);
    auto* label = new QLabel(QStringLiteral("Page:"), m_controls);
    label->setObjectName(QStringLiteral("lblLabel"));
    label->setGeometry(8, 9, 40, 24);
    m_txtPage = new QLineEdit(QStringLiteral("1"), m_controls);
    m_txtPage->setObjectName(QStringLiteral("txtPage"));
    m_txtPage->setToolTip(QStringLiteral("Type the number of the page to show"));
    m_txtPage->setGeometry(50, 8, 60, 26);
    connect(m_txtPage, &QLineEdit::editingFinished, this, &frmPrintPreview::pageLeft);
    const auto navigate = [this](QPushButton* button, bool (PrintPreviewLogic::*move)()) {
        connect(button, &QPushButton::clicked, this, [this, move] { showPage((m_logic.*move)()); });
    };
    navigate(pageButton(QStringLiteral("cmdBeginPage"), QStringLiteral("BFile"),
                        QStringLiteral("Beginning of Document"), 118, m_controls),
             &PrintPreviewLogic::beginPage);
    navigate(pageButton(QStringLiteral("cmdPrevious"), QStringLiteral("PRecord"), QStringLiteral("Previous Page"), 150,
                        m_controls),
             &PrintPreviewLogic::previousPage);
    navigate(
        pageButton(QStringLiteral("cmdNext"), QStringLiteral("NRecord"), QStringLiteral("Next Page"), 182, m_controls),
        &PrintPreviewLogic::nextPage);
    navigate(pageButton(QStringLiteral("cmdEndPage"), QStringLiteral("EFile"), QStringLiteral("End of Document"), 214,
                        m_controls),
             &PrintPreviewLogic::endPage);

    m_container = new QFrame(m_controls);
    m_container->setObjectName(QStringLiteral("Container"));
    m_container->setGeometry(8, 40, 768, 536);
    m_container->setAutoFillBackground(true);
    QPalette dark = m_container->palette();
    dark.setColor(QPalette::Window, QColor(128, 128, 128));
    m_container->setPalette(dark);
    m_document = new QLabel(m_container);
    m_document->setObjectName(QStringLiteral("Document"));
    m_document->setAutoFillBackground(true);
    m_document->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_document->resize(m_logic.documentTwips() / Twips);

    m_vscroll = new QScrollBar(Qt::Vertical, m_controls);
    m_vscroll->setObjectName(QStringLiteral("VScroll1"));
    m_vscroll->setGeometry(776, 40, 16, 536);
    m_hscroll = new QScrollBar(Qt::Horizontal, m_controls);
    m_hscroll->setObjectName(QStringLiteral("HScroll1"));
    m_hscroll->setGeometry(8, 576, 768, 16);
    connect(m_vscroll, &QScrollBar::valueChanged, this,
            [this](int value) { m_document->move(m_document->x(), -value / Twips); });
    connect(m_hscroll, &QScrollBar::valueChanged, this,
            [this](int value) { m_document->move(-value / Twips, m_document->y()); });
}

void frmPrintPreview::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        formLoad();
    }
}

bool frmPrintPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_controls && event->type() == QEvent::Resize)
        ControlErrorRoutine::guard(QString(), [this] {
            ResizeControls(m_positions, m_controls);
            sizeScrolls();
        });
    return QDialog::eventFilter(watched, event);
}

void frmPrintPreview::formLoad() {
    bool hasRows = false;
    ControlErrorRoutine::guard(QStringLiteral("In Form Load"), [this, &hasRows] { hasRows = m_logic.load(); });
    m_txtPage->setText(m_logic.pageText());
    if (hasRows)
        sizeDoc();
}

void frmPrintPreview::sizeDoc() {
    ControlErrorRoutine::guard(QStringLiteral("In SizeDoc"), [this] {
        m_logic.sizeDoc();
        m_document->setPixmap(QPixmap::fromImage(m_logic.picture()));
        m_document->resize(m_logic.documentTwips() / Twips);
        sizeScrolls();
    });
}

void frmPrintPreview::sizeScrolls() {
    const QRect container = twips(m_container->geometry());
    const QSize inner = m_container->contentsRect().size() * Twips;
    const auto place = [](QScrollBar* bar, const ScrollBarSettings& settings, bool vertical) {
        const QSignalBlocker quiet(bar);
        if (vertical)
            bar->setGeometry(settings.left / Twips, settings.top / Twips, bar->width(), settings.length / Twips);
        else
            bar->setGeometry(settings.left / Twips, settings.top / Twips, settings.length / Twips, bar->height());
        bar->setRange(settings.minimum, std::max(settings.minimum, settings.maximum));
        bar->setValue(settings.value);
        bar->setSingleStep(std::max(1, settings.smallStep));
        bar->setPageStep(std::max(1, settings.largeStep));
        bar->setVisible(settings.visible);
    };
    place(m_vscroll, m_logic.verticalBar(container, inner), true);
    place(m_hscroll, m_logic.horizontalBar(container, inner), false);
    m_document->move(-m_hscroll->value() / Twips, -m_vscroll->value() / Twips);
}

void frmPrintPreview::showPage(bool changed) {
    if (!changed)
        return;
    m_txtPage->setText(m_logic.pageText());
    sizeDoc();
}

void frmPrintPreview::pageLeft() {
    const bool changed = m_logic.pageTyped(m_txtPage->text());
    m_txtPage->setText(m_logic.pageText());
    if (changed)
        sizeDoc();
}

void frmPrintPreview::mnuPrint() {
    PrinterTarget& printer = CurrentPrinter::target();
    if (!m_printPages.ask(CurrentPrinter::installedName(printer), printer.copyCount()))
        return;
    m_logic.print(m_printPages.logic(), printer);
}

void frmPrintPreview::mnuSavePdf() {
    QFileDialog dialog(this, QStringLiteral("Save as PDF"));
    dialog.setObjectName(QStringLiteral("cdSavePdf"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("PDF files (*.pdf)"));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString fileName = dialog.selectedFiles().constFirst();
    ControlErrorRoutine::guard(QStringLiteral("In mnuSavePdf"), [this, &fileName] {
        const auto file = PdfPrinterTarget::singleFile(fileName);
        if (ReportPrinter::print(m_logic.reportKey(), 0, 0, *file) == 0)
            ControlMessages::prompter().inform(QStringLiteral("No report to process!"), QStringLiteral("Print Error"),
                                               PromptIcon::Critical);
    });
}

void frmPrintPreview::toolbarButtonClicked(const QString& key) {
    ControlErrorRoutine::guard(QStringLiteral("In Toolbar_ButtonClick"), [this, &key] {
        if (key == QLatin1String("Exit"))
            close();
        else if (key == QLatin1String("Print"))
            ControlErrorRoutine::guard(QStringLiteral("In mnuPrint"), [this] { mnuPrint(); });
    });
}
