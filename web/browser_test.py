#!/usr/bin/python3
"""Drives the page in headless Chromium through WebDriver, from file://, as a user would: the
demo game.ini, a broken file, and a game.ini whose include lies in a ZIP archive.

    web/browser_test.py FOLDER...   each FOLDER holds the page (index.html and its files)
"""
import pathlib
import sys
import tempfile
import zipfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

SOURCE = pathlib.Path(__file__).resolve().parent.parent
DEMO = SOURCE / "game" / "game.ini"
BROKEN = SOURCE / "tests" / "script" / "tool_cases" / "missing_quote.ini"
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync"]

failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, file=sys.stderr)


def start_browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in FLAGS + ["--user-data-dir=" + profile]:
        options.add_argument(flag)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def runs(browser):
    return int(browser.find_element(By.TAG_NAME, "body").get_attribute("data-runs") or 0)


def pick(browser, *paths):
    """Adds files through the picker and waits for the run that follows."""
    before = runs(browser)
    browser.find_element(By.ID, "picker").send_keys("\n".join(str(p) for p in paths))
    WebDriverWait(browser, 30).until(lambda b: runs(b) > before)


def text(browser, element_id):
    return browser.find_element(By.ID, element_id).text


def settings(browser):
    return [text(browser, "setting-" + key)
            for key in ("JavaGameClassName", "JavaClasses", "JavaClassesPacked")]


def open_page(browser, page):
    browser.get(page.as_uri())
    WebDriverWait(browser, 30).until(lambda b: runs(b) >= 1)


def check_demo(browser, page):
    open_page(browser, page)
    pick(browser, DEMO)
    exit_status = browser.find_element(By.ID, "status").get_attribute("data-exit")
    expect(exit_status == "0", f"{page}: the demo game.ini exits {exit_status}")
    expect(text(browser, "diagnostics") == "No faults found.",
           f"{page}: the demo game.ini has diagnostics: {text(browser, 'diagnostics')!r}")
    expect(settings(browser) == ["DemoGame", "Ja", "code"],
           f"{page}: the demo's settings are {settings(browser)}")
    expect(text(browser, "dump").splitlines() ==
           ["!JavaGameClassName(s)", 'JavaGameClassName("DemoGame")', "!JavaClasses(s)",
            'JavaClasses("Ja")', "!JavaClassesPacked(s)", 'JavaClassesPacked("code")'],
           f"{page}: the demo's dump is {text(browser, 'dump')!r}")


def check_broken(browser, page):
    open_page(browser, page)
    pick(browser, BROKEN)
    exit_status = browser.find_element(By.ID, "status").get_attribute("data-exit")
    expect(exit_status == "1", f"{page}: the broken file exits {exit_status}")
    items = browser.find_elements(By.CSS_SELECTOR, "#diagnostics li")
    shown = [item.text for item in items]
    expect(shown == ["missing_quote.ini:6:8: error: a ',' must follow argument 1 of 'level'",
                     "missing_quote.ini:5:7: note: the string of argument 1 of 'level' runs over"
                     " a line end from here: is its closing quote missing?",
                     "missing_quote.ini:3:1: note: declared here: !level(s, i, i)",
                     "missing_quote.ini:6:8: note: the launcher's log says: comma expected"],
           f"{page}: the broken file's diagnostics are {shown}")
    expect(settings(browser) == ["TestGame", "Ja", "code"],
           f"{page}: a failed parse leaves the settings {settings(browser)}, not the defaults")
    expect("no entries came back" in text(browser, "dump"),
           f"{page}: a failed parse dumps {text(browser, 'dump')!r}")
    # The error's place is line 6, column 8: the cursor goes there.
    if items:
        items[0].click()
        position = text(browser, "position")
        expect(position == "line 6, column 8", f"{page}: the click puts the cursor at {position}")


def check_archive(browser, page, scratch):
    game = scratch / "game.ini"
    game.write_text('!JavaClasses(s)\n!include("more.ini")\nJavaClasses("OnDisk")\n')
    archive = scratch / "data.zip"
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as zip_file:
        zip_file.writestr("more.ini", '!JavaGameClassName(s)\nJavaGameClassName("FromZip")\n')
    open_page(browser, page)
    pick(browser, game, archive)
    expect(settings(browser) == ["FromZip", "OnDisk", "code"],
           f"{page}: with the include in a mounted ZIP the settings are {settings(browser)}")


def check_no_network(browser, page):
    resources = browser.execute_script(
        "return performance.getEntriesByType('resource').map(e => e.name)")
    outside = [name for name in resources if not name.startswith("file:")]
    expect(not outside, f"{page}: the page reached for {outside}")


def main():
    pages = [pathlib.Path(folder).resolve() / "index.html" for folder in sys.argv[1:]]
    if not pages:
        sys.exit(__doc__)
    with tempfile.TemporaryDirectory() as scratch:
        scratch = pathlib.Path(scratch)
        browser = start_browser(str(scratch / "profile"))
        try:
            for page in pages:
                check_demo(browser, page)
                check_broken(browser, page)
                check_archive(browser, page, scratch)
                check_no_network(browser, page)
                print(f"checked {page}")
        finally:
            browser.quit()
    if failures:
        sys.exit(f"{len(failures)} checks failed")


if __name__ == "__main__":
    main()
