// What the phone keeps between visits, in IndexedDB: the evaluations not yet sent (and the last
// ones sent, to show what arrived), the forms in progress (drafts, written as the worker types),
// and the templates, so that new evaluations can be filled in without the network.
const NAME = "kestrivo";
const VERSION = 2;
let opened = null;

function database() {
  if (!opened) {
    opened = new Promise((resolve, reject) => {
      const request = indexedDB.open(NAME, VERSION);
      request.onupgradeneeded = () => {
        const db = request.result;
        const keys = { evaluations: "id", templates: "file", lists: "name", drafts: "draftId" };
        for (const [name, keyPath] of Object.entries(keys)) {
          if (!db.objectStoreNames.contains(name)) db.createObjectStore(name, { keyPath });
        }
      };
      request.onsuccess = () => {
        // A newer page in another tab may need to change the stores: let it.
        request.result.onversionchange = () => {
          request.result.close();
          opened = null;
        };
        resolve(request.result);
      };
      request.onerror = () => reject(request.error);
    });
  }
  return opened;
}

async function run(storeName, mode, action) {
  const db = await database();
  return new Promise((resolve, reject) => {
    const transaction = db.transaction(storeName, mode);
    const request = action(transaction.objectStore(storeName));
    // Written only once the transaction is complete: then it survives a closed page.
    transaction.oncomplete = () => resolve(request ? request.result : undefined);
    transaction.onerror = () => reject(transaction.error);
    transaction.onabort = () => reject(transaction.error);
  });
}

export const all = (store) => run(store, "readonly", (s) => s.getAll());
export const get = (store, key) => run(store, "readonly", (s) => s.get(key));
export const put = (store, value) => run(store, "readwrite", (s) => s.put(value));
export const remove = (store, key) => run(store, "readwrite", (s) => s.delete(key));
