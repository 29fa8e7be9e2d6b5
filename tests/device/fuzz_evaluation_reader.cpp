// libFuzzer entry for the evaluation file reader: whatever the bytes, the reader either gives
// a consistent content or refuses the file with a KestrivoError, never anything else.
#include "EvaluationFileParser.h"
#include "KestrivoError.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const EvaluationFileContent content =
            EvaluationFileParser::parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        if (content.evaluations.isEmpty())
            __builtin_trap();
        qsizetype next = 0;
        for (const EvaluationFileContent::Evaluation& evaluation : content.evaluations) {
            if (evaluation.firstQuestion != next || evaluation.lastQuestion < evaluation.firstQuestion)
                __builtin_trap();
            next = evaluation.lastQuestion;
        }
        if (next != content.questions.size())
            __builtin_trap();
        for (const EvaluationFileContent::PickList& pick : content.pickLists) {
            if (pick.question < 0 || pick.question >= content.questions.size())
                __builtin_trap();
        }
        for (const EvaluationFileContent::Question& question : content.questions) {
            if (question.answer.toString().size() > EvaluationFileParser::AnswerLength)
                __builtin_trap();
        }
    } catch (const KestrivoError&) {
    }
    return 0;
}
