// The page's entry rules against the table of cases that the PC's server is held to as well
// (tst_entryrulecases): the same entries taken, the same refused with the same message.
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { test } from "node:test";
import { checkChoice, checkEntry, fieldRefusal } from "../../../device/webunit/page/rules.js";

const table = JSON.parse(readFileSync(new URL("../../entry-rules-cases.json", import.meta.url), "utf8"));
const textOf = (given) => typeof given === "string" ? given : given.repeat.repeat(given.times);

test("the table covers every kind of refusal", () => {
  const kinds = new Set(table.cases.map((c) => c.refusal).filter(Boolean));
  assert.deepEqual([...kinds].sort(), ["character", "date", "forced", "length", "numeric"]);
});

for (const [index, entry] of table.cases.entries()) {
  const field = table.fields[entry.field];
  const given = "valueKey" in entry ? `value key ${entry.valueKey}` : JSON.stringify(textOf(entry.entry)).slice(0, 30);
  test(`${index + 1} ${entry.field} ${given}`, () => {
    if (field.kind === "Dropdown") {
      const checked = checkChoice(field, entry.valueKey);
      assert.equal(checked.refusal, entry.refusal || "");
      assert.equal(checked.message, entry.message || "");
      return;
    }
    const checked = checkEntry(field, textOf(entry.entry));
    assert.equal(checked.refusal, entry.refusal || "");
    assert.equal(checked.message, entry.message || "");
    if (!entry.refusal) assert.equal(checked.value, textOf(entry.stored));
    assert.equal(fieldRefusal(field, { value: textOf(entry.entry) }), entry.message || "");
  });
}
