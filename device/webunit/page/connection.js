// The page's link to the PC: its requests, and what the last of them said. Whether the PC answers
// and whether this phone is paired come from the last request, never from navigator.onLine alone
// (a phone on a network without the PC is "online").

const REQUEST_TIMEOUT = 15000;

export const NOT_PAIRED = "This phone is not paired with the PC: open the address that Kestrivo shows, with its " +
                          "pairing token, or scan its QR code.";

// reachable and paired are null until a request has told.
export const link = { reachable: null, paired: null };
const listeners = [];

export function onLinkChange(listener) {
  listeners.push(listener);
}

function learned(reachable, paired) {
  const changed = link.reachable !== reachable || (paired !== null && link.paired !== paired);
  link.reachable = reachable;
  if (paired !== null) link.paired = paired;
  if (changed) for (const listener of listeners) listener(link);
}

// Takes the pairing token from the address (#token=…), also when it changes while the page is
// open; true when a new token was taken.
export function takeToken() {
  const found = /(?:^#|&)token=([0-9A-Za-z]+)/.exec(location.hash);
  if (!localStorage.getItem("phone")) {
    const bytes = crypto.getRandomValues(new Uint8Array(8));
    localStorage.setItem("phone", [...bytes].map((b) => b.toString(16).padStart(2, "0")).join(""));
  }
  if (!found) return false;
  history.replaceState(history.state, "", location.pathname);
  const renewed = localStorage.getItem("token") !== found[1];
  localStorage.setItem("token", found[1]);
  // What the PC said of the old token says nothing of the new one.
  if (renewed) link.paired = null;
  return renewed;
}

export const hasToken = () => Boolean(localStorage.getItem("token"));

export class Refused extends Error {
  constructor(status, answer) {
    super(answer.error || `The PC answered ${status}.`);
    this.status = status;
    this.details = answer;
  }
}

// A JSON answer of the PC; Refused for a refusal, TypeError or AbortError without a connection.
export async function api(path, options = {}, timeout = REQUEST_TIMEOUT) {
  const abort = new AbortController();
  const timer = setTimeout(() => abort.abort(), timeout);
  try {
    const response = await fetch(path, {
      ...options, signal: abort.signal, cache: "no-store",
      headers: { "Authorization": `Bearer ${localStorage.getItem("token") || ""}`,
                 "X-Kestrivo-Phone": localStorage.getItem("phone"), "Content-Type": "application/json" },
    });
    const answer = await response.json().catch(() => ({}));
    learned(true, response.status === 401 ? false : true);
    if (!response.ok) throw new Refused(response.status, answer);
    return answer;
  } catch (error) {
    if (!(error instanceof Refused)) learned(false, null);
    throw error;
  } finally {
    clearTimeout(timer);
  }
}

// The header's words for the link.
export function linkText() {
  if (link.paired === false || (!hasToken() && link.paired === null)) return "Not paired with the PC";
  if (link.reachable === false) return "Offline: evaluations are kept";
  if (link.reachable === true) return "Connected to the PC";
  return "Looking for the PC…";
}
