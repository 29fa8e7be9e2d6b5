// An evaluation as the phone keeps it: the template it was filled in on (its basis), the entries
// of the fields and the answers by key, and what the PC said of it. No DOM here.
import { entryText, fieldKind, shortDate, trimmed } from "./rules.js";

function randomId() {
  const bytes = new Uint8Array(16);
  crypto.getRandomValues(bytes);
  return [...bytes].map((b) => b.toString(16).padStart(2, "0")).join("");
}

const emptyAnswer = () => ({ answer: "", tbc: false, ticked: [] });

// A numeric field starts empty: the template file gives no default, and a number left alone is
// no number. A date starts as today, as on the PC.
function firstEntry(field, today) {
  if (fieldKind(field) === "Dropdown") return { valueKey: 0 };
  return { value: fieldKind(field) === "Date" && today ? shortDate(today) : "" };
}

export function newEvaluation(template, today = new Date()) {
  const fields = {}, questions = {};
  for (const field of template.fields) fields[field.key] = firstEntry(field, today);
  for (const question of template.questions) questions[question.key] = emptyAnswer();
  return { id: randomId(), template: template.file, templateName: template.name, basis: template, fields, questions };
}

// The body that the PC receives: every field and question of the template the evaluation was
// filled in on, never silently fitted to another version of it.
export function submission(evaluation) {
  const template = evaluation.basis;
  const entry = (field) => evaluation.fields[field.key] || firstEntry(field, null);
  return {
    id: evaluation.id,
    saved: evaluation.saved,
    template: evaluation.template,
    fields: template.fields.map((field) => fieldKind(field) === "Dropdown"
      ? { key: field.key, valueKey: entry(field).valueKey || 0 }
      : { key: field.key, value: trimmed(entry(field).value || "") }),
    questions: template.questions.map((question) => {
      const answer = evaluation.questions[question.key] || emptyAnswer();
      return { key: question.key, answer: trimmed(answer.answer), tbc: answer.tbc, ticked: answer.ticked };
    }),
  };
}

// Pairs the items of two versions of a template: the same key within one template (the PC keeps
// keys when it uploads a changed template again), else the same name, the first with the first
// where names repeat (a template imported again gets new keys).
function pairUp(oldItems, newItems, nameOf, sameTemplate) {
  const pairs = new Map(), used = new Set();
  const take = (item, old) => {
    pairs.set(item.key, old);
    used.add(old);
  };
  if (sameTemplate) {
    for (const item of newItems) {
      const old = oldItems.find((o) => o.key === item.key);
      if (old) take(item, old);
    }
  }
  for (const item of newItems) {
    if (pairs.has(item.key)) continue;
    const old = oldItems.find((o) => !used.has(o) && nameOf(o) === nameOf(item));
    if (old) take(item, old);
  }
  return { pairs, removed: oldItems.filter((old) => !used.has(old)) };
}

function carryField(oldField, oldEntry, field, sameTemplate) {
  const text = entryText(oldField, oldEntry);
  if (fieldKind(field) !== "Dropdown")
    return { entry: { value: fieldKind(oldField) === "Dropdown" ? text : (oldEntry ? oldEntry.value : "") } };
  if (!text) return { entry: { valueKey: 0 } };
  const sameValue = sameTemplate && fieldKind(oldField) === "Dropdown" && field.values.find((v) => v.key === oldEntry.valueKey);
  const chosen = sameValue || field.values.find((v) => v.text === text);
  if (chosen) return { entry: { valueKey: chosen.key } };
  return { entry: { valueKey: 0 }, note: `"${text}" is no longer offered for ${field.label}: choose another.` };
}

function carryAnswer(oldQuestion, oldAnswer, question, sameTemplate) {
  const answer = oldAnswer || emptyAnswer();
  const ticked = [], lost = [];
  for (const key of answer.ticked) {
    const entry = oldQuestion.pickList.find((e) => e.key === key);
    if (!entry) continue;
    const same = sameTemplate && question.pickList.find((e) => e.key === key);
    const now = same || question.pickList.find((e) => e.name === entry.name && !ticked.includes(e.key));
    if (now) ticked.push(now.key);
    else lost.push(entry.name);
  }
  const note = lost.length ? `No longer in the list, so no longer ticked: ${lost.join(", ")}.` : "";
  const order = question.pickList.map((e) => e.key);
  ticked.sort((a, b) => order.indexOf(a) - order.indexOf(b));
  return { answer: { answer: answer.answer, tbc: answer.tbc, ticked }, note };
}

function answerText(question, answer) {
  if (!answer) return "";
  const ticked = question.pickList.filter((e) => answer.ticked.includes(e.key)).map((e) => e.name);
  return [answer.answer, answer.tbc ? "TBC" : "", ...ticked].filter(Boolean).join(", ");
}

// The evaluation moved onto the template as the PC holds it now: entries and answers carried
// over to the fields and questions that match, new ones empty. What no longer has a place is
// returned as removed, and each field or question that needs a look has a note.
export function fitToTemplate(evaluation, template) {
  const basis = evaluation.basis;
  const sameTemplate = basis.templateKey === template.templateKey;
  const fields = {}, questions = {}, notes = {}, removed = [];
  const fieldPairs = pairUp(basis.fields, template.fields, (f) => f.label, sameTemplate);
  for (const field of template.fields) {
    const old = fieldPairs.pairs.get(field.key);
    if (!old) {
      fields[field.key] = firstEntry(field, null);
      notes[`field-${field.key}`] = "New in the template on the PC.";
      continue;
    }
    const carried = carryField(old, evaluation.fields[old.key], field, sameTemplate);
    fields[field.key] = carried.entry;
    if (carried.note) notes[`field-${field.key}`] = carried.note;
  }
  for (const old of fieldPairs.removed)
    removed.push({ label: old.label, text: entryText(old, evaluation.fields[old.key]) });
  const questionPairs = pairUp(basis.questions, template.questions, (q) => q.text, sameTemplate);
  for (const question of template.questions) {
    const old = questionPairs.pairs.get(question.key);
    if (!old) {
      questions[question.key] = emptyAnswer();
      notes[`question-${question.key}`] = "New in the template on the PC.";
      continue;
    }
    const carried = carryAnswer(old, evaluation.questions[old.key], question, sameTemplate);
    questions[question.key] = carried.answer;
    if (carried.note) notes[`question-${question.key}`] = carried.note;
  }
  for (const old of questionPairs.removed)
    removed.push({ label: old.text, text: answerText(old, evaluation.questions[old.key]) });
  return {
    evaluation: { ...evaluation, templateName: template.name, basis: template, fields, questions },
    notes, removed,
  };
}
