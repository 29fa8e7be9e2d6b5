// An evaluation kept on the phone: what it sends, its file name, and how it is fitted to its
// template after the PC changed it.
import assert from "node:assert/strict";
import { webcrypto } from "node:crypto";
import { test } from "node:test";
import { fitToTemplate, newEvaluation, submission } from "../../../device/webunit/page/evaluation.js";
import { baseName, checkEntry } from "../../../device/webunit/page/rules.js";

globalThis.crypto ??= webcrypto;

// A field as the PC sends it: the type as the template file stores it and the name of that type.
const field = (key, label, type, more = {}) => ({ key, label, type, kind: ["Text", "Numeric", "Dropdown", "Date"][type],
                                                  length: 20, maxLength: 20, forced: false, group: false, values: [],
                                                  ...more });
const question = (key, text, pickList = []) => ({ key, text, answers: ["Yes", "No"], pickList });

// Audit as first uploaded: Site (group), Inspector, Weather, Staff; two questions.
const audit = {
  file: "Audit.evt", name: "Audit", version: "v1", templateKey: 12, fileNameFields: [40, 42], nameLength: 60,
  fields: [
    field(40, "Site", 2, { forced: true, group: true, values: [{ key: 7, text: "North" }, { key: 8, text: "South" }] }),
    field(41, "Inspector", 0, { forced: true }),
    field(42, "Inspected", 3, { maxLength: 8 }),
    field(43, "Weather", 2, { values: [{ key: 21, text: "Dry" }, { key: 22, text: "Rain" }] }),
    field(44, "Staff", 1),
  ],
  questions: [question(90, "Clean?", [{ key: 300, name: "Floor" }, { key: 301, name: "Wall" }]), question(91, "Notes")],
};

function filled() {
  const evaluation = newEvaluation(audit, new Date(2024, 4, 6));
  Object.assign(evaluation.fields, { 40: { valueKey: 8 }, 41: { value: " Ann " }, 43: { valueKey: 22 },
                                     44: { value: "7" } });
  evaluation.questions[90] = { answer: "Yes", tbc: true, ticked: [301] };
  evaluation.questions[91] = { answer: "  dusty ", tbc: false, ticked: [] };
  evaluation.saved = "2024-05-06 14:03:11";
  return evaluation;
}

test("a new evaluation: numbers start empty, dates today, nothing chosen", () => {
  const evaluation = newEvaluation(audit, new Date(2024, 4, 6));
  assert.deepEqual(evaluation.fields, { 40: { valueKey: 0 }, 41: { value: "" }, 42: { value: "05/06/24" },
                                        43: { valueKey: 0 }, 44: { value: "" } });
  assert.match(evaluation.id, /^[0-9a-f]{32}$/);
  assert.notEqual(newEvaluation(audit).id, evaluation.id);
});

test("a template kept from before the PC named the types: its type numbers say them", () => {
  const kept = { ...audit, fields: audit.fields.map(({ kind, ...rest }) => rest) };
  const evaluation = newEvaluation(kept, new Date(2024, 4, 6));
  assert.deepEqual(evaluation.fields, newEvaluation(audit, new Date(2024, 4, 6)).fields);
  assert.equal(checkEntry(kept.fields[4], "seven").message, "Invalid entry, must be numeric.");
  assert.equal(checkEntry(kept.fields[2], "02/30/24").message, "Invalid date entered.");
});

test("what the PC receives: trimmed entries in the order of the template it was filled in on", () => {
  const sent = submission(filled());
  assert.deepEqual(sent.fields, [{ key: 40, valueKey: 8 }, { key: 41, value: "Ann" }, { key: 42, value: "05/06/24" },
                                 { key: 43, valueKey: 22 }, { key: 44, value: "7" }]);
  assert.deepEqual(sent.questions[1], { key: 91, answer: "dusty", tbc: false, ticked: [] });
  assert.equal(sent.template, "Audit.evt");
});

test("the file name follows the entries as typed, cleaned as the PC cleans it", () => {
  const evaluation = filled();
  assert.equal(baseName(audit, evaluation.fields), "South050624");
  evaluation.fields[42] = { value: "05/07/2" };
  assert.equal(baseName(audit, evaluation.fields), "South05072");
  evaluation.fields[40] = { valueKey: 0 };
  evaluation.fields[42] = { value: "" };
  assert.equal(baseName(audit, evaluation.fields), "Evaluation");
});

test("uploaded again with a forced field added and a value deleted: fitted by key", () => {
  const changed = structuredClone(audit);
  changed.version = "v2";
  changed.fields.splice(2, 0, field(45, "Shift", 2, { forced: true, values: [{ key: 51, text: "Day" }] }));
  changed.fields[4].values = [{ key: 21, text: "Dry" }];
  changed.fields[5].label = "Staff on duty";
  const { evaluation, notes, removed } = fitToTemplate(filled(), changed);
  assert.equal(evaluation.basis.version, "v2");
  assert.deepEqual(evaluation.fields, { 40: { valueKey: 8 }, 41: { value: " Ann " }, 42: { value: "05/06/24" },
                                        45: { valueKey: 0 }, 43: { valueKey: 0 }, 44: { value: "7" } });
  assert.deepEqual(notes, { "field-45": "New in the template on the PC.",
                            "field-43": "\"Rain\" is no longer offered for Weather: choose another." });
  assert.deepEqual(removed, []);
  assert.deepEqual(evaluation.questions[90], { answer: "Yes", tbc: true, ticked: [301] });
});

test("imported again with new keys: fitted by label, by position where labels repeat", () => {
  const twice = structuredClone(audit);
  twice.fields.push(field(46, "Inspector", 0));
  const evaluation = newEvaluation(twice);
  Object.assign(evaluation.fields, { 40: { valueKey: 7 }, 41: { value: "Ann" }, 46: { value: "Bo" } });
  evaluation.questions[90] = { answer: "No", tbc: false, ticked: [300, 301] };
  const imported = {
    ...structuredClone(twice), templateKey: 77, version: "v3",
    fields: [field(140, "Site", 2, { forced: true, group: true, values: [{ key: 107, text: "North" }] }),
             field(141, "Inspector", 0), field(142, "Inspector", 0), field(143, "Weather", 0)],
    questions: [question(190, "Clean?", [{ key: 400, name: "Wall" }]), question(192, "Lights?")],
  };
  const fitted = fitToTemplate(evaluation, imported);
  assert.deepEqual(fitted.evaluation.fields, { 140: { valueKey: 107 }, 141: { value: "Ann" }, 142: { value: "Bo" },
                                               143: { value: "" } });
  assert.deepEqual(fitted.evaluation.questions[190], { answer: "No", tbc: false, ticked: [400] });
  assert.deepEqual(fitted.evaluation.questions[192], { answer: "", tbc: false, ticked: [] });
  assert.equal(fitted.notes["question-190"], "No longer in the list, so no longer ticked: Floor.");
  assert.deepEqual(fitted.removed, [{ label: "Inspected", text: evaluation.fields[42].value },
                                    { label: "Staff", text: "" }, { label: "Notes", text: "" }]);
});

test("a field whose type changed keeps what was entered as text", () => {
  const changed = structuredClone(audit);
  changed.fields[3] = field(43, "Weather", 0);
  changed.fields[1] = field(41, "Inspector", 2, { values: [{ key: 60, text: "Ann" }] });
  const { evaluation, notes } = fitToTemplate(filled(), changed);
  assert.deepEqual(evaluation.fields[43], { value: "Rain" });
  // " Ann " as typed is "Ann" as kept, which the list now offers.
  assert.deepEqual(evaluation.fields[41], { valueKey: 60 });
  assert.deepEqual(notes, {});
});
