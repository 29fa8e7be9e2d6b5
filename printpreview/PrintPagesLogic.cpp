#include "PrintPagesLogic.h"

#include "Prompter.h"

#include <cmath>

namespace {

double numericValue(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

} // namespace

void PrintPagesLogic::activate() {
    m_previewAbort = false;
    m_optIndex = AllPages;
}

void PrintPagesLogic::optionClicked(int index) {
    m_optIndex = qint16(index == AllPages ? AllPages : index == CurrentPage ? CurrentPage : ListedPages);
}

void PrintPagesLogic::pagesEntered() {
    m_optIndex = ListedPages;
}

QString PrintPagesLogic::copiesChanged(const QString& text, Prompter& prompter) {
    const double value = numericValue(text);
    if (value < 1)
        m_lastGoodCopies = QStringLiteral("1");
    else if (std::lround(value) > MaximumCopies)
        prompter.inform(QStringLiteral("The number of copies must be from 1 to %1.").arg(MaximumCopies),
                        QStringLiteral("Print Pages"), PromptIcon::Critical);
    else
        m_lastGoodCopies = text;
    return m_lastGoodCopies;
}

void PrintPagesLogic::confirm(const QString& copiesText, const QString& pagesText) {
    m_copies = qint16(std::clamp<long>(std::lround(numericValue(copiesText)), 1, MaximumCopies));
    m_pages = pagesText;
}

void PrintPagesLogic::cancel() {
    m_previewAbort = true;
}
