#pragma once

#include "Prompter.h"

// Where the control's message boxes go: the prompter a host or test installed, else the
// fallback of the running program (message boxes when there is a widget application), else
// standard error.
class ControlMessages {
public:
    static Prompter& prompter();
    static void setPrompter(Prompter* prompter);
    static void setFallback(Prompter* prompter);
};
