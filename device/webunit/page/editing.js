// One evaluation on the screen, from its first entry to Save or Cancel. What the worker enters is
// kept as a draft as it is typed, so that the Back button, a closed page or a tab that the phone
// killed lose nothing: the page opens the draft again where it was left, and lists it.
import { EvaluationForm } from "./form.js";
import { Refused, api } from "./connection.js";
import { fitToTemplate, newEvaluation } from "./evaluation.js";
import { baseName, timestamp } from "./rules.js";
import * as store from "./store.js";

// The draft on the screen, in IndexedDB with the drafts: a browser writes localStorage to the disk
// only seconds later, too late for a killed tab.
const OPEN = "openDraft";
const LEAVE = "Leave this evaluation? What you entered stays on this phone: continue it from the list.";
const CHANGED = "The template was changed on the PC, and this evaluation has been fitted to it. Check the marked " +
                "fields and questions, then Save.";
const NOT_FETCHED = "The template was changed on the PC, and this phone could not fetch it. Connect to the PC, " +
                    "then press Change again.";

const $ = (id) => document.getElementById(id);
// What the benchmark times: the moment after the next frame has been drawn.
const afterPaint = (action) => requestAnimationFrame(() => setTimeout(action, 0));

let form = null;
let current = null; // { draftId, of, ofName, notes, removed, edited }
let writing = Promise.resolve();
let writeQueued = false;
let leavingByApp = false;
let home = null; // { show, notice }

function draftRecord() {
  return structuredClone({ draftId: current.draftId, of: current.of, ofName: current.ofName,
                           evaluation: form.evaluation, notes: current.notes, removed: current.removed,
                           page: form.page, changedAt: timestamp(new Date()),
                           fileName: baseName(form.template, form.evaluation.fields) });
}

// One write at a time; the one queued behind it takes the form as it is when it starts.
function keep() {
  if (!current) return;
  current.edited = true;
  if (writeQueued) return;
  writeQueued = true;
  const draftId = current.draftId;
  writing = writing.then(() => {
    writeQueued = false;
    if (current && current.draftId === draftId) return store.put("drafts", draftRecord());
  }).catch(() => {});
}

// edited: the form holds what is not saved (a draft), so leaving it asks first.
function show(evaluation, { draftId, of = null, ofName = "", notes = {}, removed = [], page = "entry", edited }) {
  form = new EvaluationForm(evaluation, { notes, removed, changed: keep });
  current = { draftId, of, ofName, notes, removed, edited };
  $("formMessage").hidden = true;
  $("home").hidden = true;
  $("form").hidden = false;
  form.render(page);
  store.put("lists", { name: OPEN, draftId }).catch(() => {});
  if (!history.state || history.state.form !== draftId) history.pushState({ form: draftId }, "");
  window.scrollTo(0, 0);
  afterPaint(() => performance.mark("form-ready"));
}

function formMessage(text) {
  $("formMessage").textContent = text;
  $("formMessage").hidden = !text;
}

async function close(discardDraft) {
  const draftId = current.draftId;
  form = null;
  current = null;
  await writing;
  await store.remove("lists", OPEN);
  if (discardDraft) await store.remove("drafts", draftId);
  if (history.state && history.state.form) {
    leavingByApp = true;
    history.back();
  }
  await home.show();
}

export function openNew(template) {
  const evaluation = newEvaluation(template);
  show(evaluation, { draftId: evaluation.id, edited: false });
}

export function openDraft(draft) {
  show(draft.evaluation, { ...draft, edited: true });
}

// The template as the PC holds it now: fetched, or as kept on the phone when the PC cannot be asked.
async function currentTemplate(file, fetchIt) {
  if (fetchIt) {
    try {
      const template = await api(`/api/template?file=${encodeURIComponent(file)}`, {}, 5000);
      await store.put("templates", template);
      return template;
    } catch (error) {
      if (error instanceof Refused && error.status !== 401) return null;
    }
  }
  return store.get("templates", file);
}

// "Change" of an evaluation waiting to be sent: its unsaved changes if it has some, else the
// evaluation itself, fitted to its template if the PC changed that since.
export async function openWaiting(evaluation) {
  const draftId = `change-${evaluation.id}`;
  const draft = await store.get("drafts", draftId);
  if (draft) return openDraft(draft);
  let copy = structuredClone(evaluation), notes = {}, removed = [], fitted = false;
  copy.basis ??= await store.get("templates", copy.template);
  if (!copy.basis) return home.notice("This phone no longer keeps the template of this evaluation: open the " +
                                      "template once while connected to the PC, then press Change again.");
  // Refused for a changed template: the PC may have changed it again since, so ask it first.
  const template = await currentTemplate(copy.template, Boolean(copy.templateChanged));
  if (template && template.version && template.version !== copy.basis.version) {
    ({ evaluation: copy, notes, removed } = fitToTemplate(copy, template));
    fitted = true;
  }
  show(copy, { draftId, of: evaluation.id, ofName: evaluation.fileName, notes, removed, edited: false });
  if (fitted) {
    // Fitted is changed: kept as a draft at once.
    keep();
    formMessage(CHANGED);
  }
  else if (copy.templateChanged) formMessage(NOT_FETCHED);
  if (evaluation.refusal) form.pointTo(evaluation.refusedAt || {}, fitted ? "" : evaluation.refusal);
}

export async function restoreOpenDraft() {
  const open = await store.get("lists", OPEN);
  const draft = open && await store.get("drafts", open.draftId);
  if (!draft) return false;
  // A fresh entry of the history for the form, whatever the history held before the page closed.
  history.replaceState(null, "");
  openDraft(draft);
  return true;
}

async function save() {
  const refusal = form.check();
  formMessage(refusal);
  if (refusal) return;
  const evaluation = form.evaluation;
  Object.assign(evaluation, { saved: timestamp(new Date()), state: "waiting", refusal: "", refusedAt: null,
                              templateChanged: false, fileName: baseName(form.template, evaluation.fields) });
  await store.put("evaluations", structuredClone(evaluation));
  await close(true);
  home.notice(`Saved ${evaluation.fileName}. It waits on this phone until you press Send.`, true);
}

async function cancel() {
  const question = current.of
    ? `Leave without saving your changes? The saved version of ${current.ofName} is kept and still waits to be sent.`
    : "Are you sure you want to cancel this evaluation?";
  if (confirm(question)) await close(true);
}

export function initEditing(homePage) {
  home = homePage;
  $("save").addEventListener("click", save);
  $("cancel").addEventListener("click", cancel);
  $("tabEntry").addEventListener("click", () => form && form.showPage("entry"));
  $("tabEvaluation").addEventListener("click", () => form && form.showPage("evaluation"));
  window.addEventListener("popstate", () => {
    if (leavingByApp) {
      leavingByApp = false;
      return;
    }
    if (!current) {
      if (history.state && history.state.form) history.replaceState(null, "");
      return;
    }
    if (current.edited && !confirm(LEAVE)) {
      history.pushState({ form: current.draftId }, "");
      return;
    }
    close(false);
  });
  window.addEventListener("beforeunload", (event) => {
    if (current && current.edited) {
      event.preventDefault();
      event.returnValue = "";
    }
  });
}
