#include "frmReportTemplate.h"

#include "DataEnvironment.h"
#include "ReportOutput.h"
#include "TemplateListing.h"
#include "ctlTrelkPrintPreview.h"

#include <QLabel>
#include <QVBoxLayout>

frmReportTemplate::frmReportTemplate(QWidget* owner)
    : ReportRunWindow(QStringLiteral("frmReportTemplate"), QStringLiteral("Template Report"), owner) {
    auto* label = new QLabel(QStringLiteral("Printing Template"), this);
    label->setObjectName(QStringLiteral("lblLabel"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(&control(), 0, Qt::AlignRight);
    resize(260, 80);
}

void frmReportTemplate::runReport() {
    const DataEnvironment& environment = DataEnvironment::instance();
    TemplateListing listing(environment.cnnConnection(), environment.rsCompanyParameter().Name);
    const int key = listing.record(control(), templateKey);
    endBusy();
    deliverReport(control(), key, {true, {}, false});
}
