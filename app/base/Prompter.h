#pragma once

#include <QString>

enum class PromptIcon { None, Critical, Question, Exclamation, Information };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };

// One message box as the program asks it: every box of every window goes through a
// Prompter, so that tests can answer the boxes and check their exact texts.
struct Prompt {
    QString text;
    QString title;
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButtons::Ok;
    PromptAnswer defaultAnswer = PromptAnswer::Ok;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual PromptAnswer ask(const Prompt& prompt) = 0;

    void inform(const QString& text, const QString& title, PromptIcon icon = PromptIcon::Information) {
        ask({text, title, icon, PromptButtons::Ok, PromptAnswer::Ok});
    }
    bool confirm(const QString& text, const QString& title, PromptAnswer defaultAnswer = PromptAnswer::Yes) {
        return ask({text, title, PromptIcon::Question, PromptButtons::YesNo, defaultAnswer}) == PromptAnswer::Yes;
    }
};

// The prompter of the running program (the message-box one in kestrivo, a scripted one in
// tests). Never null once the program or a test has set it.
Prompter& programPrompter();
void setProgramPrompter(Prompter* prompter);
