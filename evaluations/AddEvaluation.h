#pragma once

#include <QList>
#include <QString>

class Database;
class EvaluationEditor;

// The behaviour of the dialog "Add Evaluation": the template of a new evaluation, which
// the editor then builds.
class AddEvaluation {
public:
    struct Template {
        qint64 key = 0;
        QString name;
    };

    static QString helpText(const QString& controlName);

    explicit AddEvaluation(const Database& database) : m_database(database) {}

    // Every template by name, the first one chosen.
    void load();
    // False after "No templates defined.": the dialog then closes as by "&Cancel".
    bool activate();
    const QList<Template>& templates() const { return m_templates; }
    int chosen() const { return m_chosen; }
    void choose(int index);
    // Builds a new evaluation of the chosen template in the editor: true when the dialog may
    // unload, false after saying why the template cannot have one.
    bool Add(EvaluationEditor& editor);

private:
    const Database& m_database;
    QList<Template> m_templates;
    int m_chosen = -1;
};
