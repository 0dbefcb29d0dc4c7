#!/usr/bin/env python3
"""The host program's machine folder under stress: bad registry files give a
clear error and change nothing; two runs at once both end cleanly, the
registry file stays readable and the index line is added once."""
import os
import shutil
import subprocess
import sys
import tempfile

PROGRAM = os.path.abspath(sys.argv[1])
DEMO = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo", "machine")
LINE = b":Index Korvane Vol I Reference =MIRADOC.HLP"
failures = []
passed = 0


def check(name, ok, detail=""):
    global passed
    if ok:
        passed += 1
        print("ok  ", name)
    else:
        failures.append(name)
        print("FAIL", name, detail)


def run(machine, *args):
    env = dict(os.environ, KORVINST_MACHINE=machine)
    return subprocess.run([PROGRAM, *args], env=env, capture_output=True,
                          stdin=subprocess.DEVNULL, timeout=60)


def fresh_machine(root, name):
    machine = os.path.join(root, name)
    shutil.copytree(DEMO, machine)
    return machine


def snapshot(machine):
    files = {}
    for folder, _, names in os.walk(machine):
        for n in names:
            path = os.path.join(folder, n)
            with open(path, "rb") as f:
                files[os.path.relpath(path, machine)] = f.read()
    return files


def bad_registry_files(root):
    cases = {
        "registry file not REGEDIT4": b"Windows Registry Editor Version 5.00\r\n",
        "registry file with a broken line": b"REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=dword:1\r\n",
    }
    for name, text in cases.items():
        machine = fresh_machine(root, name.replace(" ", "-"))
        with open(os.path.join(machine, "registry.reg"), "wb") as f:
            f.write(text)
        before = snapshot(machine)
        result = run(machine, "INSTALL", "C:\\LIB")
        check(name, result.returncode == 1 and b"registry file, line" in result.stderr
              and snapshot(machine) == before, result.stderr)
    machine = fresh_machine(root, "registry-folder")
    os.remove(os.path.join(machine, "registry.reg"))
    os.mkdir(os.path.join(machine, "registry.reg"))
    before = snapshot(machine)
    result = run(machine, "INSTALL", "C:\\LIB")
    check("registry file that is a folder", result.returncode == 1
          and b"cannot be read" in result.stderr and snapshot(machine) == before,
          result.stderr)
    result = run(machine, "SETUP", "C:\\LIB")
    check("a run with nothing to do reads no registry", result.returncode == 0
          and result.stderr == b"", result.stderr)


def concurrent_runs(root, rounds=10):
    for round_no in range(rounds):
        machine = fresh_machine(root, "together-%d" % round_no)
        env = dict(os.environ, KORVINST_MACHINE=machine)
        runs = [subprocess.Popen([PROGRAM, "INSTALL", "C:\\LIB"], env=env,
                                 stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE) for _ in range(2)]
        results = [(r.wait(timeout=60), r.stderr.read()) for r in runs]
        for status, err in results:
            clean = status == 0 and err == b"" or status == 1 and err.startswith(
                b"korvinst: Exception E")
            if not clean:
                check("two runs at once, round %d" % round_no, False, (status, err))
                return
        again = run(machine, "INSTALL", "C:\\LIB")
        with open(os.path.join(machine, "registry.reg"), "rb") as f:
            registry = f.read()
        with open(os.path.join(machine, "drive_c", "D3", "Help", "DELPHI3.CNT"), "rb") as f:
            contents = f.read()
        ok = (again.returncode == 0 and contents.count(LINE) == 1
              and registry.count(b"KQV104_D.DPL") == 1
              and registry.count(b"KQV104_D.BPL") == 1
              and b"QV103D.DPL" not in registry
              and b"dclstd30.dpl" in registry
              and not [n for n in os.listdir(os.path.dirname(os.path.join(
                  machine, "drive_c", "D3", "Help", "x"))) if n != "DELPHI3.CNT"])
        if not ok:
            check("two runs at once, round %d" % round_no, False,
                  (again.returncode, again.stderr, contents, registry))
            return
    check("two runs at once, %d rounds" % rounds, True)


with tempfile.TemporaryDirectory() as root:
    bad_registry_files(root)
    concurrent_runs(root)
print("%d passed, %d failed" % (passed, len(failures)))
sys.exit(1 if failures else 0)
