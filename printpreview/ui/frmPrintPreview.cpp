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
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
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
#include <QWheelEvent>

namespace {

constexpr int Twips = PreviewRenderer::TwipsPerPixel;
constexpr quint32 ToolbarMask = 0x1010; // Exit and Print

// Where the controls sit when the window has its design size.
const QSize DesignSize(800, 600);

QPushButton* pageButton(const QString& name, const QString& image, const QString& tip, int left, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    // Enter in the page box goes to the typed page: no button of a dialog may take it.
    button->setAutoDefault(false);
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

frmPrintPreview::~frmPrintPreview() {
    // The controls go while the window is whole: the page box, when it has the focus, reports
    // being left as it goes, and nothing may answer that from a window half taken down.
    for (QObject* control : findChildren<QObject*>())
        control->removeEventFilter(this);
    disconnect(m_txtPage, nullptr, this, nullptr);
    delete m_controls;
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
    item(QStringLiteral("mnuSavePdf"), QStringLiteral("Save as P&DF…"), [this] { mnuSavePdf(); });
    mnuFile->addSeparator();
    item(QStringLiteral("mnuExit"), QStringLiteral("E&xit"), [this] { close(); });
    buildZoomMenu(bar);
    layout()->setMenuBar(bar);
}

void frmPrintPreview::buildZoomMenu(QMenuBar* bar) {
    auto* mnuView = bar->addMenu(QStringLiteral("&View"));
    mnuView->setObjectName(QStringLiteral("mnuView"));
    const auto item = [this, mnuView](const char* name, const QString& caption, QList<QKeySequence> keys, auto change) {
        QAction* action = mnuView->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        // Also on the window itself, so that the keys work wherever the focus is.
        addAction(action);
        connect(action, &QAction::triggered, this, [this, change] { zoomed(change()); });
    };
    item("mnuZoomIn", QStringLiteral("Zoom &In"), {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)},
         [this] { return m_logic.zoomIn(); });
    item("mnuZoomOut", QStringLiteral("Zoom &Out"), {QKeySequence::ZoomOut}, [this] { return m_logic.zoomOut(); });
    item("mnuActualSize", QStringLiteral("&Actual Size"), {QKeySequence(Qt::CTRL | Qt::Key_0)},
         [this] { return m_logic.setZoom(100); });
    item("mnuFitPage", QStringLiteral("Fit &Page"), {},
         [this] { return m_logic.setFit(PrintPreviewLogic::Fit::Page, frameInner()); });
    item("mnuFitWidth", QStringLiteral("Fit &Width"), {},
         [this] { return m_logic.setFit(PrintPreviewLogic::Fit::Width, frameInner()); });
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

    m_zoom = new QComboBox(m_controls);
    m_zoom->setObjectName(QStringLiteral("cmbZoom"));
    m_zoom->setToolTip(QStringLiteral("Zoom (Ctrl+wheel, Ctrl+plus, Ctrl+minus)"));
    m_zoom->addItem(QStringLiteral("Fit Page"));
    m_zoom->addItem(QStringLiteral("Fit Width"));
    for (int percent : PrintPreviewLogic::zoomSteps())
        m_zoom->addItem(QStringLiteral("%1%").arg(percent), percent);
    m_zoom->setGeometry(256, 8, 100, 26);
    showZoom();
    connect(m_zoom, &QComboBox::activated, this, [this](int index) {
        if (index == 0)
            zoomed(m_logic.setFit(PrintPreviewLogic::Fit::Page, frameInner()));
        else if (index == 1)
            zoomed(m_logic.setFit(PrintPreviewLogic::Fit::Width, frameInner()));
        else
            zoomed(m_logic.setZoom(m_zoom->itemData(index).toInt()));
    });

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
    m_container->installEventFilter(this);
    m_document->installEventFilter(this);

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
            // A fitted page is drawn again for the new frame.
            if (m_loaded && m_logic.lastPage() > 0 && m_logic.frameResized(frameInner()))
                sizeDoc();
            sizeScrolls();
        });
    if ((watched == m_container || watched == m_document) && event->type() == QEvent::Wheel)
        return wheel(*static_cast<QWheelEvent*>(event));
    return QDialog::eventFilter(watched, event);
}

// Ctrl and the wheel zoom, a step for every notch; the wheel alone scrolls the page.
bool frmPrintPreview::wheel(QWheelEvent& event) {
    const int turn = event.angleDelta().y();
    if (!(event.modifiers() & Qt::ControlModifier)) {
        QCoreApplication::sendEvent(m_vscroll, &event);
        return true;
    }
    constexpr int Notch = 120;
    m_wheelTurn += turn;
    bool changed = false;
    for (; m_wheelTurn >= Notch; m_wheelTurn -= Notch)
        changed = m_logic.zoomIn() || changed;
    for (; m_wheelTurn <= -Notch; m_wheelTurn += Notch)
        changed = m_logic.zoomOut() || changed;
    zoomed(changed);
    return true;
}

QSize frmPrintPreview::frameInner() const {
    return m_container->contentsRect().size() * Twips;
}

void frmPrintPreview::showZoom() {
    const PrintPreviewLogic::Fit fit = m_logic.fit();
    m_zoom->setCurrentIndex(fit == PrintPreviewLogic::Fit::Page    ? 0
                            : fit == PrintPreviewLogic::Fit::Width ? 1
                                                                   : m_zoom->findData(m_logic.zoom()));
}

void frmPrintPreview::zoomed(bool changed) {
    showZoom();
    if (!changed || m_logic.lastPage() < 1)
        return;
    // The middle of the frame, as a share of the page before the zoom.
    const QSize inner = frameInner();
    const QSizeF before = m_logic.documentTwips();
    const QPointF middle((m_hscroll->value() + inner.width() / 2.0) / before.width(),
                         (m_vscroll->value() + inner.height() / 2.0) / before.height());
    sizeDoc();
    const QSize after = m_logic.documentTwips();
    m_hscroll->setValue(qRound(middle.x() * after.width() - inner.width() / 2.0));
    m_vscroll->setValue(qRound(middle.y() * after.height() - inner.height() / 2.0));
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
    // A page of the other orientation fits the frame at another zoom.
    if (m_logic.frameResized(frameInner()))
        sizeDoc();
}

void frmPrintPreview::pageLeft() {
    // Leaving the box on the page shown keeps the view where it is, zoomed and scrolled.
    const qint32 shown = m_logic.currentPage();
    const bool typed = m_logic.pageTyped(m_txtPage->text());
    m_txtPage->setText(m_logic.pageText());
    showPage(typed && m_logic.currentPage() != shown);
}

void frmPrintPreview::mnuPrint() {
    PrinterTarget& printer = CurrentPrinter::target();
    if (!m_printPages.ask(CurrentPrinter::installedName(printer), printer.copyCount()))
        return;
    m_logic.print(m_printPages.logic(), printer);
    CurrentPrinter::tellFilesWritten();
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
        else
            ControlMessages::prompter().inform(
                QStringLiteral("The report was saved as\r\n%1").arg(QDir::toNativeSeparators(file->lastFile())),
                QStringLiteral("Save as PDF"));
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
