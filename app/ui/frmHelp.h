#pragma once

#include <QWidget>

class QTextBrowser;

// The program's help: the HTML pages in AppPath + "help/", opened at a page.
class frmHelp : public QWidget {
    Q_OBJECT
public:
    explicit frmHelp(QWidget* owner = nullptr);
    void showPage(const QString& page);
    QString currentPage() const;

    // Opens (or raises) the one help window at the given page.
    static frmHelp* open(QWidget* owner, const QString& page = QStringLiteral("index.html"));

private:
    QTextBrowser* m_browser;
};
