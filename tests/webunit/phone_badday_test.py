#!/usr/bin/python3
"""The phone page on a bad day, in headless Chromium on a phone-sized screen.

A form in progress survives a killed tab, the Back button and a closed page; entries are checked
as the PC checks them and nothing is cut; an evaluation refused because the template changed on
the PC (a forced field added, a dropdown value deleted, the template imported again with new keys)
is fitted to it through Change and then arrives; the header tells the link as the last request
found it; Send stays in view with fifty evaluations waiting.

Usage: phone_badday_test.py KESTRIVO_CLI [SCREENSHOT_FOLDER]
Runs inside a private KESTRIVO_HOME and KESTRIVO_SETTINGS (cmake/run-isolated.sh).
"""
import json
import os
import signal
import sqlite3
import sys
import tempfile
import time
import traceback

# The first test is imported from the source tree, which stays free of compiled copies.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import phone_browser_test as base  # noqa: E402  (the phone and the server of the first test)
from phone_chromium import phone_chromium, set_offline  # noqa: E402
from selenium.common.exceptions import NoAlertPresentException  # noqa: E402
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.support.ui import Select  # noqa: E402


def check(condition, message):
    """The first test's check, with the line that failed: this test walks through many steps."""
    if not condition:
        traceback.print_stack(limit=3)
        sys.exit("FAILED: " + message)


TEMPLATE = base.TEMPLATE
NAME = TEMPLATE[:-len(".evt")]
NOT_PAIRED = ("This phone is not paired with the PC: open the address that Kestrivo shows, with its pairing token, "
              "or scan its QR code.")
LEAVE = "Leave this evaluation? What you entered stays on this phone: continue it from the list."


class Page(base.Phone):
    def __init__(self, driver, address):
        super().__init__(driver)
        self.address = address

    def text(self, element_id):
        return self.driver.find_element(By.ID, element_id).text

    def value(self, label):
        return self.field(label).get_attribute("value")

    def message(self, label):
        key = self.field(label).get_attribute("id").split("-")[1]
        return self.text(f"message-{key}")

    def erase(self, label):
        """Deletes an entry as a thumb does (the driver's clear() tells the page nothing)."""
        box = self.field(label)
        box.send_keys(Keys.CONTROL, "a")
        box.send_keys(Keys.BACKSPACE)

    def leave(self):
        """Moves on from a field (which has the focus) as a thumb does: by tapping the form's title."""
        self.tap(self.driver.find_element(By.ID, "formTitle"))

    def alert_text(self, accept=True):
        self.wait.until(lambda d: self.has_alert())
        alert = self.driver.switch_to.alert
        text = alert.text
        alert.accept() if accept else alert.dismiss()
        return text

    def has_alert(self):
        try:
            self.driver.switch_to.alert
            return True
        except NoAlertPresentException:
            return False

    def waiting(self):
        return [item.find_element(By.CLASS_NAME, "name").text
                for item in self.driver.find_elements(By.CSS_SELECTOR, "#waiting > li")]

    def item(self, name):
        return self.driver.find_element(By.XPATH, f"//ul[@id='waiting']/li[div[@class='name'][text()='{name}']]")

    def press(self, name, caption):
        self.tap(self.item(name).find_element(By.XPATH, f".//button[text()='{caption}']"))

    def on_home(self):
        self.wait.until(lambda d: d.find_element(By.ID, "home").is_displayed())

    def on_form(self):
        self.wait.until(lambda d: d.find_element(By.ID, "form").is_displayed())

    def send(self, result_start):
        self.tap(self.by_id("send"))
        self.wait.until(lambda d: not d.find_element(By.ID, "sendResult").text.startswith("Sending"))
        result = self.text("sendResult")
        check(result.startswith(result_start), f"Send: {result}")
        return result

    def in_view(self, element_id):
        return self.driver.execute_script(
            "const r = document.getElementById(arguments[0]).getBoundingClientRect();"
            "return r.top >= 0 && r.bottom <= window.innerHeight && r.height > 0", element_id)


def database():
    """The program's SQLite catalog, as kestrivo-cli settings names it."""
    for line in base.cli("settings").splitlines():
        if line.startswith("DataSource="):
            return line.split("=", 1)[1]
    sys.exit("no SQLite catalog in kestrivo-cli settings")


def fill_minimum(page, site, inspector, weather=None):
    page.open_template()
    Select(page.field("Site")).select_by_visible_text(site)
    page.type_into("Inspector", inspector)
    if weather:
        Select(page.field("Weather")).select_by_visible_text(weather)


def children(pid):
    found = []
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/stat") as stat:
                if int(stat.read().rsplit(")", 1)[1].split()[1]) == pid:
                    found.append(int(entry))
        except (OSError, IndexError, ValueError):
            pass
    return found


def killed_and_started_again(page, profile):
    """Kills the browser that this test started (the children of its driver) at once, as a phone
    that needs the memory does, and starts it again on the same profile."""
    for browser_pid in children(page.driver.service.process.pid):
        os.kill(browser_pid, signal.SIGKILL)
    try:
        page.driver.quit()
    except Exception:
        pass
    page.driver = phone_chromium(profile)
    page.wait = base.WebDriverWait(page.driver, 30)
    return page.driver


def drafts_lose_nothing(driver, page, profile):
    """Fault 3: a killed tab, Back and a closed page lose nothing; leaving asks first."""
    driver.get(page.address)
    fill_minimum(page, "North Depot", "Ann Smith")
    page.type_into("Staff on duty", "12")
    page.tap(page.by_id("tabEvaluation"))
    page.answer("Entrance clean and clear?", "4", None, True, ["Photo taken"])

    # The phone kills the browser: no unload event, nothing flushed. The worker opens the page again.
    # (Only once the last tap is written: a write takes a few milliseconds, which no page can avoid.)
    page.wait.until(lambda d: d.execute_async_script("""
        const done = arguments[arguments.length - 1];
        import('./store.js').then((store) => store.all('drafts')).then((drafts) =>
          done(drafts.length === 1 && drafts[0].evaluation.questions[Object.keys(drafts[0].evaluation.questions)[0]]
                                     .ticked.length === 1));"""))
    driver = killed_and_started_again(page, profile)
    driver.get(page.address)
    page.on_form()
    check(page.value("Inspector") == "Ann Smith" and page.value("Staff on duty") == "12",
          "the form is back after a killed tab")
    page.tap(page.by_id("tabEvaluation"))
    card = page.question("Entrance clean and clear?")
    check(card.find_element(By.XPATH, ".//button[text()='4']").get_attribute("aria-pressed") == "true",
          "the answer is back")
    check(card.find_element(By.XPATH, ".//label[contains(., 'Photo taken')]/input").is_selected(), "the tick is back")
    page.shot("badday-1-restored")

    # Back asks first; staying keeps the form.
    driver.back()
    check(page.alert_text(accept=False) == LEAVE, "Back asks before leaving an edited form")
    page.on_form()
    driver.back()
    check(page.alert_text() == LEAVE, "Back asks again")
    page.on_home()
    check(page.waiting() == ["North Depot" + time.strftime("%m%d%y")], f"the draft is listed: {page.waiting()}")
    detail = page.item(page.waiting()[0]).find_element(By.CLASS_NAME, "detail").text
    check("not saved yet" in detail, detail)
    page.shot("badday-2-draft-listed")

    # Continued and changed, then the page is closed and opened again in a new tab.
    page.press(page.waiting()[0], "Continue")
    page.on_form()
    check(page.by_id("entryPage").get_attribute("hidden") is not None, "the draft opens on the page it was left on")
    page.tap(page.by_id("tabEntry"))
    page.type_into("Signed off by", "Lead")
    first = driver.current_window_handle
    driver.switch_to.new_window("tab")
    second = driver.current_window_handle
    driver.switch_to.window(first)
    driver.close()
    driver.switch_to.window(second)
    driver.get(page.address)
    page.on_form()
    check(page.value("Signed off by") == "Lead" and page.value("Inspector") == "Ann Smith",
          "the form is back after the page was closed")

    # Closing or reloading an edited form asks first: the page asks the browser for its own question
    # (which the driver answers by itself, so the request is what is seen here).
    asks = ("const event = new Event('beforeunload', {cancelable: true}); window.dispatchEvent(event);"
            "return event.defaultPrevented")
    check(driver.execute_script(asks), "leaving the page asks first")

    # Cancel of a new evaluation discards it, after the question the PC asks.
    page.tap(page.by_id("cancel"))
    check(page.alert_text() == "Are you sure you want to cancel this evaluation?", "cancel of a new evaluation")
    page.on_home()
    check(page.waiting() == [], "a cancelled draft is gone")
    check(not driver.execute_script(asks), "nothing to ask about without a form")
    return driver


def entries_as_on_the_pc(driver, page):
    """Faults 4 to 7, 13 and 16: the PC's rules, nothing cut, numbers start empty."""
    driver.get(page.address)
    fill_minimum(page, "South Depot", "x")
    check(page.value("Staff on duty") == "", "a numeric field starts empty")
    page.type_into("Staff on duty", "1000")
    check(page.value("Staff on duty") == "1000", "nothing is cut")
    check(page.message("Staff on duty") ==
          'The entry of the field "Staff on duty" has 4 characters; the field holds at most 3.', "too many digits")
    page.type_into("Staff on duty", "5.55")
    check("has 4 characters" in page.message("Staff on duty"), "5.55 is refused in a field of 3")
    page.type_into("Staff on duty", "5.5")
    check(page.message("Staff on duty") == "", "5.5 fits")
    page.type_into("Inspector", "A" * 40)
    check(page.value("Inspector") == "A" * 40, "a long name is not cut")
    check(page.message("Inspector") == 'The entry of the field "Inspector" has 40 characters; the field holds at most 20.',
          page.message("Inspector"))
    page.type_into("Inspector", "   ")
    page.leave()
    check(page.message("Inspector") == "Entry manditory into the Inspector field.", "spaces alone are no entry")
    page.type_into("Inspector", "  Bo Lind  ")
    page.leave()
    check(page.value("Inspector") == "Bo Lind" and page.message("Inspector") == "", "the entry is trimmed")

    # The file name follows the date as typed, also an invalid one.
    page.type_into("Inspected", "13/45/24")
    page.leave()
    check(page.message("Inspected") == "Invalid date entered.", "an invalid date is refused")
    check(page.text("fileName") == "South Depot134524", f"file name after an invalid date: {page.text('fileName')}")
    page.type_into("Inspected", "05/07/24")
    check(page.text("fileName") == "South Depot050724", page.text("fileName"))

    # A double tap leaves the answer chosen.
    page.tap(page.by_id("tabEvaluation"))
    chip = page.question("Lighting working?").find_element(By.XPATH, ".//button[text()='3']")
    page.driver.execute_script("arguments[0].scrollIntoView({block: 'center'})", chip)
    ActionChains(driver).double_click(chip).perform()
    check(chip.get_attribute("aria-pressed") == "true", "a double tap keeps the answer")
    page.shot("badday-3-entries")
    page.tap(page.by_id("tabEntry"))
    page.erase("Staff on duty")
    page.save()
    check(page.send("1 arrived on the PC.") == "1 arrived on the PC.", "sent")

    # On the PC: the entry as kept, and no number for a number left alone.
    check("Added South Depot050724.txt" in base.cli("unit", "add", "--all"), "imported")
    key = next(line.rsplit("\t", 1)[1] for line in base.cli("evaluation", "list").splitlines()
               if line.startswith("South Depot050724"))
    # As stored: the PC's evaluation window shows an empty number as the 0 that a new one starts with.
    with sqlite3.connect(database()) as db:
        stored = dict(db.execute("SELECT FieldLabel, EnteredValue FROM EvaluationField INNER JOIN TemplateField ON "
                                 "EvaluationField.TemplateFieldKey = TemplateField.TemplateFieldKey "
                                 "WHERE EvaluationKey=?", (key,)).fetchall())
    check(stored["Inspector"] == "Bo Lind" and stored["Staff on duty"] == "", f"on the PC: {stored}")


def change_template(catalog, add_shift=False, delete=None):
    """The template changed on the PC and uploaded again, as the template window would."""
    with sqlite3.connect(catalog) as db:
        key = db.execute("SELECT TemplateKey FROM Template WHERE Name=?", (NAME,)).fetchone()[0]
        if add_shift:
            field = db.execute("INSERT INTO TemplateField (TemplateKey, Sequence, FieldLabel, FieldType, FieldLength, "
                               "ForceEntry) VALUES (?, 3, 'Shift', 2, 20, -1) RETURNING TemplateFieldKey",
                               (key,)).fetchone()[0]
            for value in ("Day", "Night"):
                db.execute("INSERT INTO TemplateFieldValue (TemplateFieldKey, FieldValue) VALUES (?, ?)", (field, value))
        if delete:
            db.execute("UPDATE TemplateFieldValue SET Deleted=-1 WHERE FieldValue=?", (delete,))
    base.cli("upload", str(key))


def deleted_value(driver, page, catalog):
    """Fault 8: a value deleted on the PC: the refusal points to its field, which no longer offers it."""
    driver.get(page.address)
    fill_minimum(page, "North Depot", "Al", "Wind")
    page.save()
    name = page.waiting()[-1]
    change_template(catalog, delete="Wind")
    result = page.send("0 arrived on the PC.")
    check("1 refused" in result, result)
    page.press(name, "Change")
    page.on_form()
    weather = page.field("Weather")
    check(driver.switch_to.active_element == weather, "Change points to the field of the deleted value")
    check("Wind" not in [o.text for o in Select(weather).options], "the deleted value is not offered")
    note = weather.find_element(By.XPATH, "following-sibling::div[@class='fieldNote']").text
    check(note == '"Wind" is no longer offered for Weather: choose another.', note)
    Select(weather).select_by_visible_text("Dry")
    page.save()
    check(page.send("1 arrived on the PC.") == "1 arrived on the PC.", "sent after the change")


def template_changed(driver, page, catalog):
    """Faults 1, 2 and 8: refused because the template changed, fitted through Change, then sent."""
    driver.get(page.address)
    fill_minimum(page, "North Depot", "Cy", "Rain")
    page.save()
    first = page.waiting()[-1]
    fill_minimum(page, "East Depot", "Di", "Dry")
    page.save()
    second = page.waiting()[-1]
    change_template(catalog, add_shift=True, delete="Rain")

    result = page.send("0 arrived on the PC.")
    check("2 refused" in result, result)
    refusal = page.item(first).find_element(By.CLASS_NAME, "refused").text
    check("press Change to fit this evaluation to it" in refusal, refusal)
    page.shot("badday-4-refused")

    page.press(first, "Change")
    page.on_form()
    check("fitted to it" in page.text("formMessage"), page.text("formMessage"))
    check(page.message("Shift") == "Entry manditory into the Shift field.", f"points to Shift: {page.message('Shift')}")
    weather = [o.text for o in Select(page.field("Weather")).options]
    check("Rain" not in weather, f"the deleted value is not offered: {weather}")
    check(page.value("Inspector") == "Cy", "entries carried over")
    page.shot("badday-5-fitted")
    Select(page.field("Shift")).select_by_visible_text("Night")
    Select(page.field("Weather")).select_by_visible_text("Snow")
    page.save()
    result = page.send("1 arrived on the PC.")
    check("1 refused" in result, f"the fitted one arrives, the other is refused again: {result}")

    # Imported again under the same name: new keys, the same labels.
    exported = os.path.join(tempfile.mkdtemp(), "t.json")
    base.cli("template", "export", NAME, "--out", exported)
    with open(exported, encoding="utf-8") as file:
        document = json.load(file)
    document["fields"] = [f for f in document["fields"] if f["label"] != "Signed off by"]
    with open(exported, "w", encoding="utf-8") as file:
        json.dump(document, file)
    key = base.cli("template", "import", exported).strip().splitlines()[-1]
    base.cli("upload", key)

    page.press(second, "Change")
    page.on_form()
    check(page.message("Shift") == "Entry manditory into the Shift field.", page.message("Shift"))
    check(Select(page.field("Weather")).first_selected_option.text == "Dry", "carried over by label")
    Select(page.field("Shift")).select_by_visible_text("Day")
    page.save()
    result = page.send("1 arrived on the PC.")
    check(result == "1 arrived on the PC.", f"the fitted evaluation arrives: {result}")

    added = base.cli("unit", "add", "--all")
    check(added.count("Added ") >= 2, added)
    shown = base.cli("evaluation", "list")
    check("North Depot" in shown and "East Depot" in shown, shown)


def fifty_waiting(driver, page):
    """Faults 14 and 15: Send in view with fifty waiting; Cancel of a saved one keeps it."""
    driver.get(page.address)
    fill_minimum(page, "South Depot", "Ed")
    if driver.find_elements(By.XPATH, "//div[@id='fields']//label[text()='Shift']"):
        Select(page.field("Shift")).select_by_visible_text("Day")
    page.save()
    name = page.waiting()[-1]
    driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        import('./store.js').then(async (store) => {
          const [one] = (await store.all('evaluations')).filter((e) => e.state === 'waiting');
          for (let i = 0; i < 49; ++i)
            await store.put('evaluations', {...one, id: 'copy-' + i + '-' + one.id,
                                            fileName: one.fileName + '-' + i});
          done();
        });""")
    driver.refresh()
    page.on_home()
    page.wait.until(lambda d: len(page.waiting()) == 50)
    check(page.in_view("send"), "Send is in view at the top")
    driver.execute_script("window.scrollTo(0, document.body.scrollHeight / 2)")
    check(page.in_view("send"), "Send is in view half way down")
    page.shot("badday-6-fifty")

    page.press(name, "Change")
    page.on_form()
    page.type_into("Inspector", "Changed")
    page.tap(page.by_id("cancel"))
    text = page.alert_text()
    check(text == f"Leave without saving your changes? The saved version of {name} is kept and still waits to be sent.",
          text)
    page.on_home()
    check(len(page.waiting()) == 50, "the saved evaluation is still there")

    driver.execute_script("window.scrollTo(0, 0)")
    page.tap(page.by_id("send"))
    page.wait.until(lambda d: d.find_element(By.ID, "sendResult").text.startswith("50 arrived"))
    check(page.in_view("sendResult"), "the result of Send is in view")


def the_link(profile):
    """Faults 9 to 12: pairing and connection as the last request found them."""
    server = base.Served("--http")
    address = server.address
    bare = address.split("#", 1)[0]
    driver = phone_chromium(profile)
    try:
        page = Page(driver, address)
        driver.get(bare)
        page.wait.until(lambda d: page.text("connection") == "Not paired with the PC")
        check(page.text("notice") == NOT_PAIRED, page.text("notice"))
        listed = driver.find_element(By.ID, "templates").text
        check("No templates on the unit" not in listed and "Offline" not in driver.find_element(By.TAG_NAME, "body").text,
              f"one story without the token: {listed}")
        page.shot("badday-7-unpaired")

        # The pairing address opened in the same tab: only the fragment changes, no reload.
        driver.execute_script("window.loadedOnce = true")
        driver.get(address)
        page.wait.until(lambda d: page.text("connection") == "Connected to the PC")
        check(driver.execute_script("return window.loadedOnce === true"), "no reload")
        check(not driver.find_element(By.ID, "notice").is_displayed(), "the pairing notice is gone")

        # Offline, a template never opened on this phone says what to do.
        set_offline(driver, True)
        page.tap(driver.find_element(By.CSS_SELECTOR, f"button.template[data-file='{TEMPLATE}']"))
        page.wait.until(lambda d: "has not been opened on this phone yet" in page.text("notice"))
        check("press Send again" not in page.text("notice"), page.text("notice"))
        set_offline(driver, False)
        page.wait.until(lambda d: not d.find_element(By.ID, "notice").is_displayed())

        # The server stops: the header says so within a few checks; back when it is back.
        page.wait.until(lambda d: page.text("connection") == "Connected to the PC")
        server.stop()
        stopped = time.time()
        page.wait.until(lambda d: page.text("connection") == "Offline: evaluations are kept")
        check(time.time() - stopped < 12, f"offline noticed after {time.time() - stopped:.1f} s")
        page.shot("badday-8-server-stopped")
        server = base.Served("--http", listen=f"127.0.0.1:{server.port}")
        page.wait.until(lambda d: page.text("connection") == "Connected to the PC")
    finally:
        driver.quit()
        server.stop()


def main():
    base.cli("demo")
    base.cli("unit", "add", "--all")
    catalog = database()
    server = base.Served("--http")
    with tempfile.TemporaryDirectory() as folder:
        driver = phone_chromium(os.path.join(folder, "a"))
        try:
            page = Page(driver, server.address)
            driver = drafts_lose_nothing(driver, page, os.path.join(folder, "a"))
            entries_as_on_the_pc(driver, page)
            deleted_value(driver, page, catalog)
            template_changed(driver, page, catalog)
            fifty_waiting(driver, page)
        finally:
            page.driver.quit()
        server.stop()
        the_link(os.path.join(folder, "b"))
    print("1 passed, 0 failed")


if __name__ == "__main__":
    try:
        main()
    finally:
        for started in base.SERVERS:
            if started.poll() is None:
                started.kill()
