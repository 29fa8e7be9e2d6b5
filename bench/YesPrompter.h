#pragma once

#include "KestrivoError.h"
#include "Prompter.h"

// The benchmarks' user: answers Yes to every question (the update question of a save, say);
// a message box with an OK button only is a failure of the run.
class YesPrompter : public Prompter {
public:
    PromptAnswer ask(const Prompt& prompt) override {
        if (prompt.buttons == PromptButtons::Ok)
            throw KestrivoError(ErrorNumber::General, prompt.text);
        return PromptAnswer::Yes;
    }
};
