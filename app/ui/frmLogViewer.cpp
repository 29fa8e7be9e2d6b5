#include "frmLogViewer.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QVBoxLayout>

frmLogViewer::frmLogViewer(const QString& file, QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmLogViewer"));
    setWindowTitle(QFileInfo(file).fileName() + QStringLiteral(" - Kestrivo"));
    resize(700, 480);
    auto* text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("txtLog"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFont(QStringLiteral("Monospace")));
    QFile log(file);
    if (log.open(QIODevice::ReadOnly))
        text->setPlainText(QString::fromUtf8(log.readAll()));
    else
        text->setPlainText(QStringLiteral("The file %1 cannot be found.").arg(file));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text);
}
