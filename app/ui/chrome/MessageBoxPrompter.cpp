#include "MessageBoxPrompter.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace {

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
        break;
    }
    return QMessageBox::Ok;
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
    QMessageBox box(iconOf(prompt.icon), prompt.title, prompt.text, buttonsOf(prompt.buttons),
                    QApplication::activeWindow());
    fitTitle(box, prompt.title);
    if (box.standardButtons() & buttonOf(prompt.defaultAnswer))
        box.setDefaultButton(buttonOf(prompt.defaultAnswer));
    switch (box.exec()) {
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
