#pragma once

#include "Prompter.h"

#include <QList>
#include <QQueue>

// Answers message boxes from a queue and records every box. A box that nobody queued an
// answer for fails the running test. Dismissed stands for Esc or the close button: a box that
// is not dismissible takes it as its No or Cancel button, as a message box does.
class ScriptedPrompter : public Prompter {
public:
    ScriptedPrompter();
    ~ScriptedPrompter() override;

    ScriptedPrompter& answer(PromptAnswer answer);
    PromptAnswer ask(const Prompt& prompt) override;

    const QList<Prompt>& shown() const { return m_shown; }
    const Prompt& last() const { return m_shown.last(); }
    int pending() const { return int(m_answers.size()); }
    void clear();

private:
    QQueue<PromptAnswer> m_answers;
    QList<Prompt> m_shown;
    Prompter* m_previous = nullptr;
};
