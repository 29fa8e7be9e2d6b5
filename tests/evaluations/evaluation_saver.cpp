// Opens an evaluation and saves it over itself again and again, as a user answering Yes to
// the update question would, until it is killed. Arguments: connection string, the key of
// the evaluation to start from.
#include "Database.h"
#include "EvaluationEditor.h"
#include "EvaluationEditorCommands.h"
#include "KestrivoError.h"
#include "Prompter.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

class YesPrompter : public Prompter {
public:
    PromptAnswer ask(const Prompt& prompt) override {
        if (prompt.buttons == PromptButtons::Ok) {
            std::fprintf(stderr, "%s\n", qPrintable(prompt.text));
            std::exit(3);
        }
        return PromptAnswer::Yes;
    }
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    if (argc != 3)
        return 2;
    YesPrompter prompter;
    setProgramPrompter(&prompter);
    try {
        Database database = Database::open(QString::fromLocal8Bit(argv[1]), QStringLiteral("saver"));
        EvaluationEditor editor(database);
        EvaluationEditorCommands commands(editor, database);
        qint64 key = QByteArray(argv[2]).toLongLong();
        for (int round = 1;; ++round) {
            if (!commands.openEvaluationKey(key))
                return 1;
            editor.editField(3, QStringLiteral("Round %1").arg(round));
            if (commands.SaveEvaluation())
                return 1;
            key = database.scalar(QStringLiteral("SELECT MAX(EvaluationKey) FROM Evaluation")).toLongLong();
        }
    } catch (const KestrivoError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.description()));
        return 1;
    }
}
