#include "ClickedPrompter.h"

#include "WindowInput.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <stdexcept>

namespace {

Prompter* installedPrompter() {
    try {
        return &programPrompter();
    } catch (const std::logic_error&) {
        return nullptr;
    }
}

} // namespace

ClickedPrompter::ClickedPrompter() : m_previous(installedPrompter()) {
    setProgramPrompter(this);
}

ClickedPrompter::~ClickedPrompter() {
    setProgramPrompter(m_previous);
}

ClickedPrompter& ClickedPrompter::answer(const QString& button) {
    m_buttons.enqueue(button);
    return *this;
}

PromptAnswer ClickedPrompter::ask(const Prompt& prompt) {
    m_shown.append({prompt.title, prompt.text, {}, {}});
    // The box runs its own event loop: it is answered from there, once it is on the screen.
    // Each box is waited for under a number of its own, so a wait left over from a box that went
    // away by other means never answers a later one.
    const int box = ++m_boxesAsked;
    const QDeadlineTimer deadline(BoxDeadlineMilliseconds);
    QTimer::singleShot(0, qApp, [this, box, deadline] { answerShownBox(box, deadline); });
    const PromptAnswer answer = m_boxes.ask(prompt);
    m_boxesAnswered = box;
    return answer;
}

void ClickedPrompter::answerShownBox(int waitingFor, QDeadlineTimer deadline) {
    if (m_boxesAnswered >= waitingFor)
        return;
    QPointer<QMessageBox> box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    // A box counts as active while its owner still has the keyboard; keys go to it only once
    // it has the keyboard itself.
    if (!box || !box->isVisible() || !QTest::qWaitForWindowActive(box) ||
        QGuiApplication::focusWindow() != box->windowHandle()) {
        if (deadline.hasExpired()) {
            QTest::qFail("a message box did not get the keyboard in time", __FILE__, __LINE__);
            if (box)
                box->reject();
            return;
        }
        QTimer::singleShot(10, qApp, [this, waitingFor, deadline] { answerShownBox(waitingFor, deadline); });
        return;
    }
    Shown& shown = m_shown.last();
    shown.title = box->windowTitle();
    shown.text = box->text();
    for (QAbstractButton* button : box->buttons())
        shown.buttons << button->text();
    if (m_buttons.isEmpty()) {
        const QByteArray text =
            QStringLiteral("unexpected message box \"%1\": %2").arg(shown.title, shown.text).toUtf8();
        QTest::qFail(text.constData(), __FILE__, __LINE__);
        WindowInput::press(Qt::Key_Escape);
        return;
    }
    shown.clicked = m_buttons.dequeue();
    if (shown.clicked == EscapeKey) {
        WindowInput::press(Qt::Key_Escape);
        return;
    }
    if (shown.clicked == CloseButton) {
        // What the window system does when the close button of the frame is clicked.
        box->windowHandle()->close();
        return;
    }
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == shown.clicked) {
            WindowInput::click(button);
            break;
        }
    }
    if (box && box->isVisible()) {
        const QByteArray text = QStringLiteral("could not click \"%1\" in the box \"%2\" (buttons %3)")
                                    .arg(shown.clicked, shown.text, shown.buttons.join(QStringLiteral(", ")))
                                    .toUtf8();
        QTest::qFail(text.constData(), __FILE__, __LINE__);
        box->reject();
    }
}
