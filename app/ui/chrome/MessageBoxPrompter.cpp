#include "MessageBoxPrompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSpacerItem>

namespace {

// A box that can tell its Esc key and close button from its buttons: a message box would
// count either as the click of its No or Cancel button.
class PromptBox : public QMessageBox {
public:
    PromptBox(const Prompt& prompt, QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)
        : QMessageBox(icon, prompt.title, prompt.text, buttons, QApplication::activeWindow()),
          m_dismissible(prompt.dismissible) {}

    bool dismissed() const { return m_dismissed; }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (m_dismissible && event->matches(QKeySequence::Cancel)) {
            m_dismissed = true;
            reject();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        if (!m_dismissible) {
            QMessageBox::closeEvent(event);
            return;
        }
        m_dismissed = true;
        QDialog::closeEvent(event);
    }

private:
    bool m_dismissible;
    bool m_dismissed = false;
};

QMessageBox::Icon iconOf(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::Critical:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Exclamation:
        return QMessageBox::Warning;
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsOf(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton buttonOf(PromptAnswer answer) {
    switch (answer) {
    case PromptAnswer::Cancel:
        return QMessageBox::Cancel;
    case PromptAnswer::Yes:
        return QMessageBox::Yes;
    case PromptAnswer::No:
        return QMessageBox::No;
    case PromptAnswer::Ok:
    case PromptAnswer::Dismissed:
        break;
    }
    return QMessageBox::Ok;
}

// The answers of the buttons in the order their captions are given.
QList<PromptAnswer> standardOrder(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::OkCancel:
        return {PromptAnswer::Ok, PromptAnswer::Cancel};
    case PromptButtons::YesNo:
        return {PromptAnswer::Yes, PromptAnswer::No};
    case PromptButtons::YesNoCancel:
        return {PromptAnswer::Yes, PromptAnswer::No, PromptAnswer::Cancel};
    case PromptButtons::Ok:
        break;
    }
    return {PromptAnswer::Ok};
}

// Room in a title bar beside the title: the window's icon and its buttons.
constexpr int TitleBarAllowance = 120;

// A message box sizes itself to its text, and a short question under a long title would show
// the title cut short by the frame. The box is made wide enough for its whole title.
void fitTitle(QMessageBox& box, const QString& title) {
    auto* layout = qobject_cast<QGridLayout*>(box.layout());
    if (!layout)
        return;
    QFont font = box.font();
    font.setBold(true);
    const int width = QFontMetrics(font).horizontalAdvance(title) + TitleBarAllowance;
    layout->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), layout->rowCount(), 0, 1,
                    layout->columnCount());
}

} // namespace

PromptAnswer MessageBoxPrompter::ask(const Prompt& prompt) {
    PromptBox box(prompt, iconOf(prompt.icon), buttonsOf(prompt.buttons));
    fitTitle(box, prompt.title);
    const QList<PromptAnswer> order = standardOrder(prompt.buttons);
    for (qsizetype index = 0; index < std::min(prompt.captions.size(), order.size()); ++index) {
        if (QAbstractButton* button = box.button(buttonOf(order.at(index))))
            button->setText(prompt.captions.at(index));
    }
    if (box.standardButtons() & buttonOf(prompt.defaultAnswer))
        box.setDefaultButton(buttonOf(prompt.defaultAnswer));
    const int clicked = box.exec();
    if (box.dismissed())
        return PromptAnswer::Dismissed;
    switch (clicked) {
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    case QMessageBox::Cancel:
        return PromptAnswer::Cancel;
    default:
        break;
    }
    // Closing a Yes/No box by its title bar counts as No.
    return prompt.buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Ok;
}
