#pragma once

// The print-preview library: record a report, preview it on a window, print it or write it
// as PDF. Link TrelkPrintPreview::TrelkPrintPreview (find_package(TrelkPrintPreview)).
#include "TrelkPrintPreviewError.h"
#include "TrelkReportRecorder.h"
#include "ctlTrelkPrintPreview.h"
