#pragma once

#include "KestrivoError.h"

#include <QString>
#include <exception>
#include <functional>

// Tells the user about an unexpected failure and appends its three-line record to
// LogPath + "ErrorLog.txt" (error 53 only shows its own box and logs nothing, and a refusal
// for want of rights shows its sentence alone).
void LogError(const KestrivoError& error, const QString& procedure = QString());

// Appends the three-line record alone, without a box; false when the log cannot be written.
bool AppendErrorRecord(const KestrivoError& error, const QString& procedure);

// The numeric item of a number in the error log: a leading blank (or the minus sign) and
// one trailing blank.
QString numericItem(qint32 number);

// Runs handler and hands whatever it throws to report as a KestrivoError (a standard
// exception's text, or "Unknown failure", as a General error of source); a failure of report
// itself goes no further. Returns false when the handler failed.
bool guardWith(const std::function<void()>& handler, const std::function<void(const KestrivoError&)>& report,
               const QString& source = QStringLiteral("kestrivo")) noexcept;

// The one error trap of every event handler: runs the handler and hands any failure to
// LogError. Returns false when the handler failed.
bool guarded(const QString& procedure, const std::function<void()>& handler) noexcept;
