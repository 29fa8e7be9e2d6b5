// The page's own rules where the PC's table of entry cases does not reach: answers, dates at the
// edges of the calendar, and the file name an evaluation will get.
import assert from "node:assert/strict";
import { test } from "node:test";
import { answerRefusal, baseName, cleanFileName, isDate, isNumeric, shortDate, textRefusal, trimmed }
  from "../../../device/webunit/page/rules.js";

test("dates: real days only, two-digit years 00-29 in this century", () => {
  for (const taken of ["2/29/00", "02/29/2000", "2/29/24", "12/31/99", "1/1/1930", "1/1/0001"])
    assert.ok(isDate(taken), taken);
  for (const refused of ["2/29/30", "2/29/1900", "13/1/24", "0/1/24", "4/31/24", "1/1/0000", "1/1/124", "1-1-24",
                         " 1/1/24", "1/1/24x"])
    assert.ok(!isDate(refused), refused);
  assert.equal(shortDate(new Date(2005, 0, 9)), "01/09/05");
});

test("numbers: an optional sign, digits, and digits after a point only", () => {
  for (const taken of ["0", "-12", "+3.25", "007"]) assert.ok(isNumeric(taken), taken);
  for (const refused of ["", "-", "1.", ".5", "1e3", "1,5", " 1", "1 "]) assert.ok(!isNumeric(refused), refused);
});

test("answers: trimmed of spaces and no-break spaces, then held to the template's length", () => {
  const question = { text: "Clean?" };
  assert.equal(trimmed("\u00a0 yes \u00a0"), "yes");
  assert.equal(answerRefusal(question, `  ${"a".repeat(5)}  `, 5), "");
  assert.equal(answerRefusal(question, "a".repeat(6), 5),
               'The answer to "Clean?" has 6 characters; an answer holds at most 5.');
  assert.equal(answerRefusal(question, 'say "no"', 50),
               'The answer to "Clean?" holds a double quote ("), which the unit\'s files cannot hold.');
});

test("characters: Windows-1252 goes into the unit's files, nothing else does", () => {
  assert.equal(textRefusal("caf\u00e9 \u20ac \u2014 \u0178", "It"), "");
  assert.equal(textRefusal("tab\there", "It"), "It holds a control character, which the unit's files cannot hold.");
  assert.equal(textRefusal("\u0085", "It"), "It holds a control character, which the unit's files cannot hold.");
  assert.equal(textRefusal("snow \u2603", "It"), 'It holds "\u2603", a character that the unit\'s files cannot hold.');
});

test("file names: punctuation cleaned away, cut to 60 characters, never empty", () => {
  assert.equal(cleanFileName("a`~!@#$%^&*()/?<>,.\\|b-c_d e"), "ab-c_d e");
  const template = { fileNameFields: [1, 2, 3], nameLength: 60, fields: [
    { key: 1, type: 0, kind: "Text" }, { key: 2, type: 2, kind: "Dropdown", values: [{ key: 5, text: "North:" }] },
    { key: 3, type: 0, kind: "Text" }] };
  assert.equal(baseName(template, { 1: { value: " A.B " }, 2: { valueKey: 5 }, 3: { value: "C" } }), "ABNorthC");
  assert.equal(baseName(template, { 1: { value: "x".repeat(59) + " y" }, 2: { valueKey: 0 } }), "x".repeat(59));
  assert.equal(baseName(template, { 1: { value: "?.,/" } }), "Evaluation");
  assert.equal(baseName(template, {}), "Evaluation");
});
