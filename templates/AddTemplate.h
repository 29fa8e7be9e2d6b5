#pragma once

#include <QString>

// The behaviour of the dialog "Add Template": a template is born with its group field, so
// that evaluations made from it can always be grouped.
class AddTemplate {
public:
    static QString helpText(const QString& controlName);

    // The dialog is shown again: nothing aborted yet.
    void activate() { abort = false; }
    // Adds the template of that name: true when it was written (the dialog closes), false
    // after telling why not (the dialog stays open, the focus on the name).
    bool Add(const QString& name);
    void Abort() { abort = true; }

    // Read by the editor once the dialog has closed.
    bool abort = false;
    qint64 templateKey = 0;
};
