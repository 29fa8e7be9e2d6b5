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
    return m_answers.dequeue();
}

void ScriptedPrompter::clear() {
    m_answers.clear();
    m_shown.clear();
}
