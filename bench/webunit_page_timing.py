#!/usr/bin/python3
"""Times the web unit's page in headless Chromium on a phone-sized screen, for bench_webunit.

Usage: webunit_page_timing.py ADDRESS TEMPLATE_FILE
Prints "list MS" (from the start of the navigation to the template list on the screen) and
"form MS" (from the tap on the template to the form ready to fill in), as the page marks them.
"""
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

address, template = sys.argv[1], sys.argv[2]
with tempfile.TemporaryDirectory() as profile:
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--disable-dev-shm-usage", f"--user-data-dir={profile}", "--window-size=412,915"]:
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        wait = WebDriverWait(driver, 30)
        driver.get(address)
        mark = "return (performance.getEntriesByName(arguments[0])[0] || {}).startTime"
        wait.until(lambda d: d.execute_script(mark, "templates-shown") is not None)
        print("list %.0f" % driver.execute_script(mark, "templates-shown"), flush=True)
        button = driver.find_element(By.CSS_SELECTOR, f"button.template[data-file='{template}']")
        driver.execute_script("performance.clearMarks('form-ready'); arguments[0].click()", button)
        wait.until(lambda d: d.execute_script(mark, "form-ready") is not None)
        print("form %.0f" % driver.execute_script(
            "return performance.getEntriesByName('form-ready')[0].startTime - "
            "performance.getEntriesByName('template-opened').pop().startTime"), flush=True)
    finally:
        driver.quit()
