#include "ControlMessages.h"

#include <cstdio>

namespace {

// A program without windows still tells its user, on standard error.
class ConsoleMessages : public Prompter {
public:
    PromptAnswer ask(const Prompt& prompt) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(prompt.title), qPrintable(prompt.text));
        return prompt.defaultAnswer;
    }
};

Prompter* g_installed = nullptr;
Prompter* g_fallback = nullptr;

} // namespace

Prompter& ControlMessages::prompter() {
    static ConsoleMessages console;
    if (g_installed)
        return *g_installed;
    return g_fallback ? *g_fallback : console;
}

void ControlMessages::setPrompter(Prompter* prompter) {
    g_installed = prompter;
}

void ControlMessages::setFallback(Prompter* prompter) {
    g_fallback = prompter;
}
