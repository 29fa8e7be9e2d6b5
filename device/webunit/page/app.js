// The page of Kestrivo's web unit: the templates on the unit, the evaluations waiting on this
// phone with the forms not yet saved, "Send", and what arrived on the PC.
import * as store from "./store.js";
import { NOT_PAIRED, Refused, api, hasToken, link, linkText, onLinkChange, takeToken } from "./connection.js";
import { initEditing, openDraft, openNew, openWaiting, restoreOpenDraft } from "./editing.js";
import { submission } from "./evaluation.js";
import { timestamp } from "./rules.js";

const SENT_KEPT = 50;
// While the page is in view, the PC is asked this often whether it is there.
const CHECK_EVERY = 5000;
const CHECK_TIMEOUT = 4000;
const NO_CONNECTION = "No connection to the PC. Everything is kept on this phone: press Send again when the " +
                      "phone is back on the PC's network.";
const NEVER_OPENED = "This template has not been opened on this phone yet. Open it once while the phone is " +
                     "connected to the PC; after that it can be filled in without a connection.";
const TEMPLATE_CHANGED = "The template was changed on the PC: press Change to fit this evaluation to it.";

const $ = (id) => document.getElementById(id);
const afterPaint = (action) => requestAnimationFrame(() => setTimeout(action, 0));
let sending = false;
let shownTemplates = null;
let checkTimer = null;

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

function button(text, action) {
  const created = element("button", { type: "button", textContent: text });
  created.addEventListener("click", action);
  return created;
}

// Says only what is known: "No templates on the unit" only when the PC said so.
function showTemplates(list, answered) {
  // Drawn again only when it changed: a tile replaced under the worker's thumb misses the tap.
  const shown = JSON.stringify(list.length ? list : [answered, link.paired, hasToken()]);
  if (shown === shownTemplates) return;
  shownTemplates = shown;
  $("templates").replaceChildren(...list.map((entry) => {
    const tile = element("button", { type: "button", className: "template", textContent: entry.name });
    tile.dataset.file = entry.file;
    if (entry.problem) tile.append(element("small", { textContent: entry.problem }));
    tile.addEventListener("click", () => startEvaluation(entry.file));
    return element("li", {}, [tile]);
  }));
  if (list.length > 0) return;
  const hint = answered ? "No templates on the unit: upload one in Kestrivo's template window first."
    : link.paired === false || !hasToken() ? "The templates appear here once this phone is paired with the PC."
    : "The templates appear here once the phone reaches the PC.";
  $("templates").append(element("li", { className: "hint", textContent: hint }));
}

function showLink() {
  $("connection").textContent = linkText();
  $("connection").dataset.state = link.paired === false ? "unpaired" : String(link.reachable);
  const told = $("notice").textContent;
  if (link.paired === false || (!hasToken() && link.paired === null)) notice(NOT_PAIRED);
  // What the link kept the worker from doing can be done now: the advice would only mislead.
  else if (told === NOT_PAIRED || (link.reachable && told === NEVER_OPENED)) notice("");
}

// Asks the PC for its templates: the check of the link while the page is in view.
async function loadTemplates() {
  try {
    const answer = await api("/api/templates", {}, CHECK_TIMEOUT);
    showTemplates(answer.templates, true);
    afterPaint(() => performance.mark("templates-shown"));
    await store.put("lists", { name: "templates", list: answer.templates });
  } catch (error) {
    const kept = await store.get("lists", "templates");
    showTemplates(kept ? kept.list : [], false);
  }
}

// Without a token, or with one the PC refused, no request could tell more: the page waits for a
// pairing address rather than fill the PC's log with refused requests.
function checkWhileVisible() {
  clearTimeout(checkTimer);
  if (document.visibilityState !== "visible") return;
  if (!hasToken() || link.paired === false) {
    store.get("lists", "templates").then((kept) => showTemplates(kept ? kept.list : [], false));
    return;
  }
  loadTemplates().finally(() => {
    clearTimeout(checkTimer);
    if (document.visibilityState === "visible") checkTimer = setTimeout(checkWhileVisible, CHECK_EVERY);
  });
}

async function startEvaluation(file) {
  performance.mark("template-opened");
  let template;
  try {
    template = await api(`/api/template?file=${encodeURIComponent(file)}`);
    // Kept for filling in without the network; the form need not wait for it.
    store.put("templates", template).catch(() => {});
  } catch (error) {
    template = await store.get("templates", file);
    if (!template) {
      if (error instanceof Refused && error.status !== 401) return notice(error.message);
      return notice(link.paired === false ? NOT_PAIRED : NEVER_OPENED);
    }
  }
  if (template.problem) return notice(template.problem);
  notice("");
  openNew(template);
}

function draftItem(draft, evaluation) {
  const name = evaluation ? evaluation.fileName : draft.fileName;
  const detail = evaluation ? `${evaluation.templateName} · saved ${evaluation.saved} · changes not saved yet`
    : `${draft.evaluation.templateName} · not saved yet · changed ${draft.changedAt}`;
  const discard = async () => {
    const question = evaluation
      ? `Discard the evaluation ${name} and the changes not saved? It has not been sent and cannot be brought back.`
      : `Discard the evaluation ${name}? It was never saved and cannot be brought back.`;
    if (!confirm(question)) return;
    await store.remove("drafts", draft.draftId);
    if (evaluation) await store.remove("evaluations", evaluation.id);
    await showLists();
  };
  return element("li", { className: "draft" }, [
    element("div", { className: "name", textContent: name }),
    element("div", { className: "detail", textContent: detail }),
    element("div", { className: "buttons" }, [button("Continue", () => openDraft(draft)), button("Discard", discard)])]);
}

function waitingItem(evaluation) {
  const discard = async () => {
    if (!confirm(`Discard the evaluation ${evaluation.fileName}? It has not been sent and cannot be brought back.`))
      return;
    await store.remove("evaluations", evaluation.id);
    await showLists();
  };
  const item = element("li", {}, [
    element("div", { className: "name", textContent: evaluation.fileName }),
    element("div", { className: "detail", textContent: `${evaluation.templateName} · saved ${evaluation.saved}` })]);
  if (evaluation.refusal) {
    const words = evaluation.templateChanged ? `${evaluation.refusal} ${TEMPLATE_CHANGED}` : evaluation.refusal;
    item.append(element("div", { className: "refused", textContent: `Not sent: ${words}` }));
  }
  item.append(element("div", { className: "buttons" },
    [button("Change", () => openWaiting(evaluation)), button("Discard", discard)]));
  return item;
}

async function showLists() {
  const [evaluations, drafts] = await Promise.all([store.all("evaluations"), store.all("drafts")]);
  const waiting = evaluations.filter((e) => e.state === "waiting").sort((a, b) => a.saved.localeCompare(b.saved));
  const sent = evaluations.filter((e) => e.state === "sent").sort((a, b) => b.sentAt.localeCompare(a.sentAt));
  for (const old of sent.slice(SENT_KEPT)) await store.remove("evaluations", old.id);
  const changes = new Map(drafts.filter((d) => d.of).map((d) => [d.of, d]));
  const fresh = drafts.filter((d) => !d.of).sort((a, b) => a.changedAt.localeCompare(b.changedAt));
  $("waiting").replaceChildren(...fresh.map((draft) => draftItem(draft, null)),
    ...waiting.map((e) => changes.has(e.id) ? draftItem(changes.get(e.id), e) : waitingItem(e)));
  $("nothingWaiting").hidden = waiting.length + fresh.length > 0;
  const ready = waiting.filter((e) => !changes.has(e.id)).length;
  $("send").textContent = ready ? `Send (${ready})` : "Send";
  $("send").disabled = ready === 0 || sending;
  $("sent").replaceChildren(...sent.slice(0, SENT_KEPT).map((evaluation) => element("li", {}, [
    element("div", { className: "name", textContent: evaluation.fileName }),
    element("div", { className: "detail", textContent: `${evaluation.templateName} · arrived ${evaluation.sentAt}` })])));
  $("nothingSent").hidden = sent.length > 0;
}

async function showHome() {
  $("form").hidden = true;
  $("home").hidden = false;
  window.scrollTo(0, 0);
  await showLists();
}

// Sends one evaluation; false when sending has to stop (no connection, not paired, PC failing).
async function sendOne(evaluation) {
  if (!evaluation.basis) {
    evaluation.refusal = "This phone no longer keeps the template of this evaluation. Open the template once " +
                         "while connected to the PC, then press Change.";
    return { refused: true };
  }
  try {
    const answer = await api("/api/evaluations", { method: "POST", body: JSON.stringify(submission(evaluation)) });
    Object.assign(evaluation, { state: "sent", fileName: answer.fileName, sentAt: timestamp(new Date()) });
    return { arrived: true };
  } catch (error) {
    if (!(error instanceof Refused) || error.status === 401 || error.status >= 500)
      return { stopped: error instanceof Refused ? (error.status === 401 ? NOT_PAIRED : error.message) : NO_CONNECTION };
    const details = error.details;
    Object.assign(evaluation, { refusal: error.message, templateChanged: Boolean(details.templateChanged),
                                refusedAt: { field: details.field, question: details.question } });
    // Change fits the evaluation to the template as the PC holds it now: fetch that while the PC is there.
    if (details.templateChanged)
      await api(`/api/template?file=${encodeURIComponent(evaluation.template)}`)
        .then((template) => store.put("templates", template)).catch(() => {});
    return { refused: true };
  }
}

async function send() {
  if (sending) return;
  sending = true;
  $("send").disabled = true;
  $("sendResult").textContent = "Sending…";
  notice("");
  const changing = new Set((await store.all("drafts")).map((d) => d.of).filter(Boolean));
  const all = (await store.all("evaluations")).filter((e) => e.state === "waiting")
    .sort((a, b) => a.saved.localeCompare(b.saved));
  const waiting = all.filter((e) => !changing.has(e.id));
  let arrived = 0, refused = 0, stopped = "";
  try {
    for (const [index, evaluation] of waiting.entries()) {
      $("sendResult").textContent = `Sending ${index + 1} of ${waiting.length}…`;
      const outcome = await sendOne(evaluation);
      if (outcome.stopped) {
        stopped = outcome.stopped;
        break;
      }
      arrived += outcome.arrived ? 1 : 0;
      refused += outcome.refused ? 1 : 0;
      await store.put("evaluations", evaluation);
    }
  } finally {
    sending = false;
  }
  const parts = arrived || !stopped ? [`${arrived} arrived on the PC.`] : [];
  if (refused) parts.push(`${refused} refused: see the message under each, change it and send again.`);
  if (all.length > waiting.length)
    parts.push(`${all.length - waiting.length} not sent: changes to it are not saved yet (Continue, then Save).`);
  if (stopped) parts.push(stopped);
  $("sendResult").textContent = parts.join(" ");
  await showLists();
}

// Evaluations saved before the phone kept the template of each with it: the template kept now.
async function keepBases() {
  for (const evaluation of await store.all("evaluations")) {
    if (evaluation.basis || evaluation.state !== "waiting") continue;
    const template = await store.get("templates", evaluation.template);
    if (template) await store.put("evaluations", { ...evaluation, basis: template });
  }
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

async function start() {
  takeToken();
  if (location.protocol === "https:" && "serviceWorker" in navigator) {
    navigator.serviceWorker.addEventListener("controllerchange", showOfflineReady);
    navigator.serviceWorker.register("sw.js").catch(() => {});
  }
  showOfflineReady();
  initEditing({ show: showHome, notice });
  onLinkChange(showLink);
  showLink();
  $("send").addEventListener("click", send);
  // A new pairing address opened in this tab takes effect at once.
  window.addEventListener("hashchange", () => {
    if (takeToken()) showLink();
    checkWhileVisible();
  });
  window.addEventListener("online", checkWhileVisible);
  window.addEventListener("offline", checkWhileVisible);
  document.addEventListener("visibilitychange", checkWhileVisible);
  await keepBases();
  if (!(await restoreOpenDraft())) await showLists();
  checkWhileVisible();
}

start();
