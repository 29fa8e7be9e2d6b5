#pragma once

// What a template holds at most on the handheld. The template window refuses more, the template
// file leaves the rest out, and the evaluation editor has this many places.
namespace UnitLimits {

constexpr int Fields = 20;
constexpr int Questions = 50;
constexpr int Answers = 20;     // of a question
constexpr int PickEntries = 30; // of a question

} // namespace UnitLimits
