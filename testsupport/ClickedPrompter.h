#pragma once

#include "MessageBoxPrompter.h"

#include <QDeadlineTimer>
#include <QList>
#include <QQueue>
#include <QStringList>

// The program's own message boxes, answered as a user answers them: each box is shown for
// real over the active window, and the button with the next queued caption ("&Yes", "OK")
// is clicked on the screen, or the box is closed by Esc or its close button. Records what
// every box showed. A box that nobody queued a button for fails the running test and is
// closed by its Escape key, so the test goes on; a box that does not get the keyboard in
// time fails it too and is rejected. Installs itself as the program's prompter for its
// lifetime.
class ClickedPrompter : public Prompter {
public:
    struct Shown {
        QString title;
        QString text;
        QStringList buttons;
        QString clicked;
    };

    // Answers that are no button: the Esc key, and the close button of the box's frame.
    static inline const QString EscapeKey = QStringLiteral("<Esc>");
    static inline const QString CloseButton = QStringLiteral("<close>");

    // How long a box may take to come up and get the keyboard before the test fails.
    static constexpr int BoxDeadlineMilliseconds = 10000;

    ClickedPrompter();
    ~ClickedPrompter() override;

    ClickedPrompter& answer(const QString& button);
    PromptAnswer ask(const Prompt& prompt) override;

    const QList<Shown>& shown() const { return m_shown; }
    const Shown& last() const { return m_shown.last(); }
    int pending() const { return int(m_buttons.size()); }

private:
    void answerShownBox(int waitingFor, QDeadlineTimer deadline);

    MessageBoxPrompter m_boxes;
    QQueue<QString> m_buttons;
    QList<Shown> m_shown;
    Prompter* m_previous = nullptr;
    int m_boxesAsked = 0;
    int m_boxesAnswered = 0;
};
