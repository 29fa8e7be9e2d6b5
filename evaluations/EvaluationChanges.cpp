#include "EvaluationChanges.h"

#include "EvaluationEditor.h"

#include <QHash>

namespace EvaluationChanges {

namespace {

using EvaluationHistory::Change;
namespace Item = EvaluationHistory::Item;

template <typename T> QHash<qint64, const T*> byKey(const QList<T>& items) {
    QHash<qint64, const T*> found;
    for (const T& item : items)
        found.insert(item.key, &item);
    return found;
}

using Question = EvaluationForm::Question;
using Entry = EvaluationForm::PickEntry;

void compareEntries(const Question& question, const Question* before, QList<Change>& changes) {
    const QHash<qint64, const Entry*> old = before ? byKey(before->pickEntries) : QHash<qint64, const Entry*>();
    for (const Entry& entry : question.pickEntries) {
        const Entry* was = old.value(entry.key);
        const bool wasTicked = was && was->ticked;
        if (wasTicked != entry.ticked)
            changes.append({0,
                            Item::Tick,
                            entry.key,
                            QStringLiteral("Pick list: %1 / %2").arg(question.text, entry.name),
                            EvaluationHistory::yesNo(wasTicked),
                            EvaluationHistory::yesNo(entry.ticked),
                            {}});
    }
}

} // namespace

View of(const EvaluationEditor& editor) {
    View view;
    view.fileName = editor.fileNameText();
    for (int index = 1; index <= editor.fieldCount(); ++index) {
        const EvaluationEditor::FieldSlot& slot = editor.slot(index);
        view.fields.append({slot.key, slot.caption, slot.currentText()});
    }
    view.questions = editor.questions();
    return view;
}

QList<Change> between(const View& before, const View& after) {
    QList<Change> changes;
    if (before.fileName != after.fileName)
        changes.append({0, Item::FileName, 0, QStringLiteral("File Name"), before.fileName, after.fileName, {}});
    const QHash<qint64, const View::Field*> fields = byKey(before.fields);
    for (const View::Field& field : after.fields) {
        const View::Field* was = fields.value(field.key);
        const QString old = was ? was->value : QString();
        if (old != field.value)
            changes.append({0, Item::Field, field.key, field.label, old, field.value, {}});
    }
    const QHash<qint64, const Question*> questions = byKey(before.questions);
    for (const Question& question : after.questions) {
        const Question* was = questions.value(question.key);
        const QString oldAnswer = was ? was->answer : QString();
        if (oldAnswer != question.answer)
            changes.append({0,
                            Item::Answer,
                            question.key,
                            QStringLiteral("Answer: ") + question.text,
                            oldAnswer,
                            question.answer,
                            {}});
        const bool oldTbc = was && was->tbc;
        if (oldTbc != question.tbc)
            changes.append({0,
                            Item::TBC,
                            question.key,
                            QStringLiteral("TBC: ") + question.text,
                            EvaluationHistory::yesNo(oldTbc),
                            EvaluationHistory::yesNo(question.tbc),
                            {}});
        compareEntries(question, was, changes);
    }
    return changes;
}

} // namespace EvaluationChanges
