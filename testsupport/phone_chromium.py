"""Debian's headless Chromium as a phone for the web unit's browser test and benchmark.

A phone-sized screen, and a HOME of its own: its NSS database trusts this PC's certificate
authority when told to, the way a phone does once its user has installed the certificate, and
nothing else of the machine's. Chromium never runs with a switch that lets a certificate through
that nobody vouches for: phone_chromium() refuses to hand out a browser that has one.
"""
import os
import subprocess

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

WIDTH, HEIGHT = 390, 844
# Switches with which Chromium would take a certificate that no installed authority vouches for.
BYPASSES = ("--ignore-certificate-errors", "--ignore-certificate-errors-spki-list", "--allow-insecure-localhost",
            "--ignore-urlfetcher-cert-requests")


def trust_authority(home, certificate_file):
    """Installs the certificate as a trusted authority for web sites in HOME's NSS database."""
    database = "sql:" + os.path.join(home, ".pki", "nssdb")
    os.makedirs(os.path.join(home, ".pki", "nssdb"), exist_ok=True)
    for command in (["certutil", "-d", database, "-N", "--empty-password"],
                    ["certutil", "-d", database, "-A", "-t", "C,,", "-n", "Kestrivo", "-i", certificate_file]):
        done = subprocess.run(command, capture_output=True, text=True, timeout=60)
        if done.returncode != 0:
            raise RuntimeError(f"{' '.join(command)} failed: {done.stdout}{done.stderr}")


def browser_command_line(driver):
    """The switches of the browser process that chromedriver started (not those of its helpers)."""
    driver_pid = str(driver.service.process.pid)
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/stat") as stat:
                parent = stat.read().rsplit(")", 1)[1].split()[1]
            with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
                arguments = [a.decode() for a in cmdline.read().split(b"\0") if a]
        except (OSError, IndexError):
            continue
        if parent == driver_pid and arguments and os.path.basename(arguments[0]) == "chromium":
            return arguments
    raise RuntimeError("the browser process of chromedriver was not found")


def phone_chromium(home, *switches):
    """Chromium on a phone-sized screen with HOME (and its NSS database) and a profile in home."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    options.accept_insecure_certs = False
    for argument in [*switches, "--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--disable-dev-shm-usage", f"--user-data-dir={os.path.join(home, 'profile')}",
                     f"--window-size={WIDTH},{HEIGHT}"]:
        options.add_argument(argument)
    options.add_experimental_option("mobileEmulation", {
        "deviceMetrics": {"width": WIDTH, "height": HEIGHT, "pixelRatio": 3.0, "touch": True},
        "userAgent": "Mozilla/5.0 (Linux; Android 13; Pixel 7) AppleWebKit/537.36 (KHTML, like Gecko) "
                     "Chrome/120.0 Mobile Safari/537.36"})
    service = Service("/usr/bin/chromedriver", env=dict(os.environ, HOME=home))
    driver = webdriver.Chrome(service=service, options=options)
    try:
        bypasses = [a for a in browser_command_line(driver) if a.split("=", 1)[0] in BYPASSES]
        if bypasses or driver.capabilities.get("acceptInsecureCerts"):
            raise RuntimeError(f"Chromium would take any certificate: {bypasses or 'acceptInsecureCerts'}")
    except BaseException:
        driver.quit()
        raise
    return driver


def set_offline(driver, offline):
    """Cuts the page off the network, or gives it back, through DevTools. This does not reach a
    service worker's own fetches: whoever must prove that a page came from the worker's cache
    also stops the server."""
    driver.execute_cdp_cmd("Network.enable", {})
    driver.execute_cdp_cmd("Network.emulateNetworkConditions", {
        "offline": offline, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1})
