#include "frmHelp.h"

#include "ProgramSettings.h"

#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

frmHelp::frmHelp(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Kestrivo Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(760, 560);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("txtHelp"));
    m_browser->setOpenExternalLinks(true);
    auto* bar = new QToolBar(this);
    bar->addAction(QStringLiteral("&Contents"), this, [this] { showPage(QStringLiteral("index.html")); });
    bar->addAction(QStringLiteral("&Back"), m_browser, &QTextBrowser::backward);
    bar->addAction(QStringLiteral("&Forward"), m_browser, &QTextBrowser::forward);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(m_browser);
}

void frmHelp::showPage(const QString& page) {
    const QString file = programSettings().AppPath + QStringLiteral("help/") + page;
    if (!QFileInfo::exists(file)) {
        m_browser->setHtml(QStringLiteral("<h2>Help is not installed</h2><p>The help page %1 was not found.</p>")
                               .arg(file.toHtmlEscaped()));
        return;
    }
    m_browser->setSource(QUrl::fromLocalFile(file));
}

QString frmHelp::currentPage() const {
    return QFileInfo(m_browser->source().toLocalFile()).fileName();
}

frmHelp* frmHelp::open(QWidget* owner, const QString& page) {
    static QPointer<frmHelp> window;
    if (!window)
        window = new frmHelp(owner);
    window->showPage(page);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
