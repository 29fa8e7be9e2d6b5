#pragma once

#include <QString>
#include <QStringList>

enum class PromptIcon { None, Critical, Question, Exclamation, Information };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
// Dismissed: the user closed a dismissible box without choosing a button.
enum class PromptAnswer { Ok, Cancel, Yes, No, Dismissed };

// One message box as the program asks it: every box of every window goes through a
// Prompter, so that tests can answer the boxes and check their exact texts.
struct Prompt {
    QString text;
    QString title;
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButtons::Ok;
    PromptAnswer defaultAnswer = PromptAnswer::Ok;
    // Esc and the box's close button answer Dismissed instead of the button they stand for
    // (No on a Yes/No box): for questions whose caller then leaves the user where they were.
    bool dismissible = false;
    // Captions in place of the standard ones, in the order of the buttons (Yes, No, Cancel;
    // Ok, Cancel); the answers stay those of the standard buttons.
    QStringList captions = {};
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
