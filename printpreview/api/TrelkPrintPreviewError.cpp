#include "TrelkPrintPreviewError.h"

TrelkPrintPreviewError::TrelkPrintPreviewError(qint32 number, const QString& source, const QString& description)
    : std::runtime_error(description.toStdString()), m_number(number), m_source(source), m_description(description) {}

TrelkPrintPreviewError::~TrelkPrintPreviewError() = default;
