#!/usr/bin/python3
"""The setup program under Wine on an Xorg with the dummy driver: a silent install (files, the
Start-menu shortcut, the installed-programs entry, the start-at-login value), the installed
program started from that value and tinting, and the silent uninstaller run while it runs: the
ramp comes back and only the settings file stays.

    setup_e2e.py PREFIX CPACK_CONFIG

Makes the setup program with cpack (NSIS) from the Windows build's CPackConfig.cmake. Exits 77
when makensis or the dummy Xorg is missing.
"""
import getpass
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from exe_e2e import WINE, WINESERVER, Ramps, check, failures, start_desktop, tinted, wait_for  # noqa: E402

UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Dimwarden"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"


def reg_values(env, key):
    """The values under a registry key as {name: data}; None when the key is missing."""
    p = subprocess.run([WINE, "reg", "query", key], env=env, capture_output=True, text=True)
    if p.returncode != 0:
        return None
    values = {}
    for line in p.stdout.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[1].startswith("REG_"):
            values[parts[0]] = parts[2] if len(parts) == 3 else ""
    return values


def main(prefix, cpack_config):
    if not shutil.which("makensis"):
        print("no makensis (nsis)")
        return 77
    if not shutil.which("Xorg") or not os.path.exists("/usr/lib/xorg/modules/drivers/dummy_drv.so"):
        print("no Xorg with the dummy driver")
        return 77
    work = tempfile.mkdtemp()
    procs = []
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
               XDG_CACHE_HOME=os.path.join(work, "cache"))
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
    try:
        made = subprocess.run(["cpack", "--config", cpack_config, "-G", "NSIS", "-B", work],
                              capture_output=True, text=True)
        setups = [f for f in os.listdir(work) if f.endswith("-windows-x64-setup.exe")]
        if not check(made.returncode == 0 and setups == ["Dimwarden-5.0.0-windows-x64-setup.exe"],
                     "cpack makes Dimwarden-5.0.0-windows-x64-setup.exe (%s)" % made.stderr[-300:]):
            return 1
        setup = os.path.join(work, setups[0])
        print("      setup program: %d bytes" % os.path.getsize(setup))
        if not start_desktop(work, env, procs):
            return 1
        ramps = Ramps(env["DISPLAY"])

        user = os.path.join(prefix, "drive_c", "users", getpass.getuser())
        folder = os.path.join(user, "AppData", "Local", "Programs", "Dimwarden")
        link = os.path.join(user, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu",
                            "Programs", "Dimwarden.lnk")
        ini = os.path.join(user, "AppData", "Roaming", "Dimwarden", "Dimwarden.ini")
        if os.path.exists(ini):
            os.remove(ini)
        exe = r"C:\users\%s\AppData\Local\Programs\Dimwarden\Dimwarden_V5.0.exe" % getpass.getuser()

        # ---- A silent install, then the program as a login would start it: from the Run value.
        t0 = time.monotonic()
        code = subprocess.run([WINE, setup, "/S"], env=env, capture_output=True,
                              timeout=120).returncode
        check(code == 0, "the silent install ends with 0 (%s)" % code)
        run = (reg_values(env, RUN_KEY) or {}).get("Dimwarden")
        tool = None
        if check(run == '"%s"' % exe, "the Run value is the quoted path (%r)" % run):
            tool = subprocess.Popen([WINE, run.strip('"')], env=env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
            procs.append(tool)
            if check(wait_for(lambda: tinted(ramps.read(), (0.5, 0.75, 1.0)), 40),
                     "the installed program starts and tints"):
                print("      install to first tint: %.1f s" % (time.monotonic() - t0))
        files = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
        check(files == ["Dimwarden_V5.0.exe", "LICENSE", "README.md", "Uninstall.exe", "docs"]
              and os.path.isfile(os.path.join(folder, "docs", "windows.md")),
              "the program, README and its pages, licence and uninstaller are installed (%s)"
              % files)
        check(os.path.exists(link), "the Start menu's Programs folder has Dimwarden.lnk")
        entry = reg_values(env, UNINSTALL_KEY) or {}
        for name, want in (("DisplayName", "Dimwarden"), ("DisplayVersion", "5.0.0"),
                           ("Publisher", "The Dimwarden developers"),
                           ("DisplayIcon", exe + ",0"),
                           ("UninstallString", '"%s"' % exe.replace("Dimwarden_V5.0.exe",
                                                                    "Uninstall.exe"))):
            check(entry.get(name) == want, "the uninstall entry's %s is %r (%r)"
                  % (name, want, entry.get(name)))
        check(int(entry.get("EstimatedSize", "0"), 16) > 100,
              "the uninstall entry gives a size in KB (%s)" % entry.get("EstimatedSize"))
        if tool:
            # ---- The silent uninstaller while it runs: it returns at once (from a copy in
            # %TEMP%); the files go once the instance has ended.
            subprocess.run([WINE, os.path.join(folder, "Uninstall.exe"), "/S"], env=env,
                           capture_output=True, timeout=60)
            check(wait_for(lambda: not os.path.exists(folder), 30),
                  "the uninstaller removes %s" % folder)
            try:
                code = tool.wait(30)
            except subprocess.TimeoutExpired:
                code = None
            check(code == 0, "the running instance ends (%s)" % code)
            check(tinted(ramps.read(), (1, 1, 1)), "the display has its own ramp back")
        check(not os.path.exists(link), "the shortcut is gone")
        check(reg_values(env, UNINSTALL_KEY) is None, "the uninstall entry is gone")
        check("Dimwarden" not in (reg_values(env, RUN_KEY) or {}), "the Run value is gone")
        check(os.path.exists(ini), "the settings file stays (%s)" % ini)
    finally:
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
    sys.exit(main(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])))
