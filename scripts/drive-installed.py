#!/usr/bin/python3
"""Works the installed zenlo on an X display the way a person does: xdotool types and clicks,
windows are told apart by their titles, and what was stored is read back from the encrypted
database with the SQLCipher library the package depends on.

    drive-installed.py PHASE

Run by scripts/package-test.sh (and scripts/print-test.sh) under Xvfb with openbox
(tests/x11/run-under-x.sh), with HOME a fresh folder of a user who never ran the program:

    menu         the applications menu (rofi) lists the desktop entry; choosing it starts the
                 program, whose first-start dialog comes; 退出 ends it and no database is made
    first-day    the first-start dialog, 新建空数据库, the database appears in
                 ~/.local/share/zenlo; 超级管理员 logs in with 888 and is told once to change the
                 password; a normal close leaves a sound automatic backup of today
    sale         (goods imported meanwhile) log in without the password box, scan one code
                 twice, settle with the cash the panel offers, close
    upgraded     after the package was upgraded: the login comes at once, no first-start dialog
    print        a sale settled with 打印POS小票 and 打印送货单 ticked: the receipt goes to the
                 system's default printer as one job; the delivery note, printed from its
                 preview through the print dialog, as another
    print-check  (no display; after the jobs are done) exactly one job for each; the receipt's
                 texts and the delivery note's in the documents the program sent, and cups-pdf's
                 PDFs of them: their pages (the receipt 210 x 250 mm, the note A4) and their look.
                 cups-pdf's own PDFs carry no text to read: the job passes through PostScript, and
                 Ghostscript writes the fonts back as Type 3 glyphs without their characters.

ZENLO_SCREENSHOTS names a folder for first-start.png and menu-entry.png (default: none).
ZENLO_ROOT names a clean Debian root the package is installed in (scripts/clean-root-test.sh):
the programs then run there through chroot, with HOME, given as seen from here, inside it.
Every failure says what was awaited and leaves a picture of the screen in $TMPDIR.
"""
import ctypes
import datetime
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unicodedata

PROGRAM = "/usr/bin/zenlo"
ADMIN = "/usr/bin/zenlo-admin"
PRODUCT = "Zenlo送货单打印软件"          # message boxes
PRODUCT_TITLE = "Zenlo送货单打印软件 V"  # the first-start dialog and the main window start so
LOGIN = "用户登录"
DELIVERY_NOTE = "送货单"
SUPER = "超级管理员"

ROOT = os.environ.get("ZENLO_ROOT", "").rstrip("/")
HOME = os.environ["HOME"]
DATA = os.path.join(os.environ.get("XDG_DATA_HOME") or os.path.join(HOME, ".local/share"), "zenlo")
DATABASE = os.path.join(DATA, "data.mdb")
SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SHOTS = os.environ.get("ZENLO_SCREENSHOTS", "")
STATE = os.path.join(HOME, "drive-state.json")  # what one phase leaves the next


def database_key():
    with open(os.path.join(SOURCE, "src/core/schema.h"), encoding="utf-8") as f:
        return re.search(r'kDatabaseKey\[\] = "([^"]*)"', f.read()).group(1).encode()


class Database:
    """Read-only queries through libsqlcipher, one connection per call."""

    def __init__(self, path):
        self.path = path
        self.lib = ctypes.CDLL("libsqlcipher.so.0")
        lib = self.lib
        lib.sqlite3_open_v2.argtypes = [ctypes.c_char_p, ctypes.POINTER(ctypes.c_void_p), ctypes.c_int,
                                        ctypes.c_char_p]
        lib.sqlite3_key.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        lib.sqlite3_busy_timeout.argtypes = [ctypes.c_void_p, ctypes.c_int]
        lib.sqlite3_prepare_v2.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int,
                                           ctypes.POINTER(ctypes.c_void_p), ctypes.c_void_p]
        lib.sqlite3_step.argtypes = [ctypes.c_void_p]
        lib.sqlite3_column_count.argtypes = [ctypes.c_void_p]
        lib.sqlite3_column_text.argtypes = [ctypes.c_void_p, ctypes.c_int]
        lib.sqlite3_column_text.restype = ctypes.c_char_p
        lib.sqlite3_finalize.argtypes = [ctypes.c_void_p]
        lib.sqlite3_close.argtypes = [ctypes.c_void_p]
        lib.sqlite3_errmsg.argtypes = [ctypes.c_void_p]
        lib.sqlite3_errmsg.restype = ctypes.c_char_p
        self.key = database_key()

    def rows(self, sql):
        lib = self.lib
        db = ctypes.c_void_p()
        if lib.sqlite3_open_v2(self.path.encode(), ctypes.byref(db), 1, None) != 0:  # SQLITE_OPEN_READONLY
            raise RuntimeError("cannot open %s" % self.path)
        try:
            lib.sqlite3_key(db, self.key, len(self.key))
            lib.sqlite3_busy_timeout(db, 5000)
            statement = ctypes.c_void_p()
            if lib.sqlite3_prepare_v2(db, sql.encode(), -1, ctypes.byref(statement), None) != 0:
                raise RuntimeError("%s: %s" % (sql, lib.sqlite3_errmsg(db).decode()))
            out = []
            try:
                while True:
                    rc = lib.sqlite3_step(statement)
                    if rc == 101:  # SQLITE_DONE
                        break
                    if rc != 100:  # SQLITE_ROW
                        raise RuntimeError("%s: %s" % (sql, lib.sqlite3_errmsg(db).decode()))
                    out.append(tuple(None if v is None else v.decode()
                                     for v in (lib.sqlite3_column_text(statement, i)
                                               for i in range(lib.sqlite3_column_count(statement)))))
            finally:
                lib.sqlite3_finalize(statement)
            return out
        finally:
            lib.sqlite3_close(db)

    def value(self, sql):
        return self.rows(sql)[0][0]


class Failure(Exception):
    pass


def shoot(what):
    if not os.environ.get("DISPLAY"):
        return "none, no display"
    path = os.path.join(tempfile.gettempdir(), "zenlo-package-%s.png" % re.sub(r"\W+", "-", what)[:60])
    subprocess.run(["import", "-window", "root", path], check=False)
    return path


def check(condition, what):
    if not condition:
        raise Failure("%s (screen: %s)" % (what, shoot(what)))


def wait_until(condition, what, seconds=20):
    """Polls a condition every tenth of a second; fails naming what did not come."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.1)
    check(condition(), "waited %d s for %s" % (seconds, what))


def xdo(*arguments):
    return subprocess.run(["xdotool", *arguments], capture_output=True, text=True).stdout.strip()


def active_window():
    return xdo("getactivewindow")


def active_name():
    return xdo("getactivewindow", "getwindowname")


def window_type(window):
    """'DIALOG' or 'NORMAL', from the window's _NET_WM_WINDOW_TYPE."""
    out = subprocess.run(["xprop", "-id", window, "_NET_WM_WINDOW_TYPE"], capture_output=True, text=True).stdout
    match = re.search(r"_NET_WM_WINDOW_TYPE_(\w+)", out)
    return match.group(1) if match else ""


def is_front(title, kind=None):
    name = active_name()
    if title.endswith(" V"):
        matches = name.startswith(title)
    else:
        matches = name == title
    return matches and (kind is None or window_type(active_window()) == kind)


def wait_front(title, kind=None, seconds=20, program=None):
    """Waits until the window in front has this title (and kind); fails naming what is in front."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if program is not None and program.poll() is not None:
            raise Failure("the program ended (%s) while waiting for \"%s\"" % (program.returncode, title))
        if is_front(title, kind):
            return
        time.sleep(0.1)
    check(is_front(title, kind), "waited %d s for \"%s\"%s in front; in front: \"%s\" (%s)"
          % (seconds, title, " " + kind if kind else "", active_name(), window_type(active_window())))


def geometry():
    """The window in front: its inside's place on the screen and its size. (xdotool's own answer
    counts the window manager's frame twice under openbox; xwininfo's absolute corner does not.)"""
    out = subprocess.run(["xwininfo", "-id", active_window()], capture_output=True, text=True, check=True).stdout
    value = {k: int(re.search(r"%s:\s*(-?\d+)" % k, out).group(1))
             for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")}
    return value["Absolute upper-left X"], value["Absolute upper-left Y"], value["Width"], value["Height"]


def click(x, y):
    """A click at (x, y) inside the window in front; negative values count from its far side."""
    left, top, width, height = geometry()
    xdo("mousemove", str(left + (x if x >= 0 else width + x)), str(top + (y if y >= 0 else height + y)),
        "click", "1")


def key(*keys):
    xdo("key", "--delay", "60", *keys)


def type_text(text):
    xdo("type", "--delay", "30", text)


def screenshot(name):
    """The window in front with its frame and a margin, into ZENLO_SCREENSHOTS."""
    if not SHOTS:
        return
    left, top, width, height = geometry()
    margin = 24
    x, y = max(left - margin, 0), max(top - margin - 24, 0)  # openbox's title bar sits above the window
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (width + 2 * margin, height + 2 * margin + 24,
                                                                          x, y), "+repage", "-strip",
                    os.path.join(SHOTS, name)], check=True)


def environment():
    env = dict(os.environ)
    env["QT_QPA_PLATFORM"] = "xcb"
    return env


def inside(path):
    """A path of ours as the programs see it (the same but in a clean root)."""
    return path[len(ROOT):] if ROOT else path


def command(argv, cwd):
    """How to run one of the installed programs in folder `cwd`: here, or in the clean root with
    a plain environment and this display."""
    if not ROOT:
        return argv, cwd
    runtime = os.path.join(ROOT, "tmp/zenlo-runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env = ["HOME=" + inside(HOME), "PATH=/usr/bin:/bin", "LANG=C.UTF-8", "DISPLAY=" + os.environ.get("DISPLAY", ""),
           "XDG_RUNTIME_DIR=/tmp/zenlo-runtime", "QT_QPA_PLATFORM=xcb"]
    if os.environ.get("XAUTHORITY"):
        shutil.copyfile(os.environ["XAUTHORITY"], os.path.join(ROOT, "tmp/zenlo-xauthority"))
        env.append("XAUTHORITY=/tmp/zenlo-xauthority")
    return ["chroot", ROOT, "env", "-i", *env, "sh", "-c", 'cd "$1" && shift && exec "$@"', "sh", inside(cwd),
            *argv], None


def start():
    # Started from a folder of its own, as a menu would: the installed program finds its data
    # folder without help from the working directory.
    elsewhere = os.path.join(HOME, "elsewhere")
    os.makedirs(elsewhere, exist_ok=True)
    argv, cwd = command([PROGRAM], elsewhere)
    return subprocess.Popen(argv, cwd=cwd, env=environment())


def close(program):
    """Alt+F4 on the main window: the program ends by itself, with 0."""
    key("alt+F4")
    try:
        code = program.wait(30)
    except subprocess.TimeoutExpired:
        raise Failure("the program did not end after alt+F4 (screen: %s)" % shoot("close"))
    check(code == 0, "the program ended with %d" % code)
    check(os.listdir(os.path.join(HOME, "elsewhere")) == [], "the program wrote into its working directory")


def log_in(expect_password_box):
    wait_front(LOGIN, seconds=30)
    key("Return")  # the user list has the one user; Enter moves to the password
    type_text("888")
    key("Return", "Return")  # to 登录, and pressing it
    if expect_password_box:
        # One box asks to change the password everybody knows, then the main window.
        wait_front(PRODUCT, "DIALOG")
        key("Return")
    wait_front(PRODUCT_TITLE, "NORMAL")


def scan(code):
    type_text(code)
    key("Return")


def automatic_backup():
    return os.path.join(DATA, "备份", "data-%s.mdb" % datetime.date.today().strftime("%Y%m%d"))


def admin_check(path):
    argv, cwd = command([ADMIN, "check", inside(path)], HOME)
    result = subprocess.run(argv, cwd=cwd, capture_output=True, text=True)
    check(result.returncode == 0, "zenlo-admin check %s: %s%s" % (path, result.stdout, result.stderr))
    return result.stdout


def load_state():
    with open(STATE, encoding="utf-8") as f:
        return json.load(f)


def save_state(state):
    with open(STATE, "w", encoding="utf-8") as f:
        json.dump(state, f, ensure_ascii=False)


def stable_picture(region, what):
    """The screen in `region` once two pictures a tenth of a second apart are the same."""
    last = [None]

    def settled():
        picture = subprocess.run(["import", "-window", "root", "-crop", region, "+repage", "rgb:-"],
                                 capture_output=True).stdout
        same = picture == last[0] and any(picture)
        last[0] = picture
        return same

    wait_until(settled, what)


def phase_menu():
    check(not os.path.exists(DATABASE), "a database before the first start")
    # rofi's launcher lists the desktop entries of XDG_DATA_DIRS, as a desktop's menu does; the
    # filter is what a person types to find the program.
    menu = subprocess.Popen(["rofi", "-show", "drun", "-show-icons", "-filter", "zenlo", "-theme-str",
                             "window { width: 560px; } listview { lines: 3; } element-icon { size: 32px; }"],
                            env=environment())
    wait_until(lambda: xdo("search", "--onlyvisible", "--class", "rofi") != "", "the applications menu")
    window = xdo("search", "--onlyvisible", "--class", "rofi").split()[0]
    out = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True, check=True).stdout
    x, y, width, height = (int(re.search(r"%s:\s*(-?\d+)" % k, out).group(1))
                           for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
    region = "%dx%d+%d+%d" % (width + 48, height + 48, x - 24, y - 24)
    stable_picture(region, "the menu drawn")
    if SHOTS:
        subprocess.run(["import", "-window", "root", "-crop", region, "+repage", "-strip",
                        os.path.join(SHOTS, "menu-entry.png")], check=True)
    key("Return")  # starts the entry's Exec=zenlo
    check(menu.wait(20) == 0, "rofi failed")
    wait_front(PRODUCT_TITLE, "DIALOG", seconds=30)
    # The entry started the installed program.
    pid = xdo("getactivewindow", "getwindowpid")
    check(os.readlink("/proc/%s/exe" % pid) == "/opt/zenlo/bin/zenlo", "the menu started another program")
    # 退出, the last of the four choices stacked at the bottom (34 px high, 18 from the edge).
    left, top, width, height = geometry()
    click(width // 2, height - 18 - 17)
    wait_until(lambda: not os.path.exists("/proc/%s" % pid), "the program to end after 退出")
    check(not os.path.exists(DATABASE), "退出 made a database")


def phase_first_day():
    check(not os.path.exists(DATABASE), "a database before the first start")
    program = start()
    wait_front(PRODUCT_TITLE, "DIALOG", seconds=30, program=program)
    screenshot("first-start.png")
    # 新建空数据库（开始营业）, the first of the four choices stacked at the bottom (34 px each, 10 apart,
    # 18 from the bottom edge).
    left, top, width, height = geometry()
    click(width // 2, height - 18 - 3 * 44 - 17)
    wait_until(lambda: os.path.exists(DATABASE), DATABASE)
    log_in(expect_password_box=True)
    db = Database(DATABASE)
    check(db.value("SELECT count(*) FROM rz WHERE username='%s' AND jtime IS NULL" % SUPER) == "1",
          "the login was not logged")
    check(db.value("SELECT count(*) FROM sp") == "0", "the new database is not empty")
    close(program)
    check(db.value("SELECT count(*) FROM rz WHERE jtime IS NULL") == "0", "the exit time was not written")
    admin_check(DATABASE)
    check(os.path.isfile(os.path.join(DATA, "config.ini")), "no config.ini in " + DATA)
    check(not os.path.exists(ROOT + "/opt/zenlo/bin/config.ini"), "config.ini beside the installed program")
    backup = automatic_backup()
    check(os.path.isfile(backup), "no automatic backup " + backup)
    admin_check(backup)


def phase_sale():
    db = Database(DATABASE)
    code, name, price = db.rows("SELECT [商品编码], [商品名称], [销售单价] FROM sp ORDER BY rowid LIMIT 1")[0]
    program = start()
    log_in(expect_password_box=False)
    scan(code)
    wait_until(lambda: db.value("SELECT count(*) FROM data WHERE c='%s'" % code) == "1", "the scanned line")
    scan(code)
    wait_until(lambda: db.value("SELECT [2]=2 FROM data WHERE c='%s'" % code) == "1", "the second scan merged")
    key("Return")  # the empty code field opens the settlement, the cash set to the total
    key("Return", "Return")  # to 确 定, and pressing it
    wait_until(lambda: db.value("SELECT count(*) FROM data3") == "1", "the sale stored")
    wait_until(lambda: db.value("SELECT count(*) FROM data") == "0", "the note emptied")
    close(program)
    serial, total, operator = db.rows("SELECT a, [1], b FROM data3")[0]
    check(abs(float(total) - 2 * float(price)) < 0.005, "sale total %s, price %s" % (total, price))
    check(operator == SUPER, "sold by " + operator)
    lines = db.rows("SELECT c, a, [2]=2, h FROM data1")
    check(lines == [(code, name, "1", serial)], "the sale's lines: %r" % lines)
    admin_check(DATABASE)
    backup = automatic_backup()
    check(os.path.isfile(backup), "no automatic backup " + backup)
    admin_check(backup)
    check(Database(backup).value("SELECT count(*) FROM data3") == "1", "the automatic backup lacks the sale")
    save_state({"code": code, "name": name, "price": price, "serial": serial})


def phase_upgraded():
    program = start()
    # The login is the first window: an upgraded program still finds its database.
    wait_front(LOGIN, seconds=30, program=program)
    log_in(expect_password_box=False)
    close(program)
    check(Database(DATABASE).value("SELECT count(*) FROM data3") == "1", "the sale is gone after the upgrade")


def print_jobs():
    """The ids of every job the test printer ever had."""
    out = subprocess.run(["lpstat", "-W", "all", "-o", os.environ["ZENLO_PRINTER"]], capture_output=True,
                         text=True, check=True).stdout
    return sorted(line.split()[0] for line in out.splitlines() if line.strip())


def phase_print():
    # Spots inside the windows (fixed layouts): the settlement panel's two boxes and 确 定, and the
    # print button of the preview's tool bar (tests/e2e/tst_counter_day.cpp clicks the same).
    receipt_box = (240, 387)
    delivery_note_box = (605, 387)
    settle_button = (564, 416)
    preview_print_button = (671, 19)
    state = load_state()
    db = Database(DATABASE)
    sales = int(db.value("SELECT count(*) FROM data3"))
    program = start()
    log_in(expect_password_box=False)
    scan(state["code"])
    wait_until(lambda: db.value("SELECT count(*) FROM data") == "1", "the scanned line")
    key("Return")  # the settlement
    click(*receipt_box)
    click(*delivery_note_box)
    click(*settle_button)
    wait_until(lambda: db.value("SELECT count(*) FROM data3") == str(sales + 1), "the sale stored")
    wait_front(DELIVERY_NOTE, program=program)
    # The receipt was sent before the preview came; the note's job comes after this.
    state["jobs_at_preview"] = print_jobs()
    click(*preview_print_button)
    wait_front("打印", program=program)
    key("alt+p")  # the system's default printer is chosen already
    wait_front(PRODUCT_TITLE, "NORMAL", program=program)
    close(program)
    serial, total = db.rows("SELECT a, [1] FROM data3 ORDER BY ID DESC LIMIT 1")[0]
    state.update({"print_serial": serial, "print_total": total})
    save_state(state)


def pdf_text(path):
    """The PDF's text with compatibility characters folded (compare with texts folded the same
    way): Noto CJK maps some glyphs to radicals (⼩ for 小) in the PDF's own text map, and the
    folding makes a full-width colon a plain one."""
    out = subprocess.run(["pdftotext", "-layout", path, "-"], capture_output=True, text=True, check=True).stdout
    return unicodedata.normalize("NFKC", out)


def pdf_pages(path):
    """(pages, width mm, height mm) of the first page."""
    out = subprocess.run(["pdfinfo", path], capture_output=True, text=True, check=True).stdout
    pages = int(re.search(r"^Pages:\s+(\d+)", out, re.M).group(1))
    width, height = re.search(r"^Page size:\s+([\d.]+) x ([\d.]+) pts", out, re.M).groups()
    return pages, float(width) * 25.4 / 72, float(height) * 25.4 / 72


def same_picture(a, b):
    """How alike the first pages of two PDFs look (normalised cross-correlation of the pages at
    100 dpi, slightly blurred so that two rasterisers' edges do not count): 1 is the same."""
    folder = tempfile.mkdtemp()
    pictures = []
    for i, pdf in enumerate((a, b)):
        base = os.path.join(folder, str(i))
        subprocess.run(["pdftoppm", "-r", "100", "-gray", "-singlefile", "-f", "1", "-l", "1", pdf, base],
                       check=True, stderr=subprocess.DEVNULL)
        pictures.append(base + ".pgm")
    sizes = [subprocess.run(["identify", "-format", "%w %h", p], capture_output=True, text=True,
                            check=True).stdout.split() for p in pictures]
    width, height = min(int(s[0]) for s in sizes), min(int(s[1]) for s in sizes)
    for p in pictures:
        subprocess.run(["convert", p, "-crop", "%dx%d+0+0" % (width, height), "+repage", "-blur", "0x2", p],
                       check=True)
    out = subprocess.run(["compare", "-metric", "NCC", *pictures, "null:"], capture_output=True, text=True)
    return float(out.stderr.strip().split()[0])


def printed(job, out_dir):
    """The document the program handed CUPS for a job (CUPS keeps it, PreserveJobFiles) and the PDF
    cups-pdf made of it."""
    number = int(job.rsplit("-", 1)[1])
    sent = "/var/spool/cups/d%05d-001" % number
    check(os.path.isfile(sent), "CUPS kept no document of job %s (PreserveJobFiles)" % job)
    made = []
    wait_until(lambda: made.extend(f for f in os.listdir(out_dir) if f.endswith("job_%d.pdf" % number)) or made,
               "cups-pdf's PDF of job %s in %s" % (job, out_dir))
    return sent, os.path.join(out_dir, made[0])


def phase_print_check():
    """After phase print, with the jobs done: one job for the receipt, one for the delivery note."""
    state = load_state()
    before = set(filter(None, os.environ["ZENLO_JOBS_BEFORE"].split()))
    at_preview = set(state["jobs_at_preview"])
    after = set(print_jobs())
    receipt_jobs, note_jobs = sorted(at_preview - before), sorted(after - at_preview)
    check(len(receipt_jobs) == 1, "the receipt made the jobs %s" % receipt_jobs)
    check(len(note_jobs) == 1, "the delivery note made the jobs %s" % note_jobs)
    out_dir = os.environ["ZENLO_PDF_OUT"]

    sent, made = printed(receipt_jobs[0], out_dir)
    text = pdf_text(sent)
    for expected in ("POS小票销售凭证", "销售单号：" + state["print_serial"], "收银员：" + SUPER, state["name"],
                     "总计:%s元" % state["print_total"], "欢迎下次惠顾"):
        check(unicodedata.normalize("NFKC", expected) in text, "the receipt lacks %r:\n%s" % (expected, text))
    pages, width, height = pdf_pages(made)
    # The receipt keeps the printer's paper width (A4 at this queue) and is 250 mm long.
    check(pages == 1 and abs(width - 210) < 1 and abs(height - 250) < 1,
          "the printed receipt: %d pages of %.1f x %.1f mm" % (pages, width, height))
    likeness = same_picture(sent, made)
    check(likeness > 0.95, "the printed receipt looks unlike the one sent (%.3f)" % likeness)
    print("receipt: job %s, %s, %.0f x %.0f mm, alike %.3f" % (receipt_jobs[0], made, width, height, likeness))

    sent, made = printed(note_jobs[0], out_dir)
    text = pdf_text(sent)
    for expected in ("送货单", state["name"], "制单人：" + SUPER, state["print_total"]):
        check(unicodedata.normalize("NFKC", expected) in text, "the delivery note lacks %r:\n%s" % (expected, text))
    pages, width, height = pdf_pages(made)
    check(pages == 1 and abs(width - 210) < 1 and abs(height - 297) < 1,
          "the printed delivery note: %d pages of %.1f x %.1f mm" % (pages, width, height))
    likeness = same_picture(sent, made)
    check(likeness > 0.95, "the printed delivery note looks unlike the one sent (%.3f)" % likeness)
    print("delivery note: job %s, %s, A4, alike %.3f" % (note_jobs[0], made, likeness))
    for job in receipt_jobs + note_jobs:
        os.remove(printed(job, out_dir)[1])


PHASES = {"menu": phase_menu, "first-day": phase_first_day, "sale": phase_sale, "upgraded": phase_upgraded,
          "print": phase_print, "print-check": phase_print_check}

if __name__ == "__main__":
    if len(sys.argv) != 2 or sys.argv[1] not in PHASES:
        sys.exit("usage: drive-installed.py %s" % "|".join(PHASES))
    started = time.monotonic()
    try:
        PHASES[sys.argv[1]]()
    except Failure as failure:
        sys.exit("drive-installed %s: %s" % (sys.argv[1], failure))
    print("drive-installed %s: ok (%.1f s)" % (sys.argv[1], time.monotonic() - started))
