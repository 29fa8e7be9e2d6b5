#pragma once

#include "KestrivoError.h"

#include <QString>
#include <functional>

// The control's own error routine: a three-line record in the report folder's
// "ErrorLog.txt", then the description in a box titled after the procedure, unless the last
// report start asked for silence.
class ControlErrorRoutine {
public:
    static void report(const KestrivoError& error, const QString& procedure);
    // Runs an event handler and reports whatever it throws; false when it failed.
    static bool guard(const QString& procedure, const std::function<void()>& handler) noexcept;
    static QString logFile();
};
