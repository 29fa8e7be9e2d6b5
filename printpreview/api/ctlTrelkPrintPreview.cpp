#include "ctlTrelkPrintPreview.h"

#include "CurrentPrinter.h"
#include "ToolbarImages.h"
#include "frmPrintPages.h"
#include "frmPrintPreview.h"

#include <QLabel>

namespace {

// 375 × 315 twips at 15 twips per pixel.
const QSize MarkerSize(25, 21);

} // namespace

struct ctlTrelkPrintPreview::Private {
    QLabel* picImage = nullptr;
    std::unique_ptr<frmPrintPages> printPages;
};

ctlTrelkPrintPreview::ctlTrelkPrintPreview(QWidget* parent) : QWidget(parent), d(std::make_unique<Private>()) {
    setObjectName(QStringLiteral("ctlTrelkPrintPreview"));
    d->picImage = new QLabel(this);
    d->picImage->setObjectName(QStringLiteral("picImage"));
    d->picImage->setPixmap(ToolbarImages::icon(QStringLiteral("PrintPreview")).pixmap(MarkerSize.height()));
    d->picImage->setGeometry(QRect(QPoint(0, 0), MarkerSize));
    d->picImage->setToolTip(QStringLiteral("TrelkPrintPreview"));
    resize(MarkerSize);
}

ctlTrelkPrintPreview::~ctlTrelkPrintPreview() = default;

QSize ctlTrelkPrintPreview::sizeHint() const {
    return MarkerSize;
}

void ctlTrelkPrintPreview::ppPrinterSetup(QWidget* parent) {
    CurrentPrinter::setup(parent);
}

void ctlTrelkPrintPreview::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    d->picImage->setGeometry(QRect(QPoint(0, 0), MarkerSize));
}

void ctlTrelkPrintPreview::previewReport(qint32 ppReportKey) {
    if (!d->printPages)
        d->printPages = std::make_unique<frmPrintPages>();
    frmPrintPreview preview(ppReportKey, *d->printPages, window());
    preview.exec();
}

void ctlTrelkPrintPreview::connectionStringChanged() {
    Q_EMIT ConnectionStringChanged();
}
