#pragma once

#include <QtGlobal>

class Database;

// The template of the handheld benchmarks: 20 fields (the first the group field) and 50
// questions with 5 answers and 10 pick-list entries each; with 2 entries ticked per question
// an evaluation file makes 171 rows.
namespace BenchTemplate {

constexpr int Ticked = 2;
constexpr int RowsPerFile = 171;

// Adds the template "Bench" and returns its key; a fresh database gives the same keys every time.
qint64 create(const Database& db);
// Questions "Question 1?" onwards, each with its answers "1", "2", … and pick-list entries
// "Entry 1", …, in the caller's transaction.
void addQuestions(const Database& db, qint64 templateKey, int questions, int answers, int pickLists);

// CPU seconds that the server of this connection has used so far, all its processes
// together, when the server runs on this machine and its processes can be read; negative
// otherwise.
double serverCpuSeconds(const Database& db);

} // namespace BenchTemplate
