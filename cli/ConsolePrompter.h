#pragma once

#include "Prompter.h"

// Message boxes of a headless run: written to the error output, answered with the box's
// default (questions with the answer given on the command line, when there is one).
class ConsolePrompter : public Prompter {
public:
    explicit ConsolePrompter(bool assumeYes) : m_assumeYes(assumeYes) {}
    PromptAnswer ask(const Prompt& prompt) override;

private:
    bool m_assumeYes;
};
