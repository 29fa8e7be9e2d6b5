#include "ScriptedPrompter.h"

#include <QTest>

namespace {
Prompter* g_installed = nullptr;
}

ScriptedPrompter::ScriptedPrompter() : m_previous(g_installed) {
    g_installed = this;
    setProgramPrompter(this);
}

ScriptedPrompter::~ScriptedPrompter() {
    g_installed = m_previous;
    setProgramPrompter(m_previous);
}

ScriptedPrompter& ScriptedPrompter::answer(PromptAnswer answer) {
    m_answers.enqueue(answer);
    return *this;
}

PromptAnswer ScriptedPrompter::ask(const Prompt& prompt) {
    m_shown.append(prompt);
    if (m_answers.isEmpty()) {
        const QByteArray text =
            QStringLiteral("unexpected message box \"%1\": %2").arg(prompt.title, prompt.text).toUtf8();
        QTest::qFail(text.constData(), __FILE__, __LINE__);
        return prompt.defaultAnswer;
    }
    const PromptAnswer answer = m_answers.dequeue();
    if (answer != PromptAnswer::Dismissed || prompt.dismissible)
        return answer;
    // Esc or the close button on a box that cannot be dismissed: the box takes it as the
    // button that stands for them.
    switch (prompt.buttons) {
    case PromptButtons::YesNo:
        return PromptAnswer::No;
    case PromptButtons::OkCancel:
    case PromptButtons::YesNoCancel:
        return PromptAnswer::Cancel;
    case PromptButtons::Ok:
        break;
    }
    return PromptAnswer::Ok;
}

void ScriptedPrompter::clear() {
    m_answers.clear();
    m_shown.clear();
}
