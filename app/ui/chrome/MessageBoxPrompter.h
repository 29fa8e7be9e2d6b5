#pragma once

#include "Prompter.h"

class QWidget;

// The program's prompter: a modal QMessageBox over the active window.
class MessageBoxPrompter : public Prompter {
public:
    PromptAnswer ask(const Prompt& prompt) override;
};
