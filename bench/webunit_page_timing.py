#!/usr/bin/python3
"""Times the web unit's page in headless Chromium on a phone-sized screen, for bench_webunit.

Usage: webunit_page_timing.py ADDRESS TEMPLATE_FILE AUTHORITY_CERTIFICATE
Chromium trusts the authority's certificate as a phone does once it is installed, and nothing
else. Prints "list MS" (from the start of the navigation to the template list on the screen) and
"form MS" (from the tap on the template to the form ready to fill in), as the page marks them.
"""
import os
import sys
import tempfile

from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "testsupport"))
from phone_chromium import phone_chromium, trust_authority  # noqa: E402

address, template, authority = sys.argv[1], sys.argv[2], sys.argv[3]
with tempfile.TemporaryDirectory() as home:
    trust_authority(home, authority)
    driver = phone_chromium(home)
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
