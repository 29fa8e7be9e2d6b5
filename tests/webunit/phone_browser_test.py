#!/usr/bin/python3
"""A phone's browser fills in evaluations on the web unit and sends them; the PC imports them.

Headless Chromium on a phone-sized screen opens the address that "kestrivo-cli unit serve"
prints, fills in two evaluations of the demo template (the second with the network cut, so it
is saved and kept on the phone while no PC answers), sends both once the network is back, and
then "unit add --all" imports both and "evaluation show" shows every answer as entered. Served
over HTTPS, the page then opens again without the network.

Usage: phone_browser_test.py KESTRIVO_CLI [SCREENSHOT_FOLDER]
Runs inside a private KESTRIVO_HOME and KESTRIVO_SETTINGS (cmake/run-isolated.sh).
"""
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions
from selenium.webdriver.support.ui import Select, WebDriverWait

CLI = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 else None
TEMPLATE = "Demo Site Inspection.evt"
SERVERS = []


def cli(*arguments):
    done = subprocess.run([CLI, "--yes", *arguments], capture_output=True, text=True, timeout=120)
    if done.returncode != 0:
        sys.exit(f"kestrivo-cli {' '.join(arguments)} failed:\n{done.stdout}{done.stderr}")
    return done.stdout


def start_server(*options):
    server = subprocess.Popen([CLI, "unit", "serve", "--listen", "127.0.0.1:0", *options], stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True)
    SERVERS.append(server)
    deadline = time.time() + 60
    while time.time() < deadline:
        line = server.stdout.readline()
        if not line:
            break
        if line.startswith("http"):
            return server, line.strip()
    server.kill()
    sys.exit("unit serve printed no address")


def browser(profile, *more):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in [*more, "--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--disable-dev-shm-usage", f"--user-data-dir={profile}", "--window-size=412,915"]:
        options.add_argument(argument)
    options.add_experimental_option("mobileEmulation", {
        "deviceMetrics": {"width": 412, "height": 915, "pixelRatio": 2.0, "touch": True},
        "userAgent": "Mozilla/5.0 (Linux; Android 13; Pixel 7) AppleWebKit/537.36 (KHTML, like Gecko) "
                     "Chrome/120.0 Mobile Safari/537.36"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


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


def main():
    cli("demo")
    cli("unit", "add", "--all")
    server, address = start_server()
    check("#token=" in address, f"the address {address} carries no pairing token")
    first_answers = {"Entrance clean and clear?": ("4", None, False, ["Needs follow-up", "Photo taken"]),
                     "Floors free of clutter?": (None, "Mostly", False, []),
                     "Fire exits unobstructed?": ("5", None, True, [])}
    second_answers = {"Entrance clean and clear?": ("1", None, True, ["Reported to manager"]),
                      "Lighting working?": ("2", None, False, ["Fixed on the spot"])}
    with tempfile.TemporaryDirectory() as profile:
        driver = browser(profile)
        try:
            phone = Phone(driver)
            driver.get(address)
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
            driver.set_network_conditions(offline=True, latency=0, download_throughput=0, upload_throughput=0)
            fill(phone, "South Depot", "12/31/23", "Bé Ørsted", "12", None, "", second_answers)
            phone.save()
            phone.tap(phone.by_id("send"))
            phone.wait.until(lambda d: "No connection to the PC" in d.find_element(By.ID, "sendResult").text)
            check(len(driver.find_elements(By.CSS_SELECTOR, "#waiting > li")) == 2, "two evaluations wait")
            phone.shot("3-offline")

            driver.delete_network_conditions()
            phone.tap(phone.by_id("send"))
            phone.wait.until(lambda d: d.find_element(By.ID, "sendResult").text.startswith("2 arrived on the PC."))
            arrived = [item.find_element(By.CLASS_NAME, "name").text
                       for item in driver.find_elements(By.CSS_SELECTOR, "#sent > li")]
            check(sorted(arrived) == ["North Depot050624.txt", "South Depot123123.txt"], f"arrived: {arrived}")
            phone.shot("4-sent")
        finally:
            driver.quit()
    server.send_signal(signal.SIGINT)
    output, _ = server.communicate(timeout=30)
    check("Stopped: 1 phones seen, 2 files received." in output, f"server output:\n{output}")

    listed = cli("unit", "list").split()
    added = cli("unit", "add", "--all")
    check("Added North Depot050624.txt" in added and "Added South Depot123123.txt" in added, added)
    check(cli("unit", "list").strip() == "", "the unit is empty after Add")
    keys = {}
    for line in cli("evaluation", "list").splitlines():
        for name in ("North Depot050624", "South Depot123123"):
            if line.startswith(name + "\t") or line.startswith(name + " "):
                keys[name] = line.rsplit("\t", 1)[1]
    check(len(keys) == 2, f"both evaluations in the database: {keys} (unit listed {listed})")

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
    works_offline_over_https()
    print("1 passed, 0 failed")


def works_offline_over_https():
    """Served over HTTPS, the page keeps its own files: reloaded without the network, it opens."""
    with tempfile.TemporaryDirectory() as folder:
        certificate, key = os.path.join(folder, "unit.crt"), os.path.join(folder, "unit.key")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                        "/CN=localhost", "-keyout", key, "-out", certificate], check=True, capture_output=True)
        server, address = start_server("--certificate", certificate, "--key", key)
        check(address.startswith("https://127.0.0.1:"), address)
        driver = browser(os.path.join(folder, "profile"), "--ignore-certificate-errors")
        try:
            phone = Phone(driver)
            driver.get(address)
            phone.wait.until(lambda d: d.execute_async_script(
                "const done = arguments[0]; navigator.serviceWorker.getRegistration()"
                ".then((r) => done(!!(r && r.active && r.active.state === 'activated')))"))
            driver.refresh()
            phone.wait.until(lambda d: d.execute_script("return !!navigator.serviceWorker.controller"))
            # A template opened once is kept on the phone.
            phone.open_template()
            phone.tap(phone.by_id("cancel"))
            driver.switch_to.alert.accept()
            driver.set_network_conditions(offline=True, latency=0, download_throughput=0, upload_throughput=0)
            driver.refresh()
            phone.wait.until(lambda d: d.find_element(By.ID, "connection").text == "Offline: evaluations are kept")
            check([b.get_attribute("data-file") for b in driver.find_elements(By.CSS_SELECTOR, "button.template")]
                  == [TEMPLATE], "the templates are listed offline")
            phone.open_template()
            phone.shot("5-https-offline")
        finally:
            driver.quit()
            server.send_signal(signal.SIGINT)
            server.communicate(timeout=30)


if __name__ == "__main__":
    try:
        main()
    finally:
        # No server of this test outlives it, whatever failed.
        for started in SERVERS:
            if started.poll() is None:
                started.kill()
