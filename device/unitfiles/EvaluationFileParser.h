#pragma once

#include "EvaluationFileContent.h"

#include <QByteArray>

// Reads an evaluation file as the handheld writes it: "*H*" (an item of the handheld's own,
// the template key, the group value key), then "*F*" (field key, entered value, list value
// key), "*Q*" (question key, answer, TBC flag) and "*P*" (pick-list key) records. Any other
// item where a marker is expected is skipped.
class EvaluationFileParser {
public:
    // The longest texts the evaluation columns keep; longer ones are refused on every engine
    // alike instead of being cut.
    static constexpr int EnteredValueLength = 255;
    static constexpr int AnswerLength = 50;

    // Throws KestrivoError naming the line and the item for a file that cannot be imported
    // whole: a record cut short, a key that is not a whole number, a field or answer before
    // its evaluation, a pick-list entry before any answer, a text too long, or no evaluation.
    static EvaluationFileContent parse(const QByteArray& bytes);
};
