#!/usr/bin/env python3
"""Two runs of the Windows program at once under Wine, on one machine: both
end cleanly, the registry holds each registration once, and the index line
is added to the contents file once."""
import os
import subprocess
import sys
import tempfile

PROGRAM = os.path.abspath(sys.argv[1])
PREFIX = os.environ.get("WINEPREFIX", os.path.join(tempfile.gettempdir(), "korvinst-wine-concurrent"))
ENV = dict(os.environ, WINEPREFIX=PREFIX, WINEDEBUG="-all")
LINE = b":Index Korvane Vol I Reference =MIRADOC.HLP"
DELPHI = r"HKCU\Software\Borland\Delphi\3.0"


def wine(*args, check=True):
    return subprocess.run(["wine", *args], env=ENV, capture_output=True,
                          stdin=subprocess.DEVNULL, timeout=120, check=check)


def reg(*args):
    # The 32-bit view, the one the program sees.
    return wine("reg", *args, "/reg:32", check=False)


def main():
    if not os.path.exists(os.path.join(PREFIX, "system.reg")):
        subprocess.run(["wineboot", "-i"], env=ENV, capture_output=True, timeout=300)
    drive_c = os.path.join(PREFIX, "drive_c")
    lib = os.path.join(drive_c, "KVLIB")
    help_dir = os.path.join(drive_c, "KVD3", "Help")
    failures = 0
    rounds = 3
    for round_no in range(rounds):
        os.makedirs(lib, exist_ok=True)
        os.makedirs(help_dir, exist_ok=True)
        for name in ("KQV104_R.DPL", "KQV104_D.DPL", "MIRADOC.HLP"):
            with open(os.path.join(lib, name), "wb") as f:
                f.write(b"x")
        with open(os.path.join(help_dir, "DELPHI3.CNT"), "wb") as f:
            f.write(b":Base d.hlp\r\n:Index D =d.hlp\r\n1 A\r\n")
        reg("delete", r"HKCU\Software\Borland", "/f")
        reg("add", r"HKLM\Software\Borland\Delphi\3.0", "/v", "RootDir", "/d", r"C:\KVD3", "/f")
        reg("add", DELPHI + r"\Known Packages", "/v", r"C:\OLD\QV100D.DPL", "/d", "old", "/f")
        reg("add", DELPHI + r"\Library", "/v", "SearchPath", "/d", r"C:\X", "/f")
        runs = [subprocess.Popen(["wine", PROGRAM, "INSTALL", r"C:\KVLIB"], env=ENV,
                                 stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL) for _ in range(2)]
        statuses = [r.wait(timeout=120) for r in runs]
        packages = reg("query", DELPHI + r"\Known Packages").stdout
        search = reg("query", DELPHI + r"\Library", "/v", "SearchPath").stdout
        with open(os.path.join(help_dir, "DELPHI3.CNT"), "rb") as f:
            contents = f.read()
        leftovers = [n for n in os.listdir(help_dir) if n != "DELPHI3.CNT"]
        ok = (all(s in (0, 1) for s in statuses) and 0 in statuses
              and packages.count(b"KQV104_D.DPL") == 1 and b"QV100D" not in packages
              and search.count(b"KVLIB") == 1 and contents.count(LINE) == 1
              and not leftovers)
        print("ok  " if ok else "FAIL", "two runs at once, round", round_no,
              "" if ok else (statuses, packages, search, contents, leftovers))
        failures += 0 if ok else 1
    print("%d passed, %d failed" % (rounds - failures, failures))
    return 1 if failures else 0


sys.exit(main())
