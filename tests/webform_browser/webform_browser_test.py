#!/usr/bin/python3
"""The web form in Debian's chromium, headless at 360x740, against `tavro serve --plain`:
fill in, reload keeps what was typed, a refused value is shown beside its field, a
corrected submission gets a receipt, the receipt shows the state, and the typed values
are gone once the server took them; the teacher accepts it through the command line and
the stored row equals, column by column, the row the entry form stores for the same inputs.

    webform_browser_test.py <tavro> <webform_browser_database>

Screenshots go to $TAVRO_SHOTS. Exits 77 (skipped) without chromium, chromedriver or selenium.
"""
import os
import re
import json
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
TABLE = "高一01"

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError:
    print("python3-selenium is not installed")
    sys.exit(77)
if not (os.access(CHROMIUM, os.X_OK) and os.access(CHROMEDRIVER, os.X_OK)):
    print("chromium or chromedriver is not installed")
    sys.exit(77)

# What a parent types, by field name; regions as (province, city, county). The entry form's
# test pupil (tests/support: EntryFormDriver::fillStudent), so the stored rows can be compared.
PUPIL = {
    "姓名": "张三", "性别": "2-女", "出生日期": "2000-03-15",
    "出生地行政区划代码": ("广东省", "佛山市", "顺德区"), "籍贯": "广东省 佛山市 顺德区",
    "民族": "蒙古族", "国籍_地区": "CHN-中国", "身份证件类型": "1-居民身份证",
    "身份证件号": "440606200003151242", "港澳台侨外": "05-台湾同胞", "政治面貌": "03-共青团员",
    "健康状况": "20-一般或较弱", "户口所在地行政区划": ("北京市", "县", "密云县"),
    "户口性质": "农业户口", "入学方式": "21-统一招生考试/普通入学", "就读方式": "2-住校",
    "现住址": "佛山市顺德区 大良街道 1 号", "通信地址": "顺德区大良邮局 88 号信箱",
    "家庭地址": "顺德区 容桂 2 号", "联系电话": "13800138000", "邮政编码": "528300",
    "是否独生子女": "1-是", "是否受过学前教育": "1-是", "是否留守儿童": "2-双亲留守儿童",
    "是否进城务工人员随迁子女": "1-是", "是否孤儿": "0-否", "是否烈士或优抚子女": "1-是",
    "成员1姓名": "张大山", "成员1关系": "1-父亲", "成员1现住址": "台湾 台北",
    "成员1户口所在地行政区划": ("台湾省", "台湾", "台湾"), "成员1联系电话": "075722223333",
    "成员1是否监护人": "1-是", "成员2姓名": "李小梅", "成员2关系": "2-母亲",
    "成员2现住址": "广州市天河区 体育西路", "成员2户口所在地行政区划": ("广东省", "广州市", "天河区"),
    "成员2联系电话": "02088889999", "成员2是否监护人": "0-否",
}
WRONG_ID = "440606200003151243"  # the check character of ...1242 is 2


def fail(text):
    print("FAIL:", text)
    sys.exit(1)


def start_server(tavro, make_db, folder):
    db = os.path.join(folder, "tavro.db")  # accept_and_compare reads it too
    subprocess.run([make_db, db, TABLE], check=True)
    server = subprocess.Popen([tavro, "serve", "--table", TABLE, "--db", db, "--plain"], cwd=folder,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    address = None
    deadline = time.time() + 30
    while time.time() < deadline and address is None:
        line = server.stdout.readline()
        if not line:
            break
        found = re.search(r"地址：(http://\S+)", line)
        address = found.group(1) if found else None
    if address is None:
        server.kill()
        fail("tavro serve printed no address: " + server.stderr.read())
    return server, address


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=360,740",
                     "--disable-dev-shm-usage", "--lang=zh-CN", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update"):
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
    # Headless chromium takes a narrow --window-size only as a later resize.
    driver.set_window_size(360, 740)
    return driver


class Page:
    def __init__(self, driver, shots):
        self.driver = driver
        self.shots = shots
        self.wait = WebDriverWait(driver, 20)

    def ready(self):
        self.wait.until(lambda d: d.find_element(By.ID, "form").get_attribute("data-ready") == "1")
        self.fields = self.driver.execute_script(
            "return Array.from(document.querySelectorAll('#form .field')).map(function (b) {"
            " var c = b.querySelector('[data-name]'); return [b.id.slice(4), c.getAttribute('data-name'), c.tagName]; });")
        self.index = {name: index for index, name, _ in self.fields}

    def control(self, name, part=None):
        suffix = "-%d" % part if part else ""
        return self.driver.find_element(By.ID, "f-%s%s" % (self.index[name], suffix))

    def set(self, name, value):
        if isinstance(value, tuple):
            for part, text in enumerate(value, start=1):
                select = self.control(name, part)
                self.wait.until(lambda d: text in [o.text for o in Select(select).options])
                Select(select).select_by_visible_text(text)
            return
        control = self.control(name)
        if control.tag_name == "select":
            Select(control).select_by_visible_text(value)
        elif control.get_attribute("type") == "date":
            self.driver.execute_script("arguments[0].value = arguments[1];"
                                       "arguments[0].dispatchEvent(new Event('input'));", control, value)
        else:
            control.clear()
            control.send_keys(value)

    def value(self, name, part=None):
        control = self.control(name, part)
        if control.tag_name == "select":
            return Select(control).first_selected_option.text
        return control.get_attribute("value")

    def verdict(self, name):
        return self.driver.find_element(By.ID, "v-" + self.index[name]).text

    def shot(self, name):
        self.driver.save_screenshot(os.path.join(self.shots, name))
        # The whole form, as tall as it is, for a look at every field.
        height = self.driver.execute_script("return document.body.scrollHeight")
        self.driver.set_window_size(360, max(740, height + 120))
        self.driver.save_screenshot(os.path.join(self.shots, name.replace(".png", "_whole.png")))
        self.driver.set_window_size(360, 740)


def accept_and_compare(tavro, make_db, folder):
    db = os.path.join(folder, "tavro.db")
    run = lambda *args: subprocess.run([tavro, *args, "--db", db], cwd=folder, capture_output=True, text=True)
    listed = run("submissions", "--table", TABLE)
    if listed.returncode != 0 or "待审核" not in listed.stdout or "440606********1242" not in listed.stdout:
        fail("tavro submissions: %s %s" % (listed.stdout, listed.stderr))
    accepted = run("accept", "--table", TABLE, "--ids", "1")
    if accepted.returncode != 0:
        fail("tavro accept: %s %s" % (accepted.stdout, accepted.stderr))
    form = subprocess.run([make_db, "--form-row"], capture_output=True, text=True, env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    if form.returncode != 0:
        fail("the entry form's row: " + form.stderr)
    expected = json.loads(form.stdout.strip().splitlines()[-1])
    with sqlite3.connect("file:%s?mode=ro" % db, uri=True) as connection:
        cursor = connection.execute('select * from "%s" where id = 1' % TABLE)
        names = [d[0] for d in cursor.description]
        stored = ["" if v is None else str(v) for v in cursor.fetchone()]
    # The form's row is read without its id.
    if names[0] == "id":
        names, stored = names[1:], stored[1:]
    differing = [(n, s, e) for n, s, e in zip(names, stored, expected) if s != e]
    if len(stored) != len(expected) or differing:
        fail("the accepted row differs from the entry form's: %r" % differing)


def main():
    tavro, make_db = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    shots = os.environ.get("TAVRO_SHOTS") or tempfile.mkdtemp()
    os.makedirs(shots, exist_ok=True)
    with tempfile.TemporaryDirectory() as folder:
        server, address = start_server(tavro, make_db, folder)
        driver = browser()
        try:
            page = Page(driver, shots)
            driver.get(address)
            page.ready()
            width = driver.execute_script("return document.documentElement.clientWidth")
            if width > 360:
                fail("the page is seen %d pixels wide, not as a phone shows it" % width)
            if driver.execute_script("return document.documentElement.scrollWidth") > width:
                fail("the page is wider than a 360-pixel phone")
            missing = [name for name in PUPIL if name not in page.index]
            if missing:
                fail("the page lacks the fields " + ", ".join(missing))
            page.shot("01_empty.png")

            for name, value in PUPIL.items():
                page.set(name, WRONG_ID if name == "身份证件号" else value)
            driver.refresh()
            page.ready()
            page.wait.until(lambda d: page.value("成员2户口所在地行政区划", 3) == "天河区")
            for name in ("姓名", "身份证件号", "民族", "出生日期", "现住址"):
                expected = WRONG_ID if name == "身份证件号" else PUPIL[name]
                if page.value(name) != expected:
                    fail("after a reload %s is %r, typed %r" % (name, page.value(name), expected))
            page.shot("02_reloaded.png")

            driver.find_element(By.ID, "submit").click()
            page.wait.until(lambda d: page.verdict("身份证件号") != "")
            if page.verdict("姓名") or page.verdict("民族"):
                fail("a verdict beside a right value: %r %r" % (page.verdict("姓名"), page.verdict("民族")))
            box = driver.find_element(By.ID, "box-" + page.index["身份证件号"])
            if "refused" not in box.get_attribute("class"):
                fail("the refused field is not marked")
            page.shot("03_refused.png")

            page.set("身份证件号", PUPIL["身份证件号"])
            driver.find_element(By.ID, "submit").click()
            page.wait.until(lambda d: d.find_elements(By.ID, "receipt-given"))
            receipt = driver.find_element(By.ID, "receipt-given").text
            if not re.fullmatch(r"[A-Za-z0-9_-]{22}", receipt):
                fail("the receipt looks wrong: %r" % receipt)
            page.shot("04_receipt.png")

            driver.find_element(By.ID, "tab-state").click()
            driver.find_element(By.ID, "receipt").send_keys(receipt)
            driver.find_element(By.ID, "look").click()
            page.wait.until(lambda d: "待审核" in d.find_element(By.ID, "state-result").text)
            page.shot("05_state.png")

            # Taken by the server, the typed values leave the browser.
            driver.refresh()
            page.ready()
            if page.value("姓名") != "":
                fail("the submitted values are still kept in the browser")
        finally:
            driver.quit()
            server.send_signal(signal.SIGTERM)
            try:
                out, err = server.communicate(timeout=20)
            except subprocess.TimeoutExpired:
                server.kill()
                fail("tavro serve did not end on SIGTERM")
        if server.returncode != 0 or "网上填报已结束" not in out:
            fail("tavro serve ended with %d: %s %s" % (server.returncode, out, err))
        accept_and_compare(tavro, make_db, folder)
    print("PASS: screenshots in", shots)


if __name__ == "__main__":
    main()
