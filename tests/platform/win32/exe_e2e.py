#!/usr/bin/python3
"""End-to-end run of Dimwarden_V5.0.exe under Wine on an Xorg with the dummy driver, with openbox
and trayer: window, tint, picker, close, settings file, tray icon and its menu, second start, two
outputs. Wine reaches the display's gamma through XF86VidMode, read back here with ctypes.

    exe_e2e.py PREFIX EXE SHOT_DIR

Exits 77 when the dummy Xorg, openbox or trayer is missing. Leaves no server and no wineserver.
"""
import ctypes
import getpass
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

WINE = os.environ.get("WINE", "/usr/lib/wine/wine64")
WINESERVER = os.environ.get("WINESERVER", "/usr/lib/wine/wineserver")
TITLE = "澄岚电脑夜间模式工具V5.0 [Dimwarden]"
DESKTOP = r"HKCU\Control Panel\Desktop"  # its LogPixels is the density Wine gives programs
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def wait_for(condition, seconds=20.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.2)
    return condition()


class Ramps:
    """The screen's gamma ramp as XF86VidMode holds it."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.vm = ctypes.CDLL("libXxf86vm.so.1")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.dpy = wait_for(lambda: self.x11.XOpenDisplay(display.encode()), 10)
        if not self.dpy:
            raise RuntimeError("cannot open " + display)

    def crtc_tops(self):
        """The red table's top entry of every CRTC that drives an output (RandR)."""
        xrr = ctypes.CDLL("libXrandr.so.2")

        class Resources(ctypes.Structure):
            _fields_ = [("timestamp", ctypes.c_ulong), ("configTimestamp", ctypes.c_ulong),
                        ("ncrtc", ctypes.c_int), ("crtcs", ctypes.POINTER(ctypes.c_ulong))]

        class Gamma(ctypes.Structure):
            _fields_ = [("size", ctypes.c_int), ("red", ctypes.POINTER(ctypes.c_ushort)),
                        ("green", ctypes.POINTER(ctypes.c_ushort)),
                        ("blue", ctypes.POINTER(ctypes.c_ushort))]

        class CrtcInfo(ctypes.Structure):
            _fields_ = [("timestamp", ctypes.c_ulong), ("x", ctypes.c_int), ("y", ctypes.c_int),
                        ("width", ctypes.c_uint), ("height", ctypes.c_uint),
                        ("mode", ctypes.c_ulong), ("rotation", ctypes.c_ushort),
                        ("noutput", ctypes.c_int)]

        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        root = self.x11.XDefaultRootWindow(ctypes.c_void_p(self.dpy))
        xrr.XRRGetScreenResources.restype = ctypes.POINTER(Resources)
        xrr.XRRGetCrtcInfo.restype = ctypes.POINTER(CrtcInfo)
        xrr.XRRGetCrtcGamma.restype = ctypes.POINTER(Gamma)
        res = xrr.XRRGetScreenResources(ctypes.c_void_p(self.dpy), ctypes.c_ulong(root))
        tops = []
        for i in range(res.contents.ncrtc):
            crtc = res.contents.crtcs[i]
            info = xrr.XRRGetCrtcInfo(ctypes.c_void_p(self.dpy), res, ctypes.c_ulong(crtc))
            if info.contents.mode == 0:
                continue
            g = xrr.XRRGetCrtcGamma(ctypes.c_void_p(self.dpy), ctypes.c_ulong(crtc))
            tops.append(g.contents.red[g.contents.size - 1])
        return tops

    def read(self):
        size = ctypes.c_int()
        self.vm.XF86VidModeGetGammaRampSize(ctypes.c_void_p(self.dpy), 0, ctypes.byref(size))
        tables = [(ctypes.c_ushort * size.value)() for _ in range(3)]
        self.vm.XF86VidModeGetGammaRamp(ctypes.c_void_p(self.dpy), 0, size, *tables)
        return [list(t) for t in tables]

    def write(self, ramps):
        """Sets the screen's ramp from outside, as another program or a reset would."""
        size = len(ramps[0])
        tables = [(ctypes.c_ushort * size)(*t) for t in ramps]
        self.vm.XF86VidModeSetGammaRamp(ctypes.c_void_p(self.dpy), 0, size, *tables)
        self.x11.XSync(ctypes.c_void_p(self.dpy), 0)


# The server keeps 8 bits per entry (steps of 257) and its own ramp tops at 65280, not 65535.
def near(table, expected, tolerance=400):
    return all(abs(a - b) <= tolerance for a, b in zip(table, expected))


def tinted(ramps, factors):
    red, green, blue = ramps
    n = len(red)
    ident = [i * 65280 // (n - 1) for i in range(n)]
    return all(near(t, [v * f for v in ident]) for t, f in zip((red, green, blue), factors))


def read_lines(process, count, seconds=20.0):
    """Up to `count` lines of the process's output, waiting at most `seconds` in all."""
    lines = []
    end = time.monotonic() + seconds
    buffered = getattr(process, "buffered", b"")
    while len(lines) < count:
        while b"\n" in buffered and len(lines) < count:
            line, buffered = buffered.split(b"\n", 1)
            lines.append(line.decode().strip())
        left = end - time.monotonic()
        if len(lines) >= count or left <= 0:
            break
        ready, _, _ = select.select([process.stdout], [], [], left)
        if not ready:
            break
        chunk = os.read(process.stdout.fileno(), 4096)
        if not chunk:
            break
        buffered += chunk
    process.buffered = buffered
    return lines


def start_desktop(work, env, procs):
    """The dummy Xorg, openbox and trayer; sets DISPLAY in env. False when the server fails."""
    conf = os.path.join(work, "xorg.conf")
    with open(conf, "w") as f:
        f.write('Section "Device"\n Identifier "d"\n Driver "dummy"\n VideoRam 256000\nEndSection\n')
    r, w = os.pipe()
    xorg = subprocess.Popen(["Xorg", "-displayfd", str(w), "-config", conf, "-noreset",
                             "-nolisten", "tcp", "-novtswitch", "-sharevts", "-logfile",
                             os.path.join(work, "xorg.log")], pass_fds=(w,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    procs.append(xorg)
    os.close(w)
    # The server writes the number, then a newline; the pipe stays open until both came.
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(r, 16)
        if not chunk:
            break
        number += chunk
    number = number.decode().strip()
    os.close(r)
    if not number:
        print("Xorg did not start")
        return False
    env["DISPLAY"] = ":" + number
    procs.append(subprocess.Popen(["openbox", "--sm-disable"], env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    procs.append(subprocess.Popen(
        ["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
         "120", "--heighttype", "pixel", "--height", "32", "--transparent", "false"],
        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    if not wait_for(lambda: subprocess.run(["xdpyinfo"], env=env, capture_output=True)
                    .returncode == 0, 10):
        print("the X server does not answer:", xorg.poll(),
              open(os.path.join(work, "xorg.log")).read()[-800:])
        return False
    return True


def main():
    # The window pictures are held against the Qt windows afterwards: none from an earlier run
    # may stand in for this run's.
    for name in ("wine-main.png", "wine-picker.png", "wine-main-144.png", "wine-picker-144.png"):
        if os.path.exists(os.path.join(SHOTS, name)):
            os.remove(os.path.join(SHOTS, name))
    if not shutil.which("Xorg") or not os.path.exists("/usr/lib/xorg/modules/drivers/dummy_drv.so"):
        print("no Xorg with the dummy driver")
        return 77
    for tool in ("openbox", "trayer", "xdotool", "xwininfo", "xrandr", "import", "convert"):
        if not shutil.which(tool):
            print("missing", tool)
            return 77
    work = tempfile.mkdtemp()
    procs = []
    dense = []  # set while the prefix's density is 144 dpi
    env = dict(os.environ, WINEPREFIX=PREFIX, WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
               XDG_CACHE_HOME=os.path.join(work, "cache"))
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
    try:
        if not start_desktop(work, env, procs):
            return 1
        ramps = Ramps(env["DISPLAY"])

        def run(*args):
            return subprocess.run(list(args), env=env, capture_output=True, text=True).stdout

        def windows():
            return run("xwininfo", "-root", "-tree")

        def main_window():
            m = re.search(r"(0x[0-9a-f]+) \"" + re.escape(TITLE) +
                          r"\".*?(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)", windows())
            return m and (m.group(1), int(m.group(2)), int(m.group(3)), int(m.group(4)),
                          int(m.group(5)))

        def viewable(wid):
            return "IsViewable" in run("xwininfo", "-id", wid)

        def click(x, y, button=1):
            run("xdotool", "mousemove", str(x), str(y), "sleep", "0.3", "click", str(button))
            time.sleep(0.5)

        def settled_shot(wid, path):
            # The pointer off the windows first (a tooltip it raises can cover part of a shot
            # taken without a compositor), then the window taken until two pictures in a row
            # agree: Wine may still be painting a window that has just been placed.
            height = int(run("xdotool", "getdisplaygeometry").split()[1])
            run("xdotool", "mousemove", "0", str(height - 1), "sleep", "0.5")
            raw = path + ".ppm"
            previous = None
            for _ in range(8):
                run("import", "-window", wid, raw)
                with open(raw, "rb") as f:
                    data = f.read()
                if data == previous:
                    break
                previous = data
                time.sleep(0.3)
            run("convert", raw, path)
            os.remove(raw)

        def start(*args):
            p = subprocess.Popen([WINE, EXE, *args], env=env, stdout=subprocess.PIPE,
                                 stderr=subprocess.STDOUT, text=True)
            procs.append(p)
            return p

        ini = os.path.join(PREFIX, "drive_c", "users", getpass.getuser(), "AppData", "Roaming",
                           "Dimwarden", "Dimwarden.ini")
        if os.path.exists(ini):
            os.remove(ini)
        journal = os.path.join(PREFIX, "drive_c", "users", getpass.getuser(), "AppData", "Local",
                               "Dimwarden", "dimwarden-gamma-gdi.journal")
        if os.path.exists(journal):
            os.remove(journal)

        def command(*args):
            """A command for the running instance: its status, stdout, stderr and seconds."""
            t = time.monotonic()
            p = subprocess.run([WINE, EXE, *args], env=env, capture_output=True, text=True,
                               timeout=60)
            return p.returncode, p.stdout.strip(), p.stderr, time.monotonic() - t

        code, out, err, _ = command("--status")
        check(code == 3 and out == "", "--status with none running ends with 3 (%s, %r)" % (code, err))
        check(not main_window(), "--status with none running starts nothing")

        # ---- First start: no colour stored, the window shows with the default tint.
        t0 = time.monotonic()
        tool = start()
        win = wait_for(lambda: (lambda w: w if w and viewable(w[0]) else None)(main_window()), 40)
        if not check(bool(win), "the main window appears"):
            return 1
        print("      start to window: %.1f s" % (time.monotonic() - t0))
        wid, width, height, x, y = win
        check((width, height) == (537, 499), "the window is 537 x 499 (%d x %d)" % (width, height))
        check(wait_for(lambda: tinted(ramps.read(), (0.5, 0.75, 1.0))),
              "the default colour's tint reaches the display (red x0.5, green x0.75)")
        time.sleep(1)
        shot = os.path.join(SHOTS, "wine-main.png")
        settled_shot(wid, shot)
        # The layout table's areas, each at a point that no text or picture covers (fonts differ
        # from system to system, the areas do not).
        for what, px, py, rgb in (("top bar", 430, 55, "F2F2F2"),
                                  ("setting band", 4, 100, "00A7D1"),
                                  ("advanced band", 4, 300, "0093B8"),
                                  ("window ground", 520, 470, "F3F9FC"),
                                  ("swatch with the default colour", 470, 172, "0080FF"),
                                  ("switch knob, on", 20, 466, "388DF3")):
            got = run("/usr/bin/convert", shot, "-format", "%%[hex:p{%d,%d}]" % (px, py),
                      "info:").strip()
            check(got.upper().startswith(rgb), "%s at (%d, %d) is #%s (%s)" % (what, px, py, rgb, got))

        # ---- Hover: the close picture lights under the pointer, the top bar puts it out.
        def close_picture():
            crop = os.path.join(SHOTS, "close.png")
            run("import", "-window", "root", "-crop", "32x32+%d+%d" % (x + 488, y + 8), crop)
            return run("/usr/bin/convert", crop, "-format", "%#", "info:")

        normal = close_picture()
        run("xdotool", "mousemove", str(x + 504), str(y + 24), "sleep", "0.5")
        lit = close_picture()
        run("xdotool", "mousemove", str(x + 300), str(y + 55), "sleep", "0.5")
        check(lit != normal and close_picture() == normal,
              "the close picture lights under the pointer and goes out over the top bar")

        # ---- Dragging by the title strip moves the window.
        run("xdotool", "mousemove", str(x + 300), str(y + 50), "sleep", "0.3", "mousedown", "1",
            "sleep", "0.3", "mousemove", str(x + 360), str(y + 90), "sleep", "0.3", "mousemove",
            str(x + 400), str(y + 130), "sleep", "0.5", "mouseup", "1", "sleep", "0.5")
        moved = main_window()
        check(bool(moved) and (moved[3], moved[4]) != (x, y),
              "the title strip drags the window (%s -> %s)" % ((x, y), moved and moved[3:]))
        if moved:
            x, y = moved[3], moved[4]

        # ---- A second start ends at once and changes nothing.
        second = start()
        try:
            code = second.wait(30)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, "a second start ends at once with status 0 (%s)" % code)
        check(tool.poll() is None and tinted(ramps.read(), (0.5, 0.75, 1.0)),
              "the first instance runs on with its tint")

        # ---- Commands forwarded to the running instance's window with WM_COPYDATA: the ramp,
        # the status line, and bad usage that sends nothing. Brightness 20 stands for x0.75.
        watcher = subprocess.Popen([WINE, EXE, "--watch"], env=env, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL)
        procs.append(watcher)
        watched = read_lines(watcher, 1)
        check(watched == ["night #0080FF 40"], "--watch prints the state first (%s)" % watched)
        applied = []
        for args, status, factors, line in (
                (["--normal"], 0, (1, 1, 1), ""),
                (["--night"], 0, (0.5, 0.75, 1.0), ""),
                (["--color", "FF8000"], 0, (1.0, 0.75, 0.5), ""),
                (["--status"], 0, (1.0, 0.75, 0.5), "night #FF8000 40"),
                (["--brightness", "-20"], 0, (0.75, 0.75, 0.75), ""),
                (["--toggle"], 0, (1, 1, 1), ""),
                (["--status", "--json"], 0, (1, 1, 1),
                 '{"night":false,"color":"#808080","brightness":20,"schedule":"off","fade":60,'
                 '"automatic":true,"untinted":[],"autostart":false,"pause_fullscreen":false,'
                 '"pause_apps":[],"paused":[],"pause_unavailable":""}'),
                (["--bogus"], 2, (1, 1, 1), ""),
                (["--color", "12345"], 2, (1, 1, 1), ""),
                (["--night", "--toggle"], 2, (1, 1, 1), ""),
                (["#night"], 2, (1, 1, 1), ""),
                (["--night"], 0, (0.75, 0.75, 0.75), ""),
                # An output by name, here one that is not plugged in: kept, named, no ramp change.
                (["--untint", "My TV"], 0, (0.75, 0.75, 0.75), ""),
                (["--status"], 0, (0.75, 0.75, 0.75), "night #808080 20 untinted=My%20TV"),
                (["--tint", "My TV"], 0, (0.75, 0.75, 0.75), "")):
            code, out, err, seconds = command(*args)
            what = " ".join(args)
            check(code == status and out == line and (status != 2 or
                                                      err.startswith("dimwarden: ")),
                  "%s ends with %d and prints %r (%s, %r, %r)" % (what, status, line, code, out,
                                                                err[:80]))
            check(tinted(ramps.read(), factors), "after %s the ramp is x%s" % (what, factors))
            if status == 0 and not line:
                applied.append(seconds)
        applied.sort()
        print("      command to applied, median of %d: %.2f s (a wine process start included)"
              % (len(applied), applied[len(applied) // 2]))
        watched = read_lines(watcher, 8)
        check(watched == ["normal #0080FF 40", "night #0080FF 40", "night #FF8000 40",
                          "night #808080 20", "normal #808080 20", "night #808080 20",
                          "night #808080 20 untinted=My%20TV", "night #808080 20"],
              "--watch prints a line for every change (%s)" % watched)
        check(tool.poll() is None, "the instance runs on")

        # ---- Start at login from the command line: the Run value, as `reg query` reads it.
        run_key = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"

        def run_value():
            out = run(WINE, "reg", "query", run_key, "/v", "Dimwarden")
            m = re.search(r"Dimwarden\s+REG_SZ\s+(.*)", out)
            return m.group(1).strip() if m else None

        code, _, err, _ = command("--autostart", "on")
        value = run_value()
        check(code == 0 and value is not None and value.startswith('"') and
              value.endswith('Dimwarden_V5.0.exe"'),
              "--autostart on writes the quoted exe path under Run (%s, %r, %r)" % (code, value,
                                                                                   err[:80]))
        _, out, _, _ = command("--status")
        check(out.endswith(" autostart=on"), "--status says autostart=on (%r)" % out)
        code, _, _, _ = command("--autostart", "off")
        check(code == 0 and run_value() is None, "--autostart off removes the Run value")

        # ---- The system's resets: Wine raises no power-setting or session notification, so
        # the helper sends them to the events window. The screen's ramp set to the identity from
        # outside is tinted again after each; a ramp the reset left alone is not written.
        helper = os.path.join(SHOTS, "send_system_event.exe")
        identity = [[i * 257 for i in range(256)] for _ in range(3)]
        factors = (0.75, 0.75, 0.75)
        back = []
        for event in ("unlock", "display-on", "console-connect", "unlock", "display-on"):
            ramps.write(identity)
            sent = subprocess.run([WINE, helper, "Dimwarden.SystemEvents", event], env=env,
                                  capture_output=True, text=True)
            # The message is sent, not posted: once handled, the ramp is written.
            ok = tinted(ramps.read(), factors)
            check(sent.returncode == 0 and ok,
                  "after %s (sent by the helper) the tint is back" % event)
            if sent.stdout.strip():
                back.append(float(sent.stdout.split()[-1]))
        back.sort()
        if back:
            print("      reset to tint back (the event handled), median of %d: %.1f ms"
                  % (len(back), back[len(back) // 2]))
        # One 8-bit step off (the first entry of each table, 0 in the tint) is the display's
        # rounding, not a reset: nothing is written, so the step stays.
        shifted = [[257] + t[1:] for t in ramps.read()]
        ramps.write(shifted)
        subprocess.run([WINE, helper, "Dimwarden.SystemEvents", "unlock"], env=env)
        time.sleep(1)
        check(ramps.read() == shifted, "a ramp that still holds the tint is not written again")

        # ---- Steps sent at once all count: each is taken where the slider stands in the
        # instance, not where its sender read it.
        check(command("--brightness", "0")[0] == 0, "--brightness 0 is taken")
        steps = [subprocess.Popen([WINE, EXE, "--brightness", "+1"], env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                 for _ in range(20)]
        procs.extend(steps)
        codes = {p.wait(120) for p in steps}
        _, out, _, _ = command("--status")
        check(codes == {0} and out == "night #808080 20",
              "20 concurrent --brightness +1 from 0 end at 20 (%s, %r)" % (codes, out))

        # ---- The picker opens from the swatch; swatch 1 (R 80, G 127, B 255) tints; confirm.
        click(x + 340, y + 172)

        def picker_window(size="433x249"):
            # Wine creates the window before it maps and places it: only a mapped window that
            # stayed put for half a second is where a click lands.
            found = [m for m in re.finditer(
                r"(0x[0-9a-f]+) .*?" + size + r"\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)", windows())
                if viewable(m.group(1))]
            if not found:
                return None
            time.sleep(0.5)
            again = re.search(re.escape(found[0].group(0)), windows())
            return found[0] if again else None

        picker = wait_for(picker_window)
        if check(bool(picker), "the picker opens from the swatch, 433 x 249"):
            px, py = int(picker.group(2)), int(picker.group(3))
            settled_shot(picker.group(1), os.path.join(SHOTS, "wine-picker.png"))
            swatch_tint = (52 / 80, 0.75, 1.0)
            for attempt in range(3):
                # A click that did not land is given again, with the picker raised, in case
                # the window manager stacked the owner over it after the click that opened it.
                if attempt:
                    run("xdotool", "windowraise", picker.group(1))
                click(px + 58, py + 101)
                if wait_for(lambda: tinted(ramps.read(), swatch_tint), 10):
                    break
            if not check(tinted(ramps.read(), swatch_tint),
                         "a swatch click tints the display with its colour"):
                # What the pointer met, for the log.
                run("import", "-window", "root", os.path.join(SHOTS, "wine-picker-missed.png"))
                print("     picker at (%d, %d); windows of its size: %s; pointer: %s" % (
                    px, py, re.findall(r".*433x249.*", windows()),
                    run("xdotool", "getmouselocation").strip()))
            click(px + 400, py + 24)
            check(wait_for(lambda: not re.search(r"433x249", windows()), 10), "confirm closes the picker")

        # ---- The close picture gives the ramp back and writes the settings file.
        click(x + 504, y + 24)
        try:
            code = tool.wait(30)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, "the close picture ends the program (%s)" % code)
        try:
            code = watcher.wait(30)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 3, "--watch ends with 3 when the instance ends (%s)" % code)
        check(tinted(ramps.read(), (1, 1, 1)), "the display has its own ramp back")
        stored = open(ini, encoding="latin-1").read() if os.path.exists(ini) else ""
        check("color=16744272" in stored, "the picked colour is stored in %s (%r)" % (ini, stored))
        check(not os.path.exists(journal), "no crash journal is left after a normal exit")

        # ---- Second run, started by a command: the stored colour, in the tray; the menu's Exit
        # ends it.
        tool = start("--night")
        check(wait_for(lambda: tinted(ramps.read(), (52 / 80, 0.75, 1.0)), 40),
              "the stored colour's tint reaches the display at the next start")
        panel = re.search(r"(0x[0-9a-f]+) \"panel\"", windows())
        icon = None
        if panel:
            icon = wait_for(lambda: re.search(r"(0x[0-9a-f]+) .*?(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(\d+)\+(\d+)\n(?:.*\n)*?",
                                              run("xwininfo", "-children", "-id", panel.group(1))
                                              .split("children:")[-1]) if "child" in run("xwininfo", "-children", "-id", panel.group(1)) else None)
        check(bool(icon), "the icon appears in the tray")
        win = main_window()
        check(not (win and viewable(win[0])), "the window starts put away")
        if icon:
            ix, iy = int(icon.group(4)) + int(icon.group(2)) // 2, int(icon.group(5)) + int(icon.group(3)) // 2
            run("import", "-window", "root", os.path.join(SHOTS, "wine-tray.png"))

            def open_menu(shot=None):
                # The menu is a new window of five items: Start at login is the fourth, Exit
                # the last.
                before = set(re.findall(r"0x[0-9a-f]+", windows()))
                click(ix, iy, 3)
                if shot:
                    run("import", "-window", "root", os.path.join(SHOTS, shot))
                found = wait_for(lambda: [m for m in re.finditer(
                    r"(0x[0-9a-f]+) .*?(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)",
                    windows()) if m.group(1) not in before and int(m.group(3)) >= 30 and
                    viewable(m.group(1))], 10)
                return found[0] if found else None

            def choose(menu, item):
                click(int(menu.group(4)) + int(menu.group(2)) // 2,
                      int(menu.group(5)) + int(menu.group(3)) * (2 * item + 1) // 10)

            menu = open_menu("wine-menu.png")
            if check(bool(menu), "the icon's right button opens the menu"):
                choose(menu, 3)
                check(wait_for(run_value, 10), "the menu's Start at login writes the Run value")
                menu = open_menu()
                if menu:
                    choose(menu, 3)
                check(wait_for(lambda: run_value() is None, 10),
                      "checked, the item removes the value again")
                menu = open_menu()
                if menu:
                    choose(menu, 4)
        try:
            code = tool.wait(30)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, "the menu's Exit ends the program (%s)" % code)
        check(tinted(ramps.read(), (1, 1, 1)), "the display has its own ramp back after Exit")

        # ---- A schedule whose night is hours away: the start's tint (as above) gives way to the
        # day at once, through the Windows clock and the schedule read from the file.
        kept = open(ini, encoding="latin-1").read()
        now = time.localtime()
        begin = (now.tm_hour + 2) % 24
        with open(ini, "a", encoding="latin-1") as f:
            f.write("\n[Schedule]\nschedule=%02d:%02d-%02d:%02d\nfade=0\nautomatic=1\n"
                    % (begin, now.tm_min, (begin + 1) % 24, now.tm_min))
        tool = start()
        check(bool(wait_for(main_window, 40)), "the scheduled run starts")
        time.sleep(3)
        check(tool.poll() is None and tinted(ramps.read(), (1, 1, 1)),
              "a schedule that wants the day turns the start's tint off, and the tool runs on")
        # Another day schedule from the command line: taken and shown, the screen left untinted
        # (the tool is ended below without its unload).
        later = "%02d:%02d-%02d:%02d" % ((begin + 1) % 24, now.tm_min, (begin + 2) % 24, now.tm_min)
        code, _, err, _ = command("--schedule", later)
        _, out, _, _ = command("--status")
        check(code == 0 and out == "normal #507FFF 40 schedule=%s fade=0" % later and
              tinted(ramps.read(), (1, 1, 1)),
              "--schedule %s is taken and --status shows it (%s, %r, %r)"
              % (later, code, out, err[:80]))
        # --quit ends it as the tray's Exit does; with none running it says so and starts none.
        code, _, err, _ = command("--quit")
        try:
            ended = tool.wait(30)
        except subprocess.TimeoutExpired:
            ended = None
        check(code == 0 and ended == 0, "--quit ends the instance (%s, %s, %r)" % (code, ended,
                                                                                 err[:80]))
        code, _, _, _ = command("--quit")
        check(code == 3 and not main_window(), "--quit with none running ends with 3 (%s)" % code)
        with open(ini, "w", encoding="latin-1") as f:
            f.write(kept)
        if os.path.exists(journal):
            os.remove(journal)

        # ---- Pause in full screen, chosen in the settings file: another program's window that
        # covers the monitor gives it its own ramp back at once, and the tool's own window in
        # front brings the tint back; a few times over, for the figure. fullscreen_window.exe says
        # when its window covers the monitor and raises the WinEvents Windows would (Wine 8 raises
        # none); the tool's own window coming to the front is what Wine does tell (WM_ACTIVATEAPP).
        with open(ini, "w", encoding="latin-1") as f:
            f.write("[Pause]\nfullscreen=1\n")
        tool = start()
        win = wait_for(lambda: (lambda w: w if w and viewable(w[0]) else None)(main_window()), 40)
        check(bool(win) and wait_for(lambda: tinted(ramps.read(), (0.5, 0.75, 1.0))),
              "the paused run starts tinted, its window shown")
        to_base = []
        for attempt in range(3):
            helper = subprocess.Popen([WINE, os.path.join(SHOTS, "fullscreen_window.exe")],
                                      env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            procs.append(helper)
            line = read_lines(helper, 1, 30)
            # Polled tightly: the time from the window covering the monitor to the ramp is the
            # figure.
            end = time.monotonic() + 5
            while not tinted(ramps.read(), (1, 1, 1)) and time.monotonic() < end:
                time.sleep(0.002)
            if check(len(line) == 1 and tinted(ramps.read(), (1, 1, 1)),
                     "another program's full-screen window: its monitor at base (%s)" % line):
                to_base.append(time.time() - int(line[0].split()[1]) / 1e6)
            # The window manager may let the first activation go by (the full-screen window has
            # just taken the focus): asked again, as a user clicks again.
            back = False
            for _ in range(3):
                if win:
                    run("xdotool", "windowactivate", win[0])
                back = wait_for(lambda: tinted(ramps.read(), (0.5, 0.75, 1.0)), 4)
                if back:
                    break
            check(back, "the tool's own window in front brings the tint back")
            helper.kill()
            helper.wait(30)
        if to_base:
            to_base.sort()
            print("      full-screen window -> its monitor at base, median of %d: %.0f ms (%s)"
                  % (len(to_base), 1000 * to_base[len(to_base) // 2],
                     ", ".join("%.0f" % (1000 * t) for t in to_base)))
        # Ended untinted, as the schedule's run above, so that the next start reads a plain ramp.
        command("--normal")
        tool.terminate()
        tool.wait(30)
        with open(ini, "w", encoding="latin-1") as f:
            f.write(kept)
        if os.path.exists(journal):
            os.remove(journal)

        # ---- Two outputs lit.
        run("xrandr", "--addmode", "DUMMY1", "1024x768")
        run("xrandr", "--output", "DUMMY1", "--mode", "1024x768", "--right-of", "DUMMY0")
        tool = start()
        check(wait_for(lambda: tinted(ramps.read(), (52 / 80, 0.75, 1.0)), 40),
              "with two outputs lit the screen's ramp is tinted")
        # Wine lists one display device (\\.\DISPLAY1) for the whole X screen and writes
        # XF86VidMode's one ramp per screen; the dummy server keeps that apart from the RandR
        # tables of its CRTCs. Say what they hold rather than assume.
        tops = ramps.crtc_tops()
        print("      red top entry of each lit CRTC (RandR): %s" % tops)
        check(len(tops) == 2, "two CRTCs are lit")
        # A watcher of an instance killed without its unload ends all the same. The tint above
        # may still be the last run's: the watcher waits for this instance to answer.
        check(wait_for(lambda: command("--status")[0] == 0, 40), "the new instance answers")
        watcher = subprocess.Popen([WINE, EXE, "--watch"], env=env, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL)
        procs.append(watcher)
        check(len(read_lines(watcher, 1)) == 1, "--watch prints the state of the new instance")
        tool.kill()
        tool.wait(30)
        try:
            code = watcher.wait(30)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 3, "--watch ends with 3 when the instance is killed (%s)" % code)

        # ---- Killed while tinted (just above) and during start-up, as soon as its tint shows:
        # the server rounds every ramp to 8 bits, yet the next start tints once, on the
        # display's own ramp, and its exit (WM_CLOSE, as taskkill without /f sends) gives that
        # ramp back.
        once = (52 / 80, 0.75, 1.0)
        for moment in ("while tinted", "during start-up"):
            if moment == "during start-up":
                tool = start()
                end = time.monotonic() + 40
                while time.monotonic() < end and tinted(ramps.read(), (1, 1, 1)):
                    time.sleep(0.02)
                tool.kill()
                tool.wait(30)
                check(not tinted(ramps.read(), (1, 1, 1)), "killed %s, the tint stays" % moment)
            tool = start()
            check(wait_for(lambda: command("--status")[0] == 0, 40), "the next instance answers")
            check(tinted(ramps.read(), once),
                  "killed %s, the next start tints once (red top %d)" % (moment, ramps.read()[0][-1]))
            subprocess.run([WINE, "taskkill", "/im", os.path.basename(EXE)], env=env,
                           capture_output=True, timeout=60)
            try:
                code = tool.wait(30)
            except subprocess.TimeoutExpired:
                code = None
            check(code == 0 and tinted(ramps.read(), (1, 1, 1)),
                  "killed %s, the next run's exit gives the display its own ramp back (%s)"
                  % (moment, code))
            check(not os.path.exists(journal), "and leaves no crash journal")

        # ---- At 150 % (LogPixels 144, read when Wine's session starts): the first start's
        # windows laid out at that density; win32.wine.layout holds the pictures against the Qt
        # windows drawn at scale 1.5.
        # The tray's panel would stand over the larger window's corner in the picture.
        for p in procs:
            if p.args[0] == "trayer":
                p.kill()
                p.wait()
        run(WINE, "reg", "add", DESKTOP, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "144", "/f")
        dense.append(True)
        subprocess.run([WINESERVER, "-k"], env=env, capture_output=True)
        subprocess.run([WINESERVER, "-w"], env=env, capture_output=True)
        if os.path.exists(ini):
            os.remove(ini)
        tool = start()
        win = wait_for(lambda: (lambda w: w if w and viewable(w[0]) else None)(main_window()), 40)
        if check(bool(win) and win[1:3] == (806, 749),
                 "at 144 dpi the main window is 806 x 749 (%s)" % (win and win[1:3],)):
            wid, _, _, x, y = win
            time.sleep(1)
            settled_shot(wid, os.path.join(SHOTS, "wine-main-144.png"))
            click(x + 510, y + 258)
            picker = wait_for(lambda: picker_window("650x374"))
            if check(bool(picker), "at 144 dpi the picker is 650 x 374"):
                settled_shot(picker.group(1), os.path.join(SHOTS, "wine-picker-144.png"))
        tool.kill()
        tool.wait(30)
    finally:
        if dense:
            # The prefix is shared: the next run starts at 96 dpi again.
            subprocess.run([WINE, "reg", "delete", DESKTOP, "/v", "LogPixels", "/f"], env=env,
                           capture_output=True)
        subprocess.run([WINESERVER, "-k"], env=env, capture_output=True)
        subprocess.run([WINESERVER, "-w"], env=env, capture_output=True)
        for p in reversed(procs):
            if p.poll() is None:
                p.kill()
                p.wait()
        shutil.rmtree(work, ignore_errors=True)
    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    PREFIX, EXE, SHOTS = (os.path.abspath(a) for a in sys.argv[1:4])
    sys.exit(main())
