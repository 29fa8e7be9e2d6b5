#!/usr/bin/python3
"""A phone's browser fills in evaluations on the web unit and sends them; the PC imports them.

Over plain HTTP ("unit serve --http"), headless Chromium on a phone-sized screen opens the
address that "kestrivo-cli unit serve" prints, fills in two evaluations of the demo template
(the second with the network cut, so it is saved and kept on the phone while no PC answers),
sends both once the network is back, and then "unit add --all" imports both and "evaluation
show" shows every answer as entered.

Over HTTPS, the default, Chromium trusts the PC's certificate authority only because its NSS
database holds the certificate that "unit certificate" writes, as a phone does once its user
has installed it: a server whose certificate no installed authority vouches for gets Chromium's
warning. The page's service worker then controls it; with the network cut and the server
stopped, a reload shows the templates again, two evaluations are saved, and once the server is
back both arrive on the unit once each.

Usage: phone_browser_test.py KESTRIVO_CLI [SCREENSHOT_FOLDER]
Runs inside a private KESTRIVO_HOME and KESTRIVO_SETTINGS (cmake/run-isolated.sh).
"""
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile

from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions
from selenium.webdriver.support.ui import Select, WebDriverWait

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "testsupport"))
from phone_chromium import phone_chromium, set_offline, trust_authority  # noqa: E402

CLI = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 else None
TEMPLATE = "Demo Site Inspection.evt"
NO_CONNECTION = "No connection to the PC"
SERVERS = []


def cli(*arguments):
    done = subprocess.run([CLI, "--yes", *arguments], capture_output=True, text=True, timeout=120)
    if done.returncode != 0:
        sys.exit(f"kestrivo-cli {' '.join(arguments)} failed:\n{done.stdout}{done.stderr}")
    return done.stdout


class Served:
    """A running "kestrivo-cli unit serve" and the addresses it printed."""

    def __init__(self, *options, listen="127.0.0.1:0"):
        self.process = subprocess.Popen([CLI, "unit", "serve", "--listen", listen, *options], stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT, text=True)
        SERVERS.append(self.process)
        self.printed = []
        self.address = self.install = self.fingerprint = self.output = None
        while self.address is None:
            line = self.process.stdout.readline()
            if not line:
                self.process.kill()
                sys.exit("unit serve printed no address:\n" + "".join(self.printed))
            if self.printed and self.printed[-1].startswith("1. Once per phone"):
                self.install = line.strip()
            elif self.printed and self.printed[-1].startswith("and check that the certificate's SHA-256"):
                self.fingerprint = line.strip()
            elif line.startswith("http") and "#token=" in line:
                self.address = line.strip()
            self.printed.append(line)
        self.port = int(re.match(r"https?://127\.0\.0\.1:(\d+)/", self.address).group(1))

    def stop(self):
        """Ctrl+C; everything the server printed."""
        if self.output is None:
            self.process.send_signal(signal.SIGINT)
            self.output = "".join(self.printed) + self.process.communicate(timeout=30)[0]
        return self.output


def refused(port):
    with socket.socket() as probe:
        return probe.connect_ex(("127.0.0.1", port)) != 0


class Phone:
    def __init__(self, driver):
        self.driver = driver
        self.wait = WebDriverWait(driver, 30)

    def shot(self, name):
        if SHOTS:
            self.driver.save_screenshot(os.path.join(SHOTS, name + ".png"))

    def by_id(self, element_id):
        return self.wait.until(expected_conditions.presence_of_element_located((By.ID, element_id)))

    def tap(self, element):
        self.driver.execute_script("arguments[0].scrollIntoView({block: 'center'})", element)
        element.click()

    def field(self, label):
        label_element = self.driver.find_element(By.XPATH, f"//div[@id='fields']//label[text()='{label}']")
        return self.driver.find_element(By.ID, label_element.get_attribute("for"))

    def type_into(self, label, text):
        box = self.field(label)
        box.clear()
        box.send_keys(text)

    def question(self, text):
        return self.driver.find_element(By.XPATH, f"//div[@class='question'][h3[text()='{text}']]")

    def open_template(self):
        button = self.wait.until(expected_conditions.element_to_be_clickable(
            (By.CSS_SELECTOR, f"button.template[data-file='{TEMPLATE}']")))
        self.tap(button)
        self.wait.until(expected_conditions.visibility_of_element_located((By.ID, "fields")))

    def answer(self, question, answer=None, typed=None, tbc=False, ticks=()):
        card = self.question(question)
        if answer:
            self.tap(card.find_element(By.XPATH, f".//div[@class='answers']/button[text()='{answer}']"))
        if typed:
            box = card.find_element(By.CSS_SELECTOR, "input[type='text']")
            box.clear()
            box.send_keys(typed)
        if tbc:
            self.tap(card.find_element(By.XPATH, ".//label[contains(., 'TBC:')]/input"))
        for tick in ticks:
            self.tap(card.find_element(By.XPATH, f".//label[contains(., '{tick}')]/input"))

    def save(self):
        self.tap(self.by_id("save"))
        self.wait.until(lambda driver: driver.find_element(By.ID, "notice").text.startswith("Saved "))


def fill(phone, site, inspected, inspector, staff, weather, signed, answers):
    phone.open_template()
    Select(phone.field("Site")).select_by_visible_text(site)
    phone.type_into("Inspected", inspected)
    phone.type_into("Inspector", inspector)
    phone.type_into("Staff on duty", staff)
    if weather:
        Select(phone.field("Weather")).select_by_visible_text(weather)
    phone.type_into("Signed off by", signed)
    phone.tap(phone.by_id("tabEvaluation"))
    for question, (answer, typed, tbc, ticks) in answers.items():
        phone.answer(question, answer, typed, tbc, ticks)


def shown(cli_output):
    field_lines = cli_output.split("\nFields:\n", 1)[1].split("\nQuestions:\n", 1)[0]
    fields = dict(re.findall(r"^  ([^:\n]+): (.*)$", field_lines, re.M))
    questions = {}
    for text, answer, tbc, ticked in re.findall(
            r"^  \d+\. (.*)\n     Answer: (.*)\n     TBC: (Yes|No)\n     Ticked: (.*)$", cli_output, re.M):
        questions[text] = (answer, tbc == "Yes", [t for t in ticked.split(", ") if t])
    return fields, questions


def check(condition, message):
    if not condition:
        sys.exit("FAILED: " + message)


def send(phone, expected):
    phone.tap(phone.by_id("send"))
    phone.wait.until(lambda d: expected in d.find_element(By.ID, "sendResult").text)


def listed(driver, list_id):
    return sorted(item.find_element(By.CLASS_NAME, "name").text
                  for item in driver.find_elements(By.CSS_SELECTOR, f"#{list_id} > li"))


def main():
    cli("demo")
    cli("unit", "add", "--all")
    over_plain_http()
    over_https()
    print("1 passed, 0 failed")


def over_plain_http():
    server = Served("--http")
    check(server.address.startswith("http://127.0.0.1:") and "#token=" in server.address, server.address)
    check("Plain HTTP: the pairing token crosses the network in clear text, and the page cannot work offline after "
          "a reload.\n" in server.printed, "".join(server.printed))
    first_answers = {"Entrance clean and clear?": ("4", None, False, ["Needs follow-up", "Photo taken"]),
                     "Floors free of clutter?": (None, "Mostly", False, []),
                     "Fire exits unobstructed?": ("5", None, True, [])}
    second_answers = {"Entrance clean and clear?": ("1", None, True, ["Reported to manager"]),
                      "Lighting working?": ("2", None, False, ["Fixed on the spot"])}
    with tempfile.TemporaryDirectory() as home:
        driver = phone_chromium(home)
        try:
            phone = Phone(driver)
            driver.get(server.address)
            phone.wait.until(lambda d: d.find_element(By.ID, "offlineReady").text ==
                             "Cannot work offline: opened without HTTPS")
            phone.open_template()
            phone.shot("1-entry")
            # The same entry rules as the PC: the group is a forced entry, and a number must be one.
            phone.type_into("Staff on duty", "ten")
            phone.tap(phone.by_id("save"))
            phone.wait.until(lambda d: d.find_element(By.ID, "formMessage").text ==
                             "Entry manditory into the Site field.")
            check(driver.find_element(By.XPATH, "//input[@value='ten' or @id]/following-sibling::div"
                                                "[text()='Invalid entry, must be numeric.']") is not None,
                  "the number is refused where it was typed")
            phone.tap(phone.by_id("cancel"))
            driver.switch_to.alert.accept()

            fill(phone, "North Depot", "05/06/24", "Ann Smith", "7", "Rain", "Lead", first_answers)
            phone.shot("2-questions")
            phone.save()

            # The network is cut: the second evaluation is filled and saved on the phone alone.
            set_offline(driver, True)
            fill(phone, "South Depot", "12/31/23", "Bé Ørsted", "12", None, "", second_answers)
            phone.save()
            send(phone, NO_CONNECTION)
            check(len(listed(driver, "waiting")) == 2, "two evaluations wait")
            phone.shot("3-offline")

            set_offline(driver, False)
            send(phone, "2 arrived on the PC.")
            arrived = listed(driver, "sent")
            check(arrived == ["North Depot050624.txt", "South Depot123123.txt"], f"arrived: {arrived}")
            phone.shot("4-sent")
        finally:
            driver.quit()
    output = server.stop()
    check("Stopped: 1 phones seen, 2 files received." in output, f"server output:\n{output}")
    imported_as_entered()


def imported_as_entered():
    listed_on_unit = cli("unit", "list")
    added = cli("unit", "add", "--all")
    check("Added North Depot050624.txt" in added and "Added South Depot123123.txt" in added, added)
    check(cli("unit", "list").strip() == "", "the unit is empty after Add")
    keys = {}
    for line in cli("evaluation", "list").splitlines():
        for name in ("North Depot050624", "South Depot123123"):
            if line.startswith(name + "\t") or line.startswith(name + " "):
                keys[name] = line.rsplit("\t", 1)[1]
    check(len(keys) == 2, f"both evaluations in the database: {keys} (unit listed {listed_on_unit})")

    fields, questions = shown(cli("evaluation", "show", keys["North Depot050624"]))
    check(fields == {"Site": "North Depot", "Inspected": "05/06/24", "Inspector": "Ann Smith", "Staff on duty": "7",
                     "Weather": "Rain", "Signed off by": "Lead"}, f"fields: {fields}")
    check(questions["Entrance clean and clear?"] == ("4", False, ["Needs follow-up", "Photo taken"]), str(questions))
    check(questions["Floors free of clutter?"] == ("Mostly", False, []), str(questions))
    check(questions["Fire exits unobstructed?"] == ("5", True, []), str(questions))
    check(questions["Washrooms clean?"] == ("", False, []), str(questions))

    fields, questions = shown(cli("evaluation", "show", keys["South Depot123123"]))
    check(fields == {"Site": "South Depot", "Inspected": "12/31/23", "Inspector": "Bé Ørsted",
                     "Staff on duty": "12", "Weather": "", "Signed off by": ""}, f"fields: {fields}")
    check(questions["Entrance clean and clear?"] == ("1", True, ["Reported to manager"]), str(questions))
    check(questions["Lighting working?"] == ("2", False, ["Fixed on the spot"]), str(questions))


def stranger_is_refused(phone, home):
    """A server whose certificate no installed authority vouches for gets Chromium's warning, not
    the page: the trust below comes from the installed certificate alone."""
    certificate, key = os.path.join(home, "stranger.crt"), os.path.join(home, "stranger.key")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                    "-days", "1", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", key,
                    "-out", certificate], check=True, capture_output=True)
    stranger = Served("--certificate", certificate, "--key", key)
    try:
        phone.driver.get(stranger.address)
        phone.wait.until(lambda d: d.execute_script("return document.readyState") == "complete")
        check("ERR_CERT_AUTHORITY_INVALID" in phone.driver.page_source and
              not phone.driver.find_elements(By.ID, "templates"), f"a stranger's certificate: {phone.driver.title}")
    finally:
        stranger.stop()


def over_https():
    answers = {"Entrance clean and clear?": ("3", None, False, ["Photo taken"]),
               "Lighting working?": (None, "One lamp out", True, [])}
    with tempfile.TemporaryDirectory() as home:
        authority = os.path.join(home, "kestrivo-ca.crt")
        written = cli("unit", "certificate", "--out", authority)
        trust_authority(home, authority)
        server = Served()
        check(server.address.startswith("https://127.0.0.1:"), server.address)
        check(server.install.startswith("http://127.0.0.1:"), f"installation page: {server.install}")
        check(server.fingerprint and f"SHA-256 fingerprint: {server.fingerprint}\n" in written,
              f"the fingerprint to compare: {server.fingerprint} / {written}")
        driver = phone_chromium(home)
        try:
            phone = Phone(driver)
            stranger_is_refused(phone, home)
            driver.get(server.address)
            phone.wait.until(lambda d: d.execute_script("return !!navigator.serviceWorker.controller"))
            phone.wait.until(lambda d: d.find_element(By.ID, "offlineReady").text == "Ready to work offline")
            phone.shot("5-https-ready")
            # A template opened once is kept on the phone.
            phone.open_template()
            phone.tap(phone.by_id("cancel"))
            driver.switch_to.alert.accept()

            # Cut off, and with no server left to answer, whatever the reload shows comes from the
            # phone itself.
            set_offline(driver, True)
            port = server.port
            server.stop()
            check(refused(port), "the server still answers")
            driver.execute_script("window.beforeReload = true")
            driver.refresh()
            phone.wait.until(lambda d: d.execute_script("return window.beforeReload === undefined && "
                                                        "!!document.getElementById('templates')"))
            phone.wait.until(lambda d: d.find_element(By.ID, "connection").text == "Offline: evaluations are kept")
            check([b.get_attribute("data-file") for b in driver.find_elements(By.CSS_SELECTOR, "button.template")]
                  == [TEMPLATE], "the templates are listed offline")
            check(driver.find_element(By.ID, "offlineReady").text == "Ready to work offline", "still offline-ready")
            check(driver.execute_script("return performance.getEntriesByType('navigation')[0].workerStart > 0"),
                  "the page's worker answered the reload")
            phone.shot("6-https-reloaded-offline")

            fill(phone, "North Depot", "07/08/24", "Cy Park", "3", "Rain", "", answers)
            phone.shot("7-https-filled-offline")
            phone.save()
            fill(phone, "South Depot", "07/09/24", "Cy Park", "4", None, "", answers)
            phone.save()
            send(phone, NO_CONNECTION)
            check(listed(driver, "waiting") == ["North Depot070824", "South Depot070924"],
                  f"waiting: {listed(driver, 'waiting')}")

            # The PC is back where the phone knows it.
            server = Served("--install-port", "0", listen=f"127.0.0.1:{port}")
            set_offline(driver, False)
            send(phone, "2 arrived on the PC.")
            arrived = ["North Depot070824.txt", "South Depot070924.txt"]
            check(listed(driver, "sent") == arrived and listed(driver, "waiting") == [], "both arrived")
            phone.shot("8-https-sent")
        finally:
            driver.quit()
            output = server.stop()
    check("Stopped: 1 phones seen, 2 files received." in output, f"server output:\n{output}")
    for name in arrived:
        check(output.count(f"Received {name} ") == 1, f"{name} once:\n{output}")
    check(sorted(cli("unit", "list").splitlines()) == arrived, "each on the unit once: " + cli("unit", "list"))


if __name__ == "__main__":
    try:
        main()
    finally:
        # No server of this test outlives it, whatever failed.
        for started in SERVERS:
            if started.poll() is None:
                started.kill()
