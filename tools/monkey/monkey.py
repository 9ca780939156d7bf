#!/usr/bin/env python3
"""Seeded random GUI driver ("monkey") for Spindra under Xvfb + openbox.

One invocation = one run = one fresh program start.  Everything the run
needs lives in its run directory under $MONKEY_DIR/runs.  The program runs
as user nobody so that nothing outside its run directory can be written even
if a file dialog were to wander.

  monkey.py --seed 1 --duration 180 [--model diesel-generator.rtm]
            [--binary BUILD/spindra] [--replay actions.jsonl]
"""
import argparse
import glob
import json
import os
import random
import shutil
import signal
import subprocess
import sys
import time

TOOLS = os.environ.get("MONKEY_TOOLS", os.path.join(os.environ.get("MONKEY_DIR", "."), "tools"))
ASSETS = os.path.join(os.environ.get("MONKEY_DIR", "."), "assets")
EXAMPLES = os.environ.get("SPINDRA_EXAMPLES", "examples")
DISPLAY = ":77"
NOBODY = 65534

XENV = dict(os.environ, DISPLAY=DISPLAY)

MENU_ITEMS = {  # mnemonic letters of each main-window menu (current program)
    "f": "nosvrepx", "e": "urd", "v": "iof", "c": "nse", "m": "nsedvtxlw", "t": "lc", "d": "",
    "l": "fdtc", "a": "",
}
# The Forced Response window: File (Export, Print, Review Report, Exit),
# Data (Excitation, Limits, Sweep, Load Cases), Calculate (Recalculate).
FORCED_MENU_ITEMS = {"f": "eprx", "d": "elsc", "l": "r"}
# The Transient Response window: File (Export, Print, Review Report, Exit),
# Data (Transient Cases), Calculate (Recalculate).
TRANSIENT_MENU_ITEMS = {"f": "eprx", "d": "c", "l": "r"}
CAMPBELL_MENU_ITEMS = {"f": "epx"}
# The list file viewer (File > Review List file, and the Forced Response
# window's Review Report): its menu bar holds the items themselves: Exit,
# Print..., Save as PDF..., Forced Response Report and Transient Report (greyed
# without a report).
VIEWER_MENU_ITEMS = {"x": "", "p": "", "d": "", "f": "", "t": ""}
# Menu items new in this version, picked more often from the main window.
# x of each menu title from the left of the window's client area (y 8), for
# MONKEY_MENU_MOUSE=1 (menus opened by a click instead of Alt+letter).
MAIN_MENU_X = {"f": 20, "e": 56, "v": 97, "c": 145, "m": 199, "t": 249, "d": 295, "l": 353,
               "a": 414}
FORCED_MENU_X = {"f": 20, "d": 59, "l": 115}
CAMPBELL_MENU_X = {"f": 20}
FOCUS_MENU = [("l", "d"), ("l", "d"), ("m", "x"), ("m", "l"), ("m", "w"), ("m", "d"),
              ("m", "v"), ("m", "t"), ("f", "n"), ("f", "v"), ("v", "i"), ("v", "o"),
              ("v", "f"), ("e", "d"), ("l", "c"), ("f", "r"), ("f", "e"), ("f", "p"),
              ("t", "l"), ("t", "c"), ("l", "t"), ("m", "l")]
KEYS = (["Return", "Escape", "Tab", "shift+Tab", "Delete", "BackSpace", "space", "Up", "Down",
         "Left", "Right", "Home", "End", "Page_Up", "Page_Down", "minus", "period", "e", "comma",
         "ctrl+a", "ctrl+c", "ctrl+v", "ctrl+x"]
        + list("abcdefghijklmnopqrstuvwxyz") + list("0123456789"))
SHORTCUTS = ["ctrl+z", "ctrl+y", "ctrl+shift+z", "ctrl+o", "ctrl+s", "F5", "ctrl+n",
             "ctrl+shift+s", "ctrl+plus", "ctrl+equal", "ctrl+minus", "ctrl+0"]
STRINGS = ["0", "1", "-1", "-0", "0.0", "1e308", "-1e308", "1e309", "1e-320", "4.9e-324", "nan",
           "NaN", "-nan", "inf", "-inf", "Infinity", "1e", "e5", "--5", "1.2.3", "1,5", ".",
           "-", "+", "99999999999999999999999", "2147483648", "-2147483649", "4294967296",
           "0x10", "  12  ", "12abc", "'", "''", "\"", "%s%n%d", "\\", "äöü", "日本語",
           "1e-5", "3.14159", "100", "101", "-100", "1000000", "1e20", "-1e20", "0.0001"]


def screenshot(path):
    """The whole screen as a picture (ImageMagick's import); skipped without it."""
    if shutil.which("import") is None:
        return
    try:
        subprocess.run(["import", "-window", "root", path], env=XENV, timeout=30)
    except subprocess.TimeoutExpired:
        pass


def xdo(*args, timeout=15):
    try:
        return subprocess.run(["xdotool", *map(str, args)], env=XENV, capture_output=True,
                              text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return None


def xwins(pid):
    """Viewable windows of pid, bottom to top, and the active window id."""
    try:
        out = subprocess.run([f"{TOOLS}/xwins", str(pid)], env=XENV, capture_output=True,
                             text=True, timeout=10).stdout
    except subprocess.TimeoutExpired:
        return [], None
    wins, active = [], None
    for line in out.splitlines():
        parts = line.split("\t")
        if parts[0] == "ACTIVE":
            active = int(parts[1], 16)
        elif parts[0] == "FOCUS":
            pass
        elif len(parts) >= 7:
            wins.append(dict(id=int(parts[0], 16), x=int(parts[1]), y=int(parts[2]),
                             w=int(parts[3]), h=int(parts[4]), ovr=parts[5] == "1",
                             name=parts[6]))
    return wins, active


def xping(wid, timeout_ms=10000):
    try:
        r = subprocess.run([f"{TOOLS}/xping", str(wid), str(timeout_ms)], env=XENV,
                           capture_output=True, text=True, timeout=timeout_ms / 1000 + 5)
        return r.returncode, r.stdout.strip()
    except subprocess.TimeoutExpired:
        return 2, "timeout(subprocess)"


def is_file_dialog(w):
    return (not w["ovr"]) and w["name"] in ("Open", "Save As") and w["w"] >= 380 and w["h"] >= 250


def is_file_dialog_box(w):  # the small message boxes a file dialog opens
    return (not w["ovr"]) and w["name"] in ("Open", "Save As") and not is_file_dialog(w)


class Run:
    def __init__(self, a):
        self.a = a
        self.rng = random.Random(a.seed)
        self.dir = a.dir
        self.actions = []
        self.n = 0
        self.file_attempts = {}
        self.findings = []
        self.captions = []
        self.main = None
        self.t0 = None

    # ------------------------------------------------------------ set-up
    def prepare(self):
        os.makedirs(self.dir, exist_ok=True)
        for d in ("home", "xdg", "shots", "subdir"):
            os.makedirs(os.path.join(self.dir, d), exist_ok=True)
        for f in glob.glob(f"{EXAMPLES}/*.rtm"):
            shutil.copy(f, self.dir)
        for f in glob.glob(f"{ASSETS}/*"):
            shutil.copy(f, self.dir)
        r = random.Random(self.a.seed * 7 + 1)
        with open(os.path.join(self.dir, "binary.rtm"), "wb") as f:
            f.write(bytes(r.randrange(256) for _ in range(4096)))
        open(os.path.join(self.dir, "empty.rtm"), "w").close()
        src = open(f"{EXAMPLES}/diesel-generator.rtm").read()
        with open(os.path.join(self.dir, "truncated.rtm"), "w") as f:
            f.write(src[: len(src) // 2])
        with open(os.path.join(self.dir, "hugenums.rtm"), "w") as f:
            f.write(src.replace("0.82", "1e308").replace("2600000.0", "nan").replace("12.0", "-0"))
        with open(os.path.join(self.dir, "notes.txt"), "w") as f:
            f.write("not a model\n" * 20)
        longname = "L" * (130 - len(self.dir) - 1 - 4) + ".rtm"  # path exactly 130 chars
        shutil.copy(f"{EXAMPLES}/free-free-rotor.rtm", os.path.join(self.dir, longname))
        longname2 = "M" * (131 - len(self.dir) - 1 - 4) + ".rtm"  # 131 chars
        shutil.copy(f"{EXAMPLES}/free-free-rotor.rtm", os.path.join(self.dir, longname2))
        os.makedirs(os.path.join(self.dir, "subdir", "deeper"), exist_ok=True)
        subprocess.run(["chown", "-R", f"{NOBODY}:{NOBODY}", self.dir])
        self.stamp = os.path.join(self.dir, ".stamp")
        open(self.stamp, "w").close()
        time.sleep(0.01)
        self.alog = open(os.path.join(self.dir, "actions.jsonl"), "w")
        self.elog = open(os.path.join(self.dir, "events.log"), "w")

    def event(self, msg):
        t = time.time() - self.t0 if self.t0 else 0
        self.elog.write(f"{t:8.2f} #{self.n} {msg}\n")
        self.elog.flush()

    def start(self):
        env = dict(os.environ, DISPLAY=DISPLAY, HOME=os.path.join(self.dir, "home"),
                   XDG_RUNTIME_DIR=os.path.join(self.dir, "xdg"),
                   ASAN_OPTIONS="detect_leaks=0:abort_on_error=1",
                   UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1")
        os.chmod(os.path.join(self.dir, "xdg"), 0o700)
        cmd = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups",
               self.a.binary]
        if self.a.model:
            cmd.append(self.a.model)
        self.out = open(os.path.join(self.dir, "stdout.log"), "w")
        self.err = open(os.path.join(self.dir, "stderr.log"), "w")
        self.t0 = time.time()
        self.proc = subprocess.Popen(cmd, cwd=self.dir, env=env, stdout=self.out, stderr=self.err)
        self.pid = self.proc.pid
        self.event(f"started pid {self.pid}: {' '.join(cmd)}")
        deadline = time.time() + 90
        while time.time() < deadline and self.proc.poll() is None:
            wins, _ = xwins(self.pid)
            mains = [w for w in wins if not w["ovr"]]
            if mains:
                self.main = mains[0]["id"]
                self.event(f"main window 0x{self.main:x} '{mains[0]['name']}'")
                time.sleep(1.0)
                return True
            time.sleep(0.3)
        self.event("no window appeared")
        return False

    # ------------------------------------------------------------ actions
    def record(self, act):
        act["i"] = self.n
        act["t"] = round(time.time() - self.t0, 3)
        self.actions.append(act)
        self.alog.write(json.dumps(act, ensure_ascii=False) + "\n")
        self.alog.flush()
        self.n += 1

    def pos_in(self, w):
        """A random point inside w that lies on the screen; None if none."""
        x0, y0 = max(w["x"], 0), max(w["y"], 0)
        x1, y1 = min(w["x"] + w["w"], 1600), min(w["y"] + w["h"], 1200)
        if x1 - x0 < 1 or y1 - y0 < 1:
            return None
        return self.rng.randrange(x0, x1), self.rng.randrange(y0, y1)

    def target(self, wins, active):
        ids = {w["id"]: w for w in wins}
        popups = [w for w in wins if w["ovr"] and w["w"] > 20 and w["h"] > 20]
        if popups and self.rng.random() < 0.7:
            return popups[-1]
        if active in ids and self.rng.random() < 0.8:
            return ids[active]
        cands = [w for w in wins if not w["ovr"]] or wins
        return self.rng.choice(cands)

    def random_string(self):
        r = self.rng.random()
        if r < 0.45:
            return self.rng.choice(STRINGS)
        if r < 0.6:
            return str(self.rng.randint(-10**6, 10**6))
        if r < 0.72:
            return repr(self.rng.uniform(-1e7, 1e7))
        if r < 0.8:
            return f"{self.rng.uniform(-9.9, 9.9):.3f}e{self.rng.randint(-330, 330)}"
        if r < 0.9:
            alphabet = "abcdefghijklmnopqrstuvwxyz0123456789 .-,eE'"
            n = self.rng.choice([17, 80, 131, 300])
            return "".join(self.rng.choice(alphabet) for _ in range(n))
        return "".join(self.rng.choice("0123456789") for _ in range(self.rng.choice([16, 40, 300])))

    def do_random(self, wins, active):
        w = self.target(wins, active)
        r = self.rng.random()
        rel = lambda p: [p[0] - w["x"], p[1] - w["y"]]
        base = dict(win=w["name"], wsize=[w["w"], w["h"]], ovr=w["ovr"])
        if r < 0.20:  # click
            p = self.pos_in(w)
            if not p:
                return
            b = self.rng.choices([1, 3, 2], [0.6, 0.3, 0.1])[0]
            n = 2 if self.rng.random() < 0.12 else 1
            self.record(dict(base, a="click", b=b, n=n, rel=rel(p), abs=list(p)))
            xdo("mousemove", p[0], p[1], "click", "--repeat", n, "--delay", 60, b)
        elif r < 0.26:  # drag
            p, q = self.pos_in(w), self.pos_in(w)
            if not p or not q:
                return
            b = self.rng.choices([1, 3, 2], [0.7, 0.2, 0.1])[0]
            self.record(dict(base, a="drag", b=b, rel=rel(p), rel2=rel(q), abs=list(p), abs2=list(q)))
            mid = ((p[0] + q[0]) // 2, (p[1] + q[1]) // 2)
            xdo("mousemove", p[0], p[1], "mousedown", b, "mousemove", mid[0], mid[1],
                "sleep", 0.05, "mousemove", q[0], q[1], "mouseup", b)
        elif r < 0.30:  # wheel or hover
            p = self.pos_in(w)
            if not p:
                return
            if self.rng.random() < 0.5:
                b = self.rng.choice([4, 5])
                self.record(dict(base, a="wheel", b=b, rel=rel(p), abs=list(p)))
                xdo("mousemove", p[0], p[1], "click", "--repeat", 3, b)
            else:
                self.record(dict(base, a="hover", rel=rel(p), abs=list(p)))
                xdo("mousemove", p[0], p[1])
        elif r < 0.50:  # single key
            k = self.rng.choice(KEYS)
            self.record(dict(base, a="key", k=k))
            xdo("key", k)
        elif r < 0.56:  # shortcuts
            k = self.rng.choice(SHORTCUTS)
            self.record(dict(base, a="key", k=k))
            xdo("key", k)
        elif r < 0.72:  # menu
            aname = next((x["name"] for x in wins if x["id"] == active), "")
            table = MENU_ITEMS
            if aname == "Forced Response":
                table = FORCED_MENU_ITEMS
            elif aname == "Transient Response":
                table = TRANSIENT_MENU_ITEMS
            elif aname.startswith("Campbell"):
                table = CAMPBELL_MENU_ITEMS
            elif aname.startswith("Kelvo - List file viewer"):
                table = VIEWER_MENU_ITEMS
            if table is MENU_ITEMS and self.rng.random() < 0.3:
                m, k2 = self.rng.choice(FOCUS_MENU)
            else:
                m = self.rng.choice(list(table))
                items = table[m]
                k2 = self.rng.choice(items) if items and self.rng.random() < 0.75 else \
                    self.rng.choice("abcdefghijklmnopqrstuvwxyz")
            if table is MENU_ITEMS and m == "f" and k2 == "x" and self.rng.random() < 0.8:
                k2 = self.rng.choice("nosvrep")  # Exit ends the run: keep it rarer
            keys = [f"alt+{m}", k2]
            if m == "c" and k2 == "s" and self.rng.random() < 0.8:
                keys.append(self.rng.choice("ng"))
            aw = next((x for x in wins if x["id"] == active), None)
            titles = FORCED_MENU_X if table in (FORCED_MENU_ITEMS, TRANSIENT_MENU_ITEMS) else \
                CAMPBELL_MENU_X if table is CAMPBELL_MENU_ITEMS else \
                {} if table is VIEWER_MENU_ITEMS else MAIN_MENU_X
            if os.environ.get("MONKEY_MENU_MOUSE") and aw is not None and m in titles:
                # Open the menu with the mouse (not Alt+letter), then the item's letter.
                p = (aw["x"] + titles[m], aw["y"] + 8)
                self.record(dict(base, a="menu-click", m=m, rel=[titles[m], 8], abs=list(p),
                                 keys=keys[1:]))
                xdo("mousemove", p[0], p[1], "click", 1)
                time.sleep(0.3)
                if keys[1:]:
                    xdo("key", "--delay", 120, *keys[1:])
                time.sleep(0.3)
                return
            self.record(dict(base, a="menu", keys=keys))
            xdo("key", "--delay", 120, *keys)
            time.sleep(0.3)
        elif r < 0.87:  # type a string
            s = self.random_string()
            sel = self.rng.random() < 0.5
            ret = self.rng.random() < 0.3
            self.record(dict(base, a="type", s=s, selall=sel, ret=ret))
            if sel:
                xdo("key", "ctrl+a")
            xdo("type", "--delay", 4, "--", s, timeout=60)
            if ret:
                xdo("key", "Return")
        elif r < 0.90:  # resize
            if w["ovr"]:
                return
            wh = self.rng.choice([(1, 1), (10, 10), (50, 30), (120, 80), (200, 150), (400, 300),
                                  (800, 600), (1280, 1000), (1280, 1000), (1000, 800),
                                  (1600, 1200), (2500, 2000), (3000, 200), (200, 3000)])
            self.record(dict(base, a="resize", size=list(wh)))
            xdo("windowsize", w["id"], wh[0], wh[1])
        elif r < 0.92:  # move a window back onto the screen / somewhere
            if w["ovr"]:
                return
            xy = self.rng.choice([(0, 0), (100, 80), (600, 400)])
            self.record(dict(base, a="move", xy=list(xy)))
            xdo("windowmove", w["id"], xy[0], xy[1])
        elif r < 0.95:  # activate another window
            cands = [x for x in wins if not x["ovr"]]
            if not cands:
                return
            v = self.rng.choice(cands)
            self.record(dict(a="activate", win=v["name"]))
            xdo("windowactivate", v["id"], timeout=5)
        elif r < 0.96:  # close the active window through the window manager
            if active == self.main and self.rng.random() < 0.75:
                return  # closing the main window ends the run: keep it rarer
            self.record(dict(base, a="key", k="alt+F4"))
            xdo("key", "alt+F4")
        else:  # a burst of Return/Escape/Tab (dialog answering)
            ks = [self.rng.choice(["Return", "Escape", "Tab", "space"]) for _ in range(self.rng.randint(2, 5))]
            self.record(dict(base, a="keys", ks=ks))
            xdo("key", "--delay", 50, *ks)

    # ------------------------------------------------------------ dialogs
    def open_path(self):
        files = sorted(f for f in os.listdir(self.dir) if not f.startswith("."))
        r = self.rng.random()
        if r < 0.75 and files:
            return os.path.join(self.dir, self.rng.choice(files))
        return os.path.join(self.dir, self.rng.choice(
            ["nope.rtm", "subdir", "subdir/deeper", "", "nodir/x.rtm", "big100.rtm"]))

    def save_path(self):
        r = self.rng.random()
        ext = self.rng.choice(["rtm", "rtm", "svg", "pdf", "png", "lis", "txt", "", "RTM", "Png",
                               "tar.gz", "svg.rtm"])
        name = f"out{self.rng.randint(0, 9)}" + (f".{ext}" if ext else "")
        if r < 0.55:
            return os.path.join(self.dir, name)
        if r < 0.7:
            files = sorted(f for f in os.listdir(self.dir)
                           if not f.startswith(".") and os.path.isfile(os.path.join(self.dir, f)))
            return os.path.join(self.dir, self.rng.choice(files))
        if r < 0.8:  # names around the 130-character field width
            total = self.rng.choice([126, 129, 130, 131, 132, 140, 200])
            stem = "N" * max(1, total - len(self.dir) - 1 - 4)
            return os.path.join(self.dir, stem + ".rtm")
        if r < 0.87:
            return os.path.join(self.dir, self.rng.choice(["subdir", "nodir/x.rtm", "subdir/"]))
        return os.path.join(self.dir, self.rng.choice(["mödel 1'x.rtm", "a b.svg", "-x.rtm",
                                                        "x.rtm.", ".rtm", "x..rtm"]))

    def handle_dialogs(self, wins):
        """Answers file and print dialogs; True when it did something."""
        top = None
        for w in wins:
            if is_file_dialog(w) or is_file_dialog_box(w) or (w["name"] == "Print" and not w["ovr"]):
                top = w  # the last such window is the top one
        if top is None:
            # a popup (e.g. completer) above a file dialog: leave it to Escape
            return False
        act = xdo("windowactivate", "--sync", top["id"], timeout=4)
        if top["name"] == "Print":
            self.record(dict(a="print-dialog", win=top["name"], keys=["Escape"]))
            xdo("key", "Escape")
            time.sleep(0.4)
            return True
        if is_file_dialog_box(top):
            k = self.rng.choices(["y", "Return", "Escape"], [0.5, 0.3, 0.2])[0]
            self.record(dict(a="file-box", win=top["name"], keys=[k]))
            xdo("key", k)
            time.sleep(0.4)
            return True
        n = self.file_attempts.get(top["id"], 0) + 1
        self.file_attempts[top["id"]] = n
        if n > 3 or self.rng.random() < 0.2:
            self.record(dict(a="file-dialog", win=top["name"], keys=["Escape"]))
            xdo("key", "Escape")
            time.sleep(0.4)
            return True
        path = self.open_path() if top["name"] == "Open" else self.save_path()
        keys = []
        if self.rng.random() < 0.15:
            keys = ["alt+t"] + [self.rng.choice(["Down", "Up"])] * self.rng.randint(1, 3)
        self.record(dict(a="file-dialog", win=top["name"], pre=keys, path=path))
        if keys:
            xdo("key", "--delay", 80, *keys)
        xdo("key", "alt+n", "ctrl+a")
        xdo("type", "--delay", 3, "--", path, timeout=30)
        xdo("key", "Return")
        time.sleep(0.8)
        return True

    # ------------------------------------------------------------ checks
    def find_main(self, wins):
        for w in wins:
            if w["id"] == self.main:
                return w
        for w in wins:
            if not w["ovr"] and w["name"].startswith("Harbrook"):
                self.main = w["id"]
                self.event(f"main window now 0x{w['id']:x}")
                return w
        return None

    def health(self, wins):
        """Pings the main window; returns False when the run must end."""
        if self.main is None:
            return True
        rc, out = xping(self.main, 10000)
        if rc == 0:
            return True
        if rc == 4:  # window gone
            self.event(f"main window 0x{self.main:x} gone")
            return True
        if rc == 2:
            self.event(f"HANG: main window did not answer a ping within 10 s")
            self.findings.append("hang")
            self.evidence("hang")
            for i in range(10):  # does it recover within 60 more seconds?
                rc, out = xping(self.main, 6000)
                if rc == 0:
                    self.event(f"recovered after about {10 + 6 * i} s more")
                    return True
                if self.proc.poll() is not None:
                    return False
            self.evidence("hang-final")
            self.event("still hung after 70 s; killing")
            self.proc.send_signal(signal.SIGKILL)
            return False
        self.event(f"ping rc {rc} {out}")
        return True

    def evidence(self, tag):
        screenshot(os.path.join(self.dir, "shots", f"{tag}.png"))
        with open(os.path.join(self.dir, f"{tag}-gdb.txt"), "w") as f:
            for t in glob.glob(f"/proc/{self.pid}/task/*"):
                try:
                    f.write(f"{t} {open(t + '/comm').read().strip()} "
                            f"{open(t + '/stat').read().split()[2]} {open(t + '/wchan').read()}\n")
                except OSError:
                    pass
            f.flush()
            subprocess.run(["gdb", "-p", str(self.pid), "-batch", "-ex", "thread apply all bt 40"],
                           stdout=f, stderr=subprocess.STDOUT, timeout=120)

    # ------------------------------------------------------------ main loop
    def loop(self):
        end = self.t0 + self.a.duration
        last_health = time.time()
        last_shot = 0
        replay = None
        if self.a.replay:
            replay = [json.loads(l) for l in open(self.a.replay)]
            if self.a.replay_upto is not None:
                replay = [x for x in replay if x["i"] <= self.a.replay_upto]
        ri = 0
        while time.time() < end:
            if self.proc.poll() is not None:
                break
            wins, active = xwins(self.pid)
            mw = self.find_main(wins)
            if mw is not None:
                if not self.captions or self.captions[-1] != mw["name"]:
                    self.captions.append(mw["name"])
                    self.event(f"caption: {mw['name']}")
            names = sorted(set(w["name"] for w in wins if not w["ovr"]))
            if getattr(self, "_last_names", None) != names:
                self._last_names = names
                self.event(f"windows: {names}")
            if time.time() - last_health > 2.5:
                if not self.health(wins):
                    break
                last_health = time.time()
            if time.time() - last_shot > 30:
                last_shot = time.time()
                screenshot(os.path.join(self.dir, "shots", f"t{int(time.time() - self.t0):04d}.png"))
            if not wins:
                # nothing viewable: maybe iconified, maybe between windows
                time.sleep(0.3)
                wins2, _ = xwins(self.pid)
                if not wins2 and self.main:
                    self.event("no viewable window; mapping main window")
                    xdo("windowmap", self.main, timeout=5)
                    xdo("windowactivate", self.main, timeout=5)
                    time.sleep(0.5)
                continue
            if replay is not None:
                if ri >= len(replay):
                    self.event("replay done; waiting")
                    time.sleep(min(10, max(0, end - time.time())))
                    if self.a.replay_exit:
                        break
                    continue
                self.replay_one(replay[ri], wins, active)
                ri += 1
                time.sleep(self.a.replay_delay)
                continue
            if self.handle_dialogs(wins):
                continue
            self.do_random(wins, active)
            time.sleep(self.rng.uniform(0.02, 0.2))

    def replay_one(self, act, wins, active):
        def find(name):
            c = [w for w in wins if w["name"] == name]
            return c[-1] if c else None
        w = find(act.get("win", "")) or next((x for x in wins if x["id"] == active), wins[-1])
        a = act["a"]
        self.record(dict(act, replayed=True))
        def ab(rel):
            return w["x"] + min(rel[0], max(w["w"] - 1, 0)), w["y"] + min(rel[1], max(w["h"] - 1, 0))
        if a in ("file-dialog", "file-box", "print-dialog"):
            xdo("windowactivate", "--sync", w["id"], timeout=4)
            if "path" in act:
                if act.get("pre"):
                    xdo("key", "--delay", 80, *act["pre"])
                xdo("key", "alt+n", "ctrl+a")
                xdo("type", "--delay", 3, "--", act["path"], timeout=30)
                xdo("key", "Return")
                time.sleep(0.8)
            else:
                xdo("key", *act["keys"])
                time.sleep(0.4)
        elif a == "click":
            p = ab(act["rel"])
            xdo("mousemove", p[0], p[1], "click", "--repeat", act["n"], "--delay", 60, act["b"])
        elif a == "drag":
            p, q = ab(act["rel"]), ab(act["rel2"])
            mid = ((p[0] + q[0]) // 2, (p[1] + q[1]) // 2)
            xdo("mousemove", p[0], p[1], "mousedown", act["b"], "mousemove", mid[0], mid[1],
                "sleep", 0.05, "mousemove", q[0], q[1], "mouseup", act["b"])
        elif a == "wheel":
            p = ab(act["rel"])
            xdo("mousemove", p[0], p[1], "click", "--repeat", 3, act["b"])
        elif a == "hover":
            p = ab(act["rel"])
            xdo("mousemove", p[0], p[1])
        elif a == "key":
            xdo("key", act["k"])
        elif a == "keys":
            xdo("key", "--delay", 50, *act["ks"])
        elif a == "menu":
            xdo("key", "--delay", 120, *act["keys"])
            time.sleep(0.3)
        elif a == "menu-click":
            p = ab(act["rel"])
            xdo("mousemove", p[0], p[1], "click", 1)
            time.sleep(0.3)
            if act["keys"]:
                xdo("key", "--delay", 120, *act["keys"])
            time.sleep(0.3)
        elif a == "type":
            if act["selall"]:
                xdo("key", "ctrl+a")
            xdo("type", "--delay", 4, "--", act["s"], timeout=60)
            if act["ret"]:
                xdo("key", "Return")
        elif a == "resize":
            xdo("windowsize", w["id"], *act["size"])
        elif a == "move":
            xdo("windowmove", w["id"], *act["xy"])
        elif a == "activate":
            xdo("windowactivate", w["id"], timeout=5)

    # ------------------------------------------------------------ wrap-up
    def finish(self):
        alive = self.proc.poll() is None
        if alive:
            # end the program: it is ours (by pid)
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.send_signal(signal.SIGKILL)
                self.proc.wait()
        rc = self.proc.returncode
        self.out.close()
        self.err.close()
        err = open(os.path.join(self.dir, "stderr.log"), errors="replace").read()
        sanitizer = any(s in err for s in ("AddressSanitizer", "runtime error:",
                                           "UndefinedBehaviorSanitizer", "LeakSanitizer"))
        summary = dict(seed=self.a.seed, model=self.a.model, binary=self.a.binary,
                       duration_s=round(time.time() - self.t0, 1), actions=self.n,
                       alive_at_end=alive, returncode=rc, sanitizer_report=sanitizer,
                       findings=self.findings, last_caption=self.captions[-1] if self.captions else None)
        if not alive:
            self.event(f"program ended by itself, rc {rc}")
            if rc != 0 and not sanitizer:
                self.findings.append(f"exit status {rc}")
            if sanitizer:
                self.findings.append("sanitizer report")
            if rc == 0 and self.captions and self.captions[-1].rstrip().endswith("*"):
                self.event("NOTE: exited normally while the caption showed unsaved changes")
        # written files outside the run directory?  (the program runs as nobody)
        outside = subprocess.run(
            ["find", "/", "-xdev", "-user", str(NOBODY), "-newer", self.stamp,
             "-not", "-path", self.dir + "*", "-not", "-path", "/proc/*"],
            capture_output=True, text=True).stdout.split()
        summary["written_outside"] = outside
        summary["findings"] = self.findings
        with open(os.path.join(self.dir, "summary.json"), "w") as f:
            json.dump(summary, f, indent=1)
        with open(os.path.join(self.dir, "last50.jsonl"), "w") as f:
            for act in self.actions[-50:]:
                f.write(json.dumps(act, ensure_ascii=False) + "\n")
        self.elog.close()
        self.alog.close()
        print(json.dumps(summary))


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--seed", type=int, required=True)
    p.add_argument("--duration", type=float, default=180)
    p.add_argument("--model", default="")
    p.add_argument("--binary", default=os.environ.get("SPINDRA_BINARY", "build-asan/spindra"))
    p.add_argument("--dir", default=None)
    p.add_argument("--replay", default=None)
    p.add_argument("--replay-upto", type=int, default=None)
    p.add_argument("--replay-delay", type=float, default=0.15)
    p.add_argument("--replay-exit", action="store_true")
    a = p.parse_args()
    if a.dir is None:
        a.dir = os.path.join(os.environ.get("MONKEY_DIR", "."), "runs", f"seed{a.seed}")
    if os.path.exists(a.dir):
        shutil.rmtree(a.dir)
    run = Run(a)
    run.prepare()
    if run.start():
        run.loop()
    run.finish()


if __name__ == "__main__":
    main()
