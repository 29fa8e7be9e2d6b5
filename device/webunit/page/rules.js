// The entry rules of the PC's "Nobrin" tab as the phone applies them while the worker types. The
// PC checks everything again before it writes a file; these spare the worker a refused send.
// The field types and the limits come with the template from the PC: a field's kind ("Text",
// "Numeric", "Dropdown", "Date") and maxLength, the template's answerLength and nameLength.
// No DOM here: the same rules run under node against the PC's table of cases.

// Windows-1252 beyond Latin-1: the characters of the bytes 0x80 to 0x9F.
const HIGH = "\u20ac\u0081\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\u008d\u017d\u008f" +
             "\u0090\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\u009d\u017e\u0178";

export function isNumeric(text) {
  return /^[+-]?[0-9]+(\.[0-9]+)?$/.test(text);
}

export function isDate(text) {
  const parts = /^([0-9]{1,2})\/([0-9]{1,2})\/([0-9]{2}|[0-9]{4})$/.exec(text);
  if (!parts) return false;
  let year = Number(parts[3]);
  if (parts[3].length === 2) year += year < 30 ? 2000 : 1900;
  const month = Number(parts[1]), day = Number(parts[2]);
  // The calendar has no year 0; setFullYear keeps years below 100 as they are.
  const date = new Date(0);
  date.setFullYear(year, month - 1, day);
  return year !== 0 && date.getFullYear() === year && date.getMonth() === month - 1 && date.getDate() === day;
}

const two = (number) => String(number).padStart(2, "0");

export function shortDate(date) {
  return `${two(date.getMonth() + 1)}/${two(date.getDate())}/${two(date.getFullYear() % 100)}`;
}

export function timestamp(date) {
  return `${date.getFullYear()}-${two(date.getMonth() + 1)}-${two(date.getDate())} ` +
         `${two(date.getHours())}:${two(date.getMinutes())}:${two(date.getSeconds())}`;
}

// What is kept of a typed entry: without spaces and no-break spaces at either end.
export function trimmed(text) {
  return text.replace(/^[ \u00a0]+|[ \u00a0]+$/g, "");
}

// Why a text cannot go into an evaluation file, or "" when it can.
export function textRefusal(text, what) {
  if (text.includes('"')) return `${what} holds a double quote ("), which the unit's files cannot hold.`;
  for (const c of text) {
    const code = c.codePointAt(0);
    if (code < 0x20 || (code >= 0x7f && code < 0xa0))
      return `${what} holds a control character, which the unit's files cannot hold.`;
    if (code > 0xff && !HIGH.includes(c))
      return `${what} holds "${c}", a character that the unit's files cannot hold.`;
  }
  return "";
}

const forcedEntry = (field) => `Entry manditory into the ${field.label} field.`;

// The field's type by name; a template kept from before the names came with it has the number
// the PC stores (0 Text, 1 Numeric, 2 Dropdown, 3 Date).
const KINDS = ["Text", "Numeric", "Dropdown", "Date"];
export function fieldKind(field) {
  return field.kind ?? KINDS[field.type] ?? "Text";
}

// The characters a field takes; a template kept from before the limits came with it has its length.
export function maximumLength(field) {
  return field.maxLength ?? field.length;
}

// A typed entry of a text, numeric or date field: what is kept of it, and the first rule it
// breaks ("" when none) with the message shown at the field. Nothing is ever cut to fit.
export function checkEntry(field, text) {
  const value = trimmed(text);
  const refused = (refusal, message) => ({ value, refusal, message });
  const character = textRefusal(value, `The entry of the field "${field.label}"`);
  if (character) return refused("character", character);
  const most = maximumLength(field);
  if (most > 0 && value.length > most)
    return refused("length",
      `The entry of the field "${field.label}" has ${value.length} characters; the field holds at most ${most}.`);
  if (value === "") return field.forced ? refused("forced", forcedEntry(field)) : refused("", "");
  if (fieldKind(field) === "Numeric" && !isNumeric(value)) return refused("numeric", "Invalid entry, must be numeric.");
  if (fieldKind(field) === "Date" && !isDate(value)) return refused("date", "Invalid date entered.");
  return refused("", "");
}

// The value chosen in a dropdown field (0: none): the refusal and its message, or "".
export function checkChoice(field, valueKey) {
  return !valueKey && (field.forced || field.group) ? { refusal: "forced", message: forcedEntry(field) }
                                                     : { refusal: "", message: "" };
}

// The refusal of a field's entry ({value} or {valueKey}) as shown at the field, or "".
export function fieldRefusal(field, entry) {
  return fieldKind(field) === "Dropdown" ? checkChoice(field, entry.valueKey).message : checkEntry(field, entry.value).message;
}

export function answerRefusal(question, answer, answerLength) {
  const what = `The answer to "${question.text}"`;
  const value = trimmed(answer);
  const refused = textRefusal(value, what);
  if (refused) return refused;
  if (value.length > answerLength) return `${what} has ${value.length} characters; an answer holds at most ${answerLength}.`;
  return "";
}

export function cleanFileName(text) {
  return [...text].filter((c) => !"`~!@#$%^&*()/?<>,.\\|".includes(c)).join("");
}

// The text of a field's entry as the file name uses it.
export function entryText(field, entry) {
  if (!entry) return "";
  if (fieldKind(field) !== "Dropdown") return trimmed(entry.value);
  const chosen = field.values.find((v) => v.key === entry.valueKey);
  return chosen ? chosen.text : "";
}

// The name the PC will give the file, before a suffix keeps it apart from one already there.
export function baseName(template, entries) {
  let name = "";
  for (const key of template.fileNameFields) {
    const field = template.fields.find((f) => f.key === key);
    if (field) name += entryText(field, entries[key]);
  }
  const portable = [...cleanFileName(name)].filter((c) => !/[\u0000-\u001f\u007f-\u009f:*?"<>|]/.test(c)).join("");
  const cut = portable.trim().slice(0, template.nameLength).trim();
  return cut || "Evaluation";
}
