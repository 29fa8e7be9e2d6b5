#include "ConsolePrompter.h"

#include <cstdio>

PromptAnswer ConsolePrompter::ask(const Prompt& prompt) {
    const QString line = prompt.title.isEmpty() ? prompt.text : prompt.title + QStringLiteral(": ") + prompt.text;
    std::fprintf(stderr, "%s\n", qPrintable(QString(line).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
    if (prompt.buttons == PromptButtons::YesNo || prompt.buttons == PromptButtons::YesNoCancel)
        return m_assumeYes ? PromptAnswer::Yes : prompt.defaultAnswer;
    return prompt.defaultAnswer;
}
