// The page of Kestrivo's web unit: the templates on the unit, the evaluations waiting on this
// phone, "Send", and what arrived on the PC.
import * as store from "./store.js";
import { EvaluationForm, baseName, fitted, newEvaluation, submission, timestamp } from "./form.js";

const REQUEST_TIMEOUT = 15000;
const SENT_KEPT = 50;
const NOT_PAIRED = "This phone is not paired with the PC: open the address that Kestrivo shows, with its pairing " +
                   "token, or scan its QR code.";
const NO_CONNECTION = "No connection to the PC. Everything is kept on this phone: press Send again when the " +
                      "phone is back on the PC's network.";

const $ = (id) => document.getElementById(id);
let form = null;
// What the benchmark times: the moment after the next frame has been drawn.
const afterPaint = (action) => requestAnimationFrame(() => setTimeout(action, 0));
let sending = false;

function pairing() {
  const found = /(?:^#|&)token=([0-9A-Za-z]+)/.exec(location.hash);
  if (found) {
    localStorage.setItem("token", found[1]);
    history.replaceState(null, "", location.pathname);
  }
  if (!localStorage.getItem("phone")) {
    const bytes = crypto.getRandomValues(new Uint8Array(8));
    localStorage.setItem("phone", [...bytes].map((b) => b.toString(16).padStart(2, "0")).join(""));
  }
}

class Refused extends Error {
  constructor(status, message) {
    super(message);
    this.status = status;
  }
}

// A JSON answer of the PC; Refused for a refusal, TypeError or AbortError without a connection.
async function api(path, options = {}) {
  const abort = new AbortController();
  const timer = setTimeout(() => abort.abort(), REQUEST_TIMEOUT);
  try {
    const response = await fetch(path, {
      ...options, signal: abort.signal, cache: "no-store",
      headers: { "Authorization": `Bearer ${localStorage.getItem("token") || ""}`,
                 "X-Kestrivo-Phone": localStorage.getItem("phone"), "Content-Type": "application/json" },
    });
    const answer = await response.json().catch(() => ({}));
    if (!response.ok) throw new Refused(response.status, answer.error || `The PC answered ${response.status}.`);
    return answer;
  } finally {
    clearTimeout(timer);
  }
}

function showConnection(online) {
  $("connection").textContent = online ? "Connected to the PC" : "Offline: evaluations are kept";
}

function notice(text, good = false) {
  $("notice").textContent = text;
  $("notice").hidden = !text;
  $("notice").classList.toggle("good", good);
}

function element(tag, properties = {}, children = []) {
  const created = Object.assign(document.createElement(tag), properties);
  for (const child of children) created.append(child);
  return created;
}

function showTemplates(list) {
  $("templates").replaceChildren(...list.map((entry) => {
    const button = element("button", { type: "button", className: "template", textContent: entry.name });
    button.dataset.file = entry.file;
    if (entry.problem) button.append(element("small", { textContent: entry.problem }));
    button.addEventListener("click", () => startEvaluation(entry.file));
    return element("li", {}, [button]);
  }));
  if (list.length === 0)
    $("templates").append(element("li", { className: "hint",
      textContent: "No templates on the unit: upload one in Kestrivo's template window first." }));
}

async function loadTemplates() {
  try {
    const answer = await api("/api/templates");
    showTemplates(answer.templates);
    afterPaint(() => performance.mark("templates-shown"));
    await store.put("lists", { name: "templates", list: answer.templates });
    showConnection(true);
  } catch (error) {
    const kept = await store.get("lists", "templates");
    showTemplates(kept ? kept.list : []);
    showConnection(false);
    notice(error instanceof Refused ? error.message : NO_CONNECTION);
  }
}

async function templateOf(file) {
  try {
    const template = await api(`/api/template?file=${encodeURIComponent(file)}`);
    // Kept for filling in without the network; the form need not wait for it.
    store.put("templates", template).catch(() => {});
    showConnection(true);
    return template;
  } catch (error) {
    const kept = await store.get("templates", file);
    if (kept) return kept;
    throw error;
  }
}

async function showLists() {
  const evaluations = await store.all("evaluations");
  const waiting = evaluations.filter((e) => e.state === "waiting").sort((a, b) => a.saved.localeCompare(b.saved));
  const sent = evaluations.filter((e) => e.state === "sent").sort((a, b) => b.sentAt.localeCompare(a.sentAt));
  for (const old of sent.slice(SENT_KEPT)) await store.remove("evaluations", old.id);
  $("waiting").replaceChildren(...waiting.map((evaluation) => {
    const change = element("button", { type: "button", textContent: "Change" });
    change.addEventListener("click", () => changeEvaluation(evaluation));
    const discard = element("button", { type: "button", textContent: "Discard" });
    discard.addEventListener("click", () => discardEvaluation(evaluation));
    const item = element("li", {}, [
      element("div", { className: "name", textContent: evaluation.fileName }),
      element("div", { className: "detail", textContent: `${evaluation.templateName} · saved ${evaluation.saved}` })]);
    if (evaluation.refusal) item.append(element("div", { className: "refused", textContent: evaluation.refusal }));
    item.append(element("div", { className: "buttons" }, [change, discard]));
    return item;
  }));
  $("nothingWaiting").hidden = waiting.length > 0;
  $("send").textContent = waiting.length ? `Send (${waiting.length})` : "Send";
  $("send").disabled = waiting.length === 0 || sending;
  $("sent").replaceChildren(...sent.slice(0, SENT_KEPT).map((evaluation) => element("li", {}, [
    element("div", { className: "name", textContent: evaluation.fileName }),
    element("div", { className: "detail", textContent: `${evaluation.templateName} · arrived ${evaluation.sentAt}` })])));
  $("nothingSent").hidden = sent.length > 0;
}

function showHome() {
  form = null;
  $("form").hidden = true;
  $("home").hidden = false;
  window.scrollTo(0, 0);
  return showLists();
}

function showForm(template, evaluation) {
  notice("");
  $("formMessage").hidden = true;
  form = new EvaluationForm(template, evaluation);
  $("home").hidden = true;
  $("form").hidden = false;
  form.render();
  window.scrollTo(0, 0);
  afterPaint(() => performance.mark("form-ready"));
}

async function startEvaluation(file) {
  performance.mark("template-opened");
  try {
    const template = await templateOf(file);
    if (template.problem) return notice(template.problem);
    showForm(template, newEvaluation(template));
  } catch (error) {
    notice(error instanceof Refused ? error.message : NO_CONNECTION);
    showConnection(false);
  }
}

async function changeEvaluation(evaluation) {
  const template = await store.get("templates", evaluation.template);
  if (!template) return notice("The template of this evaluation is not kept on this phone any more.");
  showForm(template, fitted(structuredClone(evaluation), template));
}

async function discardEvaluation(evaluation) {
  if (!confirm(`Discard the evaluation ${evaluation.fileName}? It has not been sent and cannot be brought back.`))
    return;
  await store.remove("evaluations", evaluation.id);
  await showLists();
}

async function saveEvaluation() {
  const refusal = form.check();
  $("formMessage").textContent = refusal;
  $("formMessage").hidden = !refusal;
  if (refusal) return;
  const evaluation = form.evaluation;
  evaluation.saved = timestamp(new Date());
  evaluation.state = "waiting";
  evaluation.refusal = "";
  evaluation.fileName = baseName(form.template, evaluation.fields);
  await store.put("evaluations", evaluation);
  await showHome();
  notice(`Saved ${evaluation.fileName}. It waits on this phone until you press Send.`, true);
}

function cancelEvaluation() {
  if (confirm("Are you sure you want to cancel this evaluation?")) showHome();
}

async function send() {
  if (sending) return;
  sending = true;
  notice("");
  const waiting = (await store.all("evaluations")).filter((e) => e.state === "waiting")
    .sort((a, b) => a.saved.localeCompare(b.saved));
  let arrived = 0, refused = 0, stopped = "";
  try {
    for (const [index, evaluation] of waiting.entries()) {
      $("sendResult").textContent = `Sending ${index + 1} of ${waiting.length}…`;
      const template = await store.get("templates", evaluation.template);
      try {
        const body = submission(fitted(evaluation, template), template);
        const answer = await api("/api/evaluations", { method: "POST", body: JSON.stringify(body) });
        Object.assign(evaluation, { state: "sent", fileName: answer.fileName, sentAt: timestamp(new Date()) });
        ++arrived;
      } catch (error) {
        if (!(error instanceof Refused) || error.status === 401 || error.status >= 500) {
          stopped = error instanceof Refused ? (error.status === 401 ? NOT_PAIRED : error.message) : NO_CONNECTION;
          showConnection(error instanceof Refused);
          break;
        }
        evaluation.refusal = `Not sent: ${error.message}`;
        ++refused;
      }
      await store.put("evaluations", evaluation);
    }
  } finally {
    sending = false;
  }
  if (!stopped) showConnection(true);
  const parts = arrived || !stopped ? [`${arrived} arrived on the PC.`] : [];
  if (refused) parts.push(`${refused} refused: see the message under each, change it and send again.`);
  if (stopped) parts.push(stopped);
  $("sendResult").textContent = parts.join(" ");
  await showLists();
}

// Whether a reload without the network would still show the page: only when the page's worker,
// which keeps its files, controls it, and a browser keeps a worker only for a page it trusts.
function showOfflineReady() {
  const ready = "serviceWorker" in navigator && navigator.serviceWorker.controller;
  $("offlineReady").textContent = ready ? "Ready to work offline"
    : location.protocol === "https:" ? "Not yet ready to work offline"
    : "Cannot work offline: opened without HTTPS";
  $("offlineReady").classList.toggle("ready", Boolean(ready));
}

function start() {
  pairing();
  if (location.protocol === "https:" && "serviceWorker" in navigator) {
    navigator.serviceWorker.addEventListener("controllerchange", showOfflineReady);
    navigator.serviceWorker.register("sw.js").catch(() => {});
  }
  showOfflineReady();
  $("send").addEventListener("click", send);
  $("save").addEventListener("click", saveEvaluation);
  $("cancel").addEventListener("click", cancelEvaluation);
  $("tabEntry").addEventListener("click", () => form && form.showPage("entry"));
  $("tabEvaluation").addEventListener("click", () => form && form.showPage("evaluation"));
  window.addEventListener("online", () => loadTemplates());
  window.addEventListener("offline", () => showConnection(false));
  if (!localStorage.getItem("token")) notice(NOT_PAIRED);
  showLists();
  loadTemplates();
}

start();
