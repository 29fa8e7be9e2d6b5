// Filling in one evaluation the way the PC's "Nobrin" tab does it: the entry fields in their
// order (text with its length, numeric, dropdown, date), the forced entries and the group field,
// the file name made from the file-name fields; then the questions with their answers, TBC and
// pick lists. The PC checks everything again before it writes a file: these checks only spare
// the user a refused send.

const TEXT = 0, NUMERIC = 1, DROPDOWN = 2, DATE = 3;
const ANSWER_LENGTH = 50;
const VALUE_LENGTH = 255;
const SHORT_DATE_LENGTH = 8;
const NAME_LENGTH = 60;
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
  const date = new Date(year, month - 1, day);
  return date.getFullYear() === year && date.getMonth() === month - 1 && date.getDate() === day;
}

const two = (number) => String(number).padStart(2, "0");

export function shortDate(date) {
  return `${two(date.getMonth() + 1)}/${two(date.getDate())}/${two(date.getFullYear() % 100)}`;
}

export function timestamp(date) {
  return `${date.getFullYear()}-${two(date.getMonth() + 1)}-${two(date.getDate())} ` +
         `${two(date.getHours())}:${two(date.getMinutes())}:${two(date.getSeconds())}`;
}

export function cleanFileName(text) {
  return [...text].filter((c) => !"`~!@#$%^&*()/?<>,.\\|".includes(c)).join("");
}

// The name the PC will give the file, before a suffix keeps it apart from one already there.
export function baseName(template, values) {
  let name = "";
  for (const key of template.fileNameFields) {
    const field = template.fields.find((f) => f.key === key);
    if (field) name += valueText(field, values[key]);
  }
  const portable = [...cleanFileName(name)].filter((c) => !/[\u0000-\u001f\u007f-\u009f:*?"<>|]/.test(c)).join("");
  const cut = portable.trim().slice(0, NAME_LENGTH).trim();
  return cut || "Evaluation";
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

function valueText(field, value) {
  if (!value) return "";
  if (field.type !== DROPDOWN) return value.value;
  const chosen = field.values.find((v) => v.key === value.valueKey);
  return chosen ? chosen.text : "";
}

function randomId() {
  const bytes = new Uint8Array(16);
  crypto.getRandomValues(bytes);
  return [...bytes].map((b) => b.toString(16).padStart(2, "0")).join("");
}

// An evaluation kept on the phone, fitted to the template as the unit holds it now: entries of
// fields and questions that the template gained start as in a new evaluation, and those it lost
// are dropped (the PC would refuse them).
export function fitted(evaluation, template) {
  const fresh = newEvaluation(template);
  const fields = {}, questions = {};
  for (const key of Object.keys(fresh.fields)) fields[key] = evaluation.fields[key] || fresh.fields[key];
  for (const key of Object.keys(fresh.questions)) questions[key] = evaluation.questions[key] || fresh.questions[key];
  return { ...evaluation, fields, questions };
}

export function newEvaluation(template) {
  const fields = {};
  for (const field of template.fields) {
    if (field.type === DROPDOWN) fields[field.key] = { valueKey: 0 };
    else fields[field.key] = { value: field.type === NUMERIC ? "0" : field.type === DATE ? shortDate(new Date()) : "" };
  }
  const questions = {};
  for (const question of template.questions) questions[question.key] = { answer: "", tbc: false, ticked: [] };
  return { id: randomId(), template: template.file, templateName: template.name, state: "new", fields, questions };
}

function fieldLength(field) {
  const length = Math.min(field.length > 0 ? field.length : VALUE_LENGTH, VALUE_LENGTH);
  return field.type === DATE ? Math.max(length, SHORT_DATE_LENGTH) : length;
}

const forcedEntry = (field) => `Entry manditory into the ${field.label} field.`;

// The refusal of a field's entry on leaving it, or "".
export function fieldRefusal(field, value) {
  if (field.type === DROPDOWN)
    return (field.forced || field.group) && !value.valueKey ? forcedEntry(field) : "";
  const text = value.value;
  const refused = textRefusal(text, `The entry of the field "${field.label}"`);
  if (refused) return refused;
  if (text.length > fieldLength(field))
    return `The entry of the field "${field.label}" has ${text.length} characters; the field holds at most ${fieldLength(field)}.`;
  if (field.forced && text === "") return forcedEntry(field);
  if (field.type === NUMERIC && !isNumeric(text)) return "Invalid entry, must be numeric.";
  if (field.type === DATE && !isDate(text)) return "Invalid date entered.";
  return "";
}

export function answerRefusal(question, answer) {
  const what = `The answer to "${question.text}"`;
  const refused = textRefusal(answer, what);
  if (refused) return refused;
  if (answer.length > ANSWER_LENGTH) return `${what} has ${answer.length} characters; an answer holds at most ${ANSWER_LENGTH}.`;
  return "";
}

// The body that the PC receives.
export function submission(evaluation, template) {
  return {
    id: evaluation.id,
    saved: evaluation.saved,
    template: evaluation.template,
    fields: template.fields.map((field) => field.type === DROPDOWN
      ? { key: field.key, valueKey: evaluation.fields[field.key].valueKey }
      : { key: field.key, value: evaluation.fields[field.key].value }),
    questions: template.questions.map((question) => ({ key: question.key, ...evaluation.questions[question.key] })),
  };
}

function element(tag, properties = {}, children = []) {
  const created = Object.assign(document.createElement(tag), properties);
  for (const child of children) created.append(child);
  return created;
}

// The form on the screen: entry page and evaluation page, bound to one evaluation.
export class EvaluationForm {
  constructor(template, evaluation) {
    this.template = template;
    this.evaluation = evaluation;
    this.messages = new Map();
  }

  render() {
    document.getElementById("formTitle").textContent = this.template.name;
    const fields = document.getElementById("fields");
    fields.replaceChildren(...this.template.fields.map((field) => this.fieldElement(field)));
    // The questions are laid out when their page is first shown: the entry page comes first.
    document.getElementById("evaluationPage").replaceChildren();
    this.questionsShown = false;
    this.composeFileName();
    this.showPage("entry");
  }

  showQuestions() {
    const page = document.getElementById("evaluationPage");
    page.replaceChildren(...this.template.questions.map((question) => this.questionElement(question)));
    if (this.template.questions.length === 0)
      page.append(element("p", { className: "hint", textContent: "This template has no questions." }));
    this.questionsShown = true;
  }

  showPage(name) {
    if (name === "evaluation" && !this.questionsShown) this.showQuestions();
    document.getElementById("entryPage").hidden = name !== "entry";
    document.getElementById("evaluationPage").hidden = name !== "evaluation";
    document.getElementById("tabEntry").setAttribute("aria-selected", String(name === "entry"));
    document.getElementById("tabEvaluation").setAttribute("aria-selected", String(name === "evaluation"));
  }

  composeFileName() {
    document.getElementById("fileName").value = baseName(this.template, this.evaluation.fields);
  }

  fieldElement(field) {
    const value = this.evaluation.fields[field.key];
    const id = `field-${field.key}`;
    const label = element("label", { htmlFor: id, textContent: field.label, className: field.forced || field.group ? "forced" : "" });
    let input;
    if (field.type === DROPDOWN) {
      input = element("select", { id }, [element("option", { value: "0", textContent: "" }),
        ...field.values.map((v) => element("option", { value: String(v.key), textContent: v.text }))]);
      input.value = String(value.valueKey || 0);
      input.addEventListener("change", () => {
        value.valueKey = Number(input.value);
        this.leaveField(field);
      });
    } else {
      input = element("input", { id, type: "text", value: value.value, maxLength: fieldLength(field),
                                 autocomplete: "off", spellcheck: field.type === TEXT });
      if (field.type === NUMERIC) input.inputMode = "decimal";
      if (field.type === DATE) input.placeholder = "mm/dd/yy";
      input.addEventListener("input", () => { value.value = input.value; });
      input.addEventListener("blur", () => this.leaveField(field));
    }
    const message = element("div", { className: "fieldMessage", id: `message-${field.key}` });
    return element("div", { className: "field" }, [label, input, message]);
  }

  leaveField(field) {
    const refusal = fieldRefusal(field, this.evaluation.fields[field.key]);
    this.showFieldMessage(field, refusal);
    if (!refusal && this.template.fileNameFields.includes(field.key)) this.composeFileName();
    return refusal;
  }

  showFieldMessage(field, refusal) {
    document.getElementById(`message-${field.key}`).textContent = refusal;
    document.getElementById(`field-${field.key}`).classList.toggle("invalid", refusal !== "");
  }

  questionElement(question) {
    const value = this.evaluation.questions[question.key];
    const answer = element("input", { id: `answer-${question.key}`, type: "text", value: value.answer,
                                      maxLength: ANSWER_LENGTH, autocomplete: "off", placeholder: "Answer" });
    const message = element("div", { className: "fieldMessage", id: `answerMessage-${question.key}` });
    const chips = question.answers.map((text) => {
      const chip = element("button", { type: "button", textContent: text });
      chip.addEventListener("click", () => {
        value.answer = value.answer === text ? "" : text;
        answer.value = value.answer;
        showChosen();
      });
      return chip;
    });
    const showChosen = () => {
      for (const chip of chips) chip.setAttribute("aria-pressed", String(chip.textContent === value.answer));
      message.textContent = answerRefusal(question, value.answer);
    };
    answer.addEventListener("input", () => {
      value.answer = answer.value;
      showChosen();
    });
    showChosen();
    const tbc = element("input", { type: "checkbox", id: `tbc-${question.key}`, checked: value.tbc });
    tbc.addEventListener("change", () => { value.tbc = tbc.checked; });
    const picks = question.pickList.map((entry) => {
      const box = element("input", { type: "checkbox", id: `pick-${question.key}-${entry.key}`,
                                     checked: value.ticked.includes(entry.key) });
      box.addEventListener("change", () => {
        value.ticked = question.pickList.map((e) => e.key).filter((key) =>
          key === entry.key ? box.checked : value.ticked.includes(key));
      });
      return element("label", { className: "check" }, [box, entry.name]);
    });
    return element("div", { className: "question", id: `question-${question.key}` }, [
      element("h3", { textContent: question.text }),
      element("div", { className: "answers" }, chips), answer, message,
      element("label", { className: "check" }, [tbc, "TBC:"]),
      ...(picks.length ? [element("div", { className: "picks" }, picks)] : []),
    ]);
  }

  // The first refusal of the whole evaluation, shown where it is; "" when it may be saved.
  check() {
    for (const field of this.template.fields) {
      const refusal = this.leaveField(field);
      if (refusal) {
        this.showPage("entry");
        document.getElementById(`field-${field.key}`).focus();
        return refusal;
      }
    }
    for (const question of this.template.questions) {
      const refusal = answerRefusal(question, this.evaluation.questions[question.key].answer);
      if (refusal) {
        this.showPage("evaluation");
        document.getElementById(`answer-${question.key}`).focus();
        return refusal;
      }
    }
    return "";
  }
}
