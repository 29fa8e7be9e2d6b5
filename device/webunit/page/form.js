// The form on the screen, filled in the way the PC's "Nobrin" tab is: the entry fields in their
// order with the file name made from the file-name fields, then the questions with their answers,
// TBC and pick lists. Every change is reported at once, so that the page keeps it as a draft.
import { answerRefusal, baseName, checkEntry, fieldKind, fieldRefusal, trimmed } from "./rules.js";

const $ = (id) => document.getElementById(id);

function element(tag, properties = {}, children = []) {
  const created = Object.assign(document.createElement(tag), properties);
  for (const child of children) created.append(child);
  return created;
}

export class EvaluationForm {
  // notes: what to tell at a field or question ("field-KEY", "question-KEY"); removed: the
  // entries that the template no longer has a place for; changed: called after every change.
  constructor(evaluation, { notes = {}, removed = [], changed = () => {} } = {}) {
    this.evaluation = evaluation;
    this.template = evaluation.basis;
    this.notes = notes;
    this.removed = removed;
    this.changed = changed;
    this.page = "entry";
    this.answerLength = this.template.answerLength;
  }

  render(page = "entry") {
    $("formTitle").textContent = this.template.name;
    $("fields").replaceChildren(...this.template.fields.map((field) => this.fieldElement(field)));
    $("removed").replaceChildren(...this.removed.map((item) => element("li", {}, [
      element("span", { className: "label", textContent: `${item.label}: ` }),
      element("span", { textContent: item.text || "(empty)" })])));
    $("removedBox").hidden = this.removed.length === 0;
    // The questions are laid out when their page is first shown: the entry page comes first.
    $("evaluationPage").replaceChildren();
    this.questionsShown = false;
    this.composeFileName();
    this.showPage(page);
  }

  showQuestions() {
    const page = $("evaluationPage");
    page.replaceChildren(...this.template.questions.map((question) => this.questionElement(question)));
    if (this.template.questions.length === 0)
      page.append(element("p", { className: "hint", textContent: "This template has no questions." }));
    this.questionsShown = true;
  }

  showPage(name) {
    if (name === "evaluation" && !this.questionsShown) this.showQuestions();
    this.page = name;
    $("entryPage").hidden = name !== "entry";
    $("evaluationPage").hidden = name !== "evaluation";
    $("tabEntry").setAttribute("aria-selected", String(name === "entry"));
    $("tabEvaluation").setAttribute("aria-selected", String(name === "evaluation"));
  }

  composeFileName() {
    $("fileName").value = baseName(this.template, this.evaluation.fields);
  }

  fieldElement(field) {
    const entry = this.evaluation.fields[field.key];
    const id = `field-${field.key}`;
    const label = element("label", { htmlFor: id, textContent: field.label,
                                     className: field.forced || field.group ? "forced" : "" });
    let input;
    if (fieldKind(field) === "Dropdown") {
      input = element("select", { id }, [element("option", { value: "0", textContent: "" }),
        ...field.values.map((v) => element("option", { value: String(v.key), textContent: v.text }))]);
      input.value = String(entry.valueKey || 0);
      input.addEventListener("change", () => {
        entry.valueKey = Number(input.value);
        this.leaveField(field);
        this.composeFileName();
        this.changed();
      });
    } else {
      // No maxLength: an entry too long is refused at the field, never cut without a word.
      input = element("input", { id, type: "text", value: entry.value, autocomplete: "off",
                                 spellcheck: fieldKind(field) === "Text" });
      if (fieldKind(field) === "Numeric") input.inputMode = "decimal";
      if (fieldKind(field) === "Date") input.placeholder = "mm/dd/yy";
      input.addEventListener("input", () => {
        entry.value = input.value;
        this.composeFileName();
        const checked = checkEntry(field, entry.value);
        // While typing, only what more typing cannot mend is told at once.
        if (["length", "character"].includes(checked.refusal) || !checked.refusal) this.showFieldMessage(field, checked.message);
        this.changed();
      });
      input.addEventListener("blur", () => {
        if (trimmed(input.value) !== input.value) {
          input.value = entry.value = trimmed(input.value);
          this.changed();
        }
        this.leaveField(field);
      });
    }
    const message = element("div", { className: "fieldMessage", id: `message-${field.key}`, role: "alert" });
    const note = this.notes[`field-${field.key}`];
    return element("div", { className: "field" }, [label, input,
      ...(note ? [element("div", { className: "fieldNote", textContent: note })] : []), message]);
  }

  leaveField(field) {
    const refusal = fieldRefusal(field, this.evaluation.fields[field.key]);
    this.showFieldMessage(field, refusal);
    return refusal;
  }

  showFieldMessage(field, refusal) {
    $(`message-${field.key}`).textContent = refusal;
    $(`field-${field.key}`).classList.toggle("invalid", refusal !== "");
  }

  questionElement(question) {
    const value = this.evaluation.questions[question.key];
    const answer = element("input", { id: `answer-${question.key}`, type: "text", value: value.answer,
                                      autocomplete: "off", placeholder: "Answer" });
    const message = element("div", { className: "fieldMessage", id: `answerMessage-${question.key}`, role: "alert" });
    // A tap chooses the answer, and a second tap leaves it chosen: a double tap undoes nothing.
    const chips = question.answers.map((text) => {
      const chip = element("button", { type: "button", textContent: text });
      chip.addEventListener("click", () => {
        if (value.answer === text) return;
        value.answer = answer.value = text;
        showChosen();
        this.changed();
      });
      return chip;
    });
    const showChosen = () => {
      for (const chip of chips) chip.setAttribute("aria-pressed", String(chip.textContent === trimmed(value.answer)));
      message.textContent = answerRefusal(question, value.answer, this.answerLength);
    };
    answer.addEventListener("input", () => {
      value.answer = answer.value;
      showChosen();
      this.changed();
    });
    showChosen();
    const tbc = element("input", { type: "checkbox", id: `tbc-${question.key}`, checked: value.tbc });
    tbc.addEventListener("change", () => {
      value.tbc = tbc.checked;
      this.changed();
    });
    const picks = question.pickList.map((entry) => {
      const box = element("input", { type: "checkbox", id: `pick-${question.key}-${entry.key}`,
                                     checked: value.ticked.includes(entry.key) });
      box.addEventListener("change", () => {
        value.ticked = question.pickList.map((e) => e.key).filter((key) =>
          key === entry.key ? box.checked : value.ticked.includes(key));
        this.changed();
      });
      return element("label", { className: "check" }, [box, entry.name]);
    });
    const note = this.notes[`question-${question.key}`];
    return element("div", { className: "question", id: `question-${question.key}` }, [
      element("h3", { textContent: question.text }),
      ...(note ? [element("div", { className: "fieldNote", textContent: note })] : []),
      element("div", { className: "answers" }, chips), answer, message,
      element("label", { className: "check" }, [tbc, "TBC:"]),
      ...(picks.length ? [element("div", { className: "picks" }, picks)] : []),
    ]);
  }

  // Shows where the PC's refusal points, with its message where the page has none of its own.
  pointTo(details, message) {
    const field = this.template.fields.find((f) => f.key === details.field);
    if (field) {
      this.showPage("entry");
      if (!this.leaveField(field) && message) this.showFieldMessage(field, message);
      return this.focus($(`field-${field.key}`));
    }
    const question = this.template.questions.find((q) => q.key === details.question);
    if (question) {
      this.showPage("evaluation");
      const shown = $(`answerMessage-${question.key}`);
      if (!shown.textContent && message) shown.textContent = message;
      return this.focus($(`answer-${question.key}`));
    }
    this.check();
  }

  focus(control) {
    control.focus({ preventScroll: true });
    control.scrollIntoView({ block: "center" });
  }

  // Every refusal shown where it is, the first one in view; "" when the evaluation may be saved.
  check() {
    let first = "";
    for (const field of this.template.fields) {
      const refusal = this.leaveField(field);
      if (refusal && !first) {
        first = refusal;
        this.showPage("entry");
        this.focus($(`field-${field.key}`));
      }
    }
    if (first) return first;
    for (const question of this.template.questions) {
      const refusal = answerRefusal(question, this.evaluation.questions[question.key].answer, this.answerLength);
      if (refusal) {
        this.showPage("evaluation");
        this.focus($(`answer-${question.key}`));
        return refusal;
      }
    }
    return "";
  }
}
