#include "Prompter.h"

#include <stdexcept>

namespace {
Prompter* g_prompter = nullptr;
}

Prompter& programPrompter() {
    if (!g_prompter)
        throw std::logic_error("no prompter has been set");
    return *g_prompter;
}

void setProgramPrompter(Prompter* prompter) {
    g_prompter = prompter;
}
