#pragma once

#include "TrelkReportRecorder.h"

#include <QWidget>

class QLabel;

// The print-preview control: a small marker (375 × 315 twips) that a host window places on
// itself, with the pp… members of TrelkReportRecorder. ppPrint with preview true shows the
// preview window "frmPrintPreview" modally; its print command asks through the print pages
// dialog "frmPrintPages", which keeps its answers for the control's life.
class TRELKPRINTPREVIEW_EXPORT ctlTrelkPrintPreview : public QWidget, public TrelkReportRecorder {
    Q_OBJECT
    Q_PROPERTY(QVariant ConnectionString READ ConnectionString WRITE setConnectionString NOTIFY ConnectionStringChanged)

public:
    explicit ctlTrelkPrintPreview(QWidget* parent = nullptr);
    ~ctlTrelkPrintPreview() override;

    QSize sizeHint() const override;

    // The set-up dialog of the printer that every report of the process prints on; where
    // print jobs become PDF files, it says where they go.
    static void ppPrinterSetup(QWidget* parent);

Q_SIGNALS:
    void ConnectionStringChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void previewReport(qint32 ppReportKey) override;
    void connectionStringChanged() override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
