#!/usr/bin/python3
"""Figures of Dimwarden_V5.0.exe under Wine on the dummy Xorg (printed, never failing): start to
tinted ramp against start to a bare Win32 window's map, the exe's size, its resident memory once
started, and its CPU time while idle for 10 s.

    win32_figures.py PREFIX EXE BARE_WINDOW_EXE
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "platform", "win32"))
import exe_e2e  # noqa: E402


def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def resident_kib(pid):
    for line in open("/proc/%d/status" % pid):
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
    return 0


def main():
    prefix, exe, bare = (os.path.abspath(a) for a in sys.argv[1:4])
    work = tempfile.mkdtemp()
    procs = []
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
               XDG_CACHE_HOME=os.path.join(work, "cache"))
    try:
        if not exe_e2e.start_desktop(work, env, procs):
            return 0
        ramps = exe_e2e.Ramps(env["DISPLAY"])
        # The prefix and the wineserver warm, as at a second start.
        warm = subprocess.Popen([exe_e2e.WINE, bare], env=env)
        procs.append(warm)
        time.sleep(5)
        warm.kill()
        warm.wait()

        t0 = time.monotonic()
        p = subprocess.Popen([exe_e2e.WINE, bare], env=env)
        procs.append(p)
        exe_e2e.wait_for(lambda: "bare window" in subprocess.run(
            ["xwininfo", "-root", "-tree"], env=env, capture_output=True, text=True).stdout, 60)
        bare_s = time.monotonic() - t0
        p.kill()
        p.wait()

        t0 = time.monotonic()
        tool = subprocess.Popen([exe_e2e.WINE, exe], env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        procs.append(tool)
        exe_e2e.wait_for(lambda: exe_e2e.tinted(ramps.read(), (0.5, 0.75, 1.0)) or
                         exe_e2e.tinted(ramps.read(), (52 / 80, 0.75, 1.0)), 60)
        tool_s = time.monotonic() - t0
        time.sleep(2)
        rss = resident_kib(tool.pid)
        cpu0 = cpu_seconds(tool.pid)
        time.sleep(10)
        idle = cpu_seconds(tool.pid) - cpu0

        stripped = os.path.join(work, "stripped.exe")
        subprocess.run(["x86_64-w64-mingw32-strip", "-o", stripped, exe], check=False)
        print("start to tinted ramp under Wine:   %.2f s" % tool_s)
        print("start to a bare Win32 window:      %.2f s (ratio %.2f, one run)" %
              (bare_s, tool_s / bare_s if bare_s else 0))
        print("exe size: %.2f MB as built, %.2f MB stripped (as in the zip)" %
              (os.path.getsize(exe) / 1e6,
               os.path.getsize(stripped) / 1e6 if os.path.exists(stripped) else 0))
        print("resident memory once started:      %.1f MB (the Wine process)" % (rss / 1024))
        print("CPU time over 10 s idle:           %.2f s" % idle)
        tool.terminate()
        tool.wait()
    finally:
        subprocess.run([exe_e2e.WINESERVER, "-k"], env=env, capture_output=True)
        subprocess.run([exe_e2e.WINESERVER, "-w"], env=env, capture_output=True)
        for p in reversed(procs):
            if p.poll() is None:
                p.kill()
                p.wait()
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
