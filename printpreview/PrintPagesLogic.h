#pragma once

#include <QString>

class Prompter;

// What the print pages dialog asks: which pages and how many copies. The answers stay
// between uses of the dialog; each opening only clears the cancel flag and the page choice.
class PrintPagesLogic {
public:
    enum Option { AllPages = 0, CurrentPage = 1, ListedPages = 2 };
    static constexpr int MaximumCopies = 32767;

    qint16 ppCopies() const { return m_copies; }
    qint16 ppOptIndex() const { return m_optIndex; }
    const QString& ppPages() const { return m_pages; }
    bool ppPreviewAbort() const { return m_previewAbort; }

    void activate();
    void optionClicked(int index);
    void pagesEntered();
    // The copies box after the user changed it to text: "1" for anything below 1 (empty
    // and non-numeric text included); a number above the maximum is refused with a message
    // and the last good text comes back.
    QString copiesChanged(const QString& text, Prompter& prompter);
    void setLastGoodCopies(const QString& text) { m_lastGoodCopies = text; }
    void confirm(const QString& copiesText, const QString& pagesText);
    void cancel();

private:
    qint16 m_copies = 0;
    qint16 m_optIndex = AllPages;
    QString m_pages;
    bool m_previewAbort = false;
    QString m_lastGoodCopies = QStringLiteral("1");
};
