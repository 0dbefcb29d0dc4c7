#!/usr/bin/env python3
"""Runs the end-to-end scenarios of korvinst.

Each scenario in this folder (one *.json file each, see README.md) gives a
machine before the run, the command line, and what must hold after it. Two
runners set the machine up and check the result:

  host     the Linux build on an emulated machine folder made fresh for each
           scenario (KORVINST_MACHINE);
  windows  the 32-bit Windows build under Wine, driven by the helper
           tools/wine/korvhelp.cc, which sets up and reads back the registry
           in the 32-bit view, starts the program with its command line byte
           for byte and reads and closes its message boxes under Xvfb.

    run_scenarios.py --runner host --program build/host/korvinst
    run_scenarios.py --runner windows --program build/windows/korvinst.exe

The last line printed is "N passed, M failed"; the exit status is 1 when a
scenario failed.
"""

import argparse
import fcntl
import fnmatch
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_ROOT = os.path.dirname(HERE)
HELPER_SOURCE = os.path.join(SOURCE_ROOT, "tools", "wine", "korvhelp.cc")

REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD = 0, 1, 2, 3, 4
TYPE_NAMES = {0: "REG_NONE", 1: "REG_SZ", 2: "REG_EXPAND_SZ", 3: "REG_BINARY",
              4: "REG_DWORD", 7: "REG_MULTI_SZ", 11: "REG_QWORD"}
ROOTS = ("HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER")
ANSI = "cp1252"   # registry texts, paths and command lines
RAW = "latin-1"   # file contents: each character stands for one byte


class ScenarioError(Exception):
    """A scenario file that cannot be read."""


class Skip(Exception):
    """The scenario cannot be run here; the text says why."""


# --------------------------------------------------------------- the data

def text_bytes(text):
    return text.encode(ANSI)


def value_from_json(where, given):
    """Gives (type, data bytes) for a value as a scenario writes it."""
    if isinstance(given, str):
        return REG_SZ, text_bytes(given) + b"\0"
    if not isinstance(given, dict) or len(given) not in (1, 2):
        raise ScenarioError(f"{where}: bad value {given!r}")
    if "sz" in given:
        return REG_SZ, text_bytes(given["sz"]) + b"\0"
    if "expand_sz" in given:
        return REG_EXPAND_SZ, text_bytes(given["expand_sz"]) + b"\0"
    if "dword" in given:
        return REG_DWORD, int(given["dword"]).to_bytes(4, "little")
    if "binary" in given:
        return REG_BINARY, hex_list(where, given["binary"])
    if "type" in given and "hex" in given:
        return int(given["type"]), hex_list(where, given["hex"])
    raise ScenarioError(f"{where}: bad value {given!r}")


def hex_list(where, text):
    text = text.replace(" ", "")
    if text == "":
        return b""
    try:
        return bytes(int(item, 16) for item in text.split(","))
    except ValueError:
        raise ScenarioError(f"{where}: bad hex bytes {text!r}") from None


def show_value(value):
    if value is None:
        return "(none)"
    name, vtype, data = value
    type_name = TYPE_NAMES.get(vtype, f"type {vtype}")
    if vtype in (REG_SZ, REG_EXPAND_SZ) and data.endswith(b"\0") and \
            b"\0" not in data[:-1]:
        return f"{type_name} {data[:-1].decode(ANSI, 'replace')!r}"
    if vtype == REG_DWORD and len(data) == 4:
        return f"REG_DWORD {int.from_bytes(data, 'little'):#010x}"
    return f"{type_name} hex:{','.join(f'{b:02x}' for b in data)}"


def file_from_json(where, given):
    """File contents: a text (one byte a character), {"hex": ...} or a list
    of such pieces and {"repeat": text, "count": n}, joined."""
    if isinstance(given, str):
        return given.encode(RAW)
    if isinstance(given, list):
        return b"".join(file_from_json(where, part) for part in given)
    if isinstance(given, dict) and "hex" in given:
        return hex_list(where, given["hex"])
    if isinstance(given, dict) and "repeat" in given:
        return file_from_json(where, given["repeat"]) * int(given["count"])
    raise ScenarioError(f"{where}: bad file contents {given!r}")


class Registry:
    """Keys with values; key paths and value names compare ignoring case."""

    def __init__(self):
        self.keys = {}  # upper path -> (path, {upper name: (name, type, data)})

    def copy(self):
        other = Registry()
        other.keys = {k: (p, dict(v)) for k, (p, v) in self.keys.items()}
        return other

    def key(self, path):
        path = path.strip("\\")
        upper = path.upper()
        if upper not in self.keys:
            self.keys[upper] = (path, {})
        return self.keys[upper][1]

    def set(self, path, name, vtype, data):
        values = self.key(path)
        old = values.get(name.upper())
        # An existing value keeps the spelling of its name.
        values[name.upper()] = (old[0] if old else name, vtype, data)

    def delete(self, path, name):
        entry = self.keys.get(path.strip("\\").upper())
        if entry:
            entry[1].pop(name.upper(), None)

    def with_parents(self, tops=None):
        """Every key together with the keys above it, up to its root or, when
        tops is given, up to the top of the watched subtree it lies in."""
        result = self.copy()
        for upper, (path, _) in list(self.keys.items()):
            parts = path.split("\\")
            for n in range(1, len(parts)):
                parent = "\\".join(parts[:n])
                if tops is not None and not any(
                        within(parent, top) for top in tops):
                    continue
                result.key(parent)
        if tops is not None:
            result.keys = {k: v for k, v in result.keys.items()
                           if any(within(v[0], top) for top in tops)}
        return result


def within(path, top):
    path, top = path.upper(), top.upper()
    return path == top or path.startswith(top + "\\")


def registry_from_json(where, given):
    registry = Registry()
    for path, values in (given or {}).items():
        check_key_path(where, path)
        registry.key(path)
        for name, value in (values or {}).items():
            registry.set(path, name, *value_from_json(f"{where} {path}", value))
    return registry


def check_key_path(where, path):
    if path.split("\\")[0] not in ROOTS:
        raise ScenarioError(f"{where}: key {path!r} must start with "
                            f"HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER")


def apply_changes(where, registry, changes):
    after = registry.copy()
    for path, values in (changes or {}).items():
        check_key_path(where, path)
        after.key(path)
        for name, value in (values or {}).items():
            if value is None:
                after.delete(path, name)
            else:
                after.set(path, name, *value_from_json(f"{where} {path}", value))
    return after


# ----------------------------------------------------------- REGEDIT4 text

def regedit4_quote(raw):
    return '"' + raw.replace("\\", "\\\\").replace('"', '\\"') + '"'


def to_regedit4(registry):
    lines = ["REGEDIT4", ""]
    for upper in sorted(registry.keys):
        path, values = registry.keys[upper]
        lines.append(f"[{path}]")
        for name, vtype, data in values.values():
            shown = "@" if name == "" else regedit4_quote(name)
            if vtype == REG_SZ and data.endswith(b"\0") and \
                    not re.search(rb"[\0\r\n]", data[:-1]):
                text = regedit4_quote(data[:-1].decode(ANSI))
            elif vtype == REG_DWORD and len(data) == 4:
                text = f"dword:{int.from_bytes(data, 'little'):08x}"
            elif vtype == REG_BINARY:
                text = "hex:" + ",".join(f"{b:02x}" for b in data)
            else:
                text = f"hex({vtype:x}):" + ",".join(f"{b:02x}" for b in data)
            lines.append(f"{shown}={text}")
        lines.append("")
    return "\r\n".join(lines).encode(ANSI)


def read_quoted(line, pos, where):
    """Reads the quoted text at line[pos]; gives it and the position after."""
    out = []
    p = pos + 1
    while p < len(line) and line[p] != '"':
        if line[p] == "\\":
            p += 1
            if p >= len(line):
                break
        out.append(line[p])
        p += 1
    if p >= len(line):
        raise ScenarioError(f"{where}: unclosed quote")
    return "".join(out), p + 1


def from_regedit4(raw, where="registry.reg"):
    text = raw.decode(ANSI, "replace")
    logical = []
    pending = ""
    for line in re.split(r"\r\n|\n", text):
        line = (pending + line.lstrip(" \t")) if pending else line
        pending = ""
        if line.endswith("\\") and "=hex" in line and \
                '"' not in line[line.index("=hex"):]:
            pending = line[:-1]
            continue
        logical.append(line)
    if pending:
        logical.append(pending)
    lines = [line for line in logical]
    while lines and lines[0] == "":
        lines.pop(0)
    if not lines or lines[0] != "REGEDIT4":
        raise ScenarioError(f"{where}: does not start with REGEDIT4")
    registry = Registry()
    key = None
    for number, line in enumerate(lines[1:], 2):
        here = f"{where} line {number}"
        if line == "" or line.startswith(";"):
            continue
        if line.startswith("["):
            if not line.endswith("]"):
                raise ScenarioError(f"{here}: bad key line {line!r}")
            key = line[1:-1]
            registry.key(key)
            continue
        if key is None:
            raise ScenarioError(f"{here}: value before the first key")
        if line.startswith("@"):
            name, pos = "", 1
        elif line.startswith('"'):
            name, pos = read_quoted(line, 0, here)
        else:
            raise ScenarioError(f"{here}: bad value line {line!r}")
        if line[pos:pos + 1] != "=":
            raise ScenarioError(f"{here}: value without '='")
        data = line[pos + 1:]
        if data.startswith('"'):
            value, end = read_quoted(data, 0, here)
            if end != len(data):
                raise ScenarioError(f"{here}: text after the value")
            registry.set(key, name, REG_SZ, text_bytes(value) + b"\0")
        elif data.startswith("dword:"):
            registry.set(key, name, REG_DWORD,
                         int(data[6:], 16).to_bytes(4, "little"))
        elif data.startswith("hex:"):
            registry.set(key, name, REG_BINARY, hex_list(here, data[4:]))
        elif re.match(r"hex\([0-9a-fA-F]+\):", data):
            close = data.index("):")
            registry.set(key, name, int(data[4:close], 16),
                         hex_list(here, data[close + 2:]))
        else:
            raise ScenarioError(f"{here}: unknown data {data!r}")
    return registry


def compare_registries(expected, actual):
    problems = []
    for upper in sorted(set(expected.keys) | set(actual.keys)):
        want = expected.keys.get(upper)
        got = actual.keys.get(upper)
        path = (want or got)[0]
        if want is None:
            problems.append(f"registry: key [{path}] should not exist, "
                            f"but it does with {len(got[1])} value(s)")
            for value in got[1].values():
                problems.append(f"    {value[0]!r} = {show_value(value)}")
            continue
        if got is None:
            problems.append(f"registry: key [{path}] is missing")
            continue
        for name in sorted(set(want[1]) | set(got[1])):
            w, g = want[1].get(name), got[1].get(name)
            if w == g:
                continue
            shown = (w or g)[0]
            problems.append(f"registry: [{path}] value {shown!r}\n"
                            f"    expected: {show_value(w)}\n"
                            f"    actual:   {show_value(g)}")
            if w and g and w[0] != g[0] and w[1:] == g[1:]:
                problems[-1] += f"  (name spelled {g[0]!r})"
    return problems


# -------------------------------------------------------------- files

def windows_path_parts(path):
    """"C:\\A\\b" -> ("c", ["A", "b"]); a relative path lies below C:\\."""
    drive = "c"
    if len(path) >= 2 and path[1] == ":":
        drive, path = path[0].lower(), path[2:]
    return drive, [part for part in re.split(r"[\\/]", path) if part]


def path_key(drive, parts):
    return drive.upper() + ":\\" + "\\".join(parts)


def compare_files(expected_files, expected_folders, actual_files,
                  actual_folders):
    problems = []
    upper = lambda d: {k.upper(): (k, v) for k, v in d.items()}
    want, got = upper(expected_files), upper(actual_files)
    for key in sorted(set(want) | set(got)):
        w, g = want.get(key), got.get(key)
        if w is None:
            problems.append(f"file {g[0]} should not exist; it holds "
                            f"{show_bytes(g[1])}")
        elif g is None:
            problems.append(f"file {w[0]} is missing; expected "
                            f"{show_bytes(w[1])}")
        elif w[0] != g[0]:
            problems.append(f"file {w[0]} is named {g[0]}")
        elif w[1] != g[1]:
            problems.append(f"file {w[0]} differs\n"
                            f"    expected: {show_bytes(w[1])}\n"
                            f"    actual:   {show_bytes(g[1])}")
    wf = {f.upper(): f for f in expected_folders}
    gf = {f.upper(): f for f in actual_folders}
    for key in sorted(set(wf) ^ set(gf)):
        if key in gf:
            problems.append(f"folder {gf[key]} should not exist")
        else:
            problems.append(f"folder {wf[key]} is missing")
    return problems


def show_bytes(data):
    if len(data) > 600:
        return f"{len(data)} bytes {data[:300]!r} ... {data[-200:]!r}"
    return f"{len(data)} bytes {data!r}"


# ------------------------------------------------------------ scenarios

def split_command_line(line):
    """The Windows splitting of a command line into items (the program's
    own path first), used to derive the host's argv."""
    items, i, n = [], 0, len(line)
    while True:
        while True:
            while i < n and 1 <= ord(line[i]) <= 32:
                i += 1
            if line[i:i + 2] == '""':
                i += 2
            else:
                break
        if i >= n:
            return items
        item = []
        while i < n and ord(line[i]) > 32:
            if line[i] == '"':
                i += 1
                while i < n and line[i] != '"':
                    item.append(line[i])
                    i += 1
                i += 1
            else:
                item.append(line[i])
                i += 1
        items.append("".join(item))


def quote_argument(arg):
    return f'"{arg}"' if arg == "" or re.search(r"[\s]", arg) else arg


class Scenario:
    KNOWN = {"description", "only", "why", "program", "command_line", "argv",
             "registry", "read_only_keys", "files", "folders", "held_open",
             "read_only_files", "file_years", "full_disk", "expect"}
    KNOWN_EXPECT = {"exit", "registry_changes", "file_changes",
                    "folders_created", "messages"}

    def __init__(self, path):
        self.path = path
        self.name = os.path.splitext(os.path.basename(path))[0]
        with open(path, encoding="utf-8") as f:
            try:
                data = json.load(f)
            except json.JSONDecodeError as error:
                raise ScenarioError(f"{self.name}: {error}") from None
        unknown = set(data) - self.KNOWN
        if unknown:
            raise ScenarioError(f"{self.name}: unknown fields {sorted(unknown)}")
        expect = data.get("expect")
        if not isinstance(expect, dict) or "exit" not in expect:
            raise ScenarioError(f"{self.name}: needs expect.exit")
        unknown = set(expect) - self.KNOWN_EXPECT
        if unknown:
            raise ScenarioError(f"{self.name}: unknown expect fields "
                                f"{sorted(unknown)}")
        if "description" not in data:
            raise ScenarioError(f"{self.name}: needs a description")
        self.description = data["description"]
        self.only = data.get("only")
        if self.only not in (None, "host", "windows"):
            raise ScenarioError(f"{self.name}: only is host or windows")
        if self.only and not data.get("why"):
            raise ScenarioError(f"{self.name}: says only {self.only} but not why")
        self.why = data.get("why", "")
        self.program = data.get("program", "korvinst.exe")
        if "command_line" not in data and "argv" not in data:
            raise ScenarioError(f"{self.name}: needs command_line or argv")
        if "command_line" in data:
            self.command_line = data["command_line"]
        else:
            self.command_line = " ".join(
                [quote_argument(self.program)] +
                [quote_argument(a) for a in data["argv"]])
        if "argv" in data:
            self.argv = list(data["argv"])
        else:
            self.argv = split_command_line(self.command_line)[1:]
        self.registry = registry_from_json(self.name, data.get("registry"))
        self.read_only_keys = list(data.get("read_only_keys", []))
        for key in self.read_only_keys:
            check_key_path(self.name, key)
        self.files = {p: file_from_json(f"{self.name} {p}", c)
                      for p, c in data.get("files", {}).items()}
        self.folders = list(data.get("folders", []))
        self.held_open = list(data.get("held_open", []))
        self.read_only_files = list(data.get("read_only_files", []))
        self.full_disk = data.get("full_disk")
        self.file_years = dict(data.get("file_years", {}))
        for listed in self.held_open + self.read_only_files + list(
                self.file_years):
            if listed not in self.files:
                raise ScenarioError(f"{self.name}: {listed} is not in files")
        self.exit = expect["exit"]
        self.registry_after = apply_changes(
            self.name, self.registry, expect.get("registry_changes"))
        changes = {p: (None if c is None else file_from_json(
            f"{self.name} {p}", c))
            for p, c in expect.get("file_changes", {}).items()}
        self.files_after = dict(self.files)
        for path, contents in changes.items():
            if contents is None:
                self.files_after.pop(path, None)
            else:
                self.files_after[path] = contents
        self.folders_after = self.folders + list(
            expect.get("folders_created", []))
        self.messages = expect.get("messages", [])
        for message in self.messages:
            if message.get("kind") not in ("plain", "error"):
                raise ScenarioError(f"{self.name}: a message's kind is plain "
                                    f"or error")
            if message["kind"] == "error" and not (
                    "error" in message and "message" in message):
                raise ScenarioError(f"{self.name}: an error report names its "
                                    f"error class and message")
            if message["kind"] == "plain" and "text" not in message:
                raise ScenarioError(f"{self.name}: a plain message needs text")


def expected_folders(files, folders):
    """Every folder that must exist: the listed ones, those that hold the
    files, and the folders above them (keys like C:\\A\\B)."""
    result = set()
    for path in list(files) + list(folders):
        drive, parts = windows_path_parts(path)
        upto = len(parts) if path in folders else len(parts) - 1
        for n in range(1, upto + 1):
            result.add(path_key(drive, parts[:n]))
    return result


def title_of(program):
    name = re.split(r"[\\/]", program)[-1].split(".")[0]
    return name[:1] + name[1:].lower()


def message_pattern(message, module_pattern):
    """A regular expression for the text of one expected message."""
    if message["kind"] == "plain":
        return re.escape(message["text"])
    return (f"Exception {re.escape(message['error'])} in module "
            f"{module_pattern} at [0-9A-F]{{8}}\\.\n"
            f"{re.escape(message['message'])}")


def caption_of(message, scenario):
    return message.get("caption", title_of(scenario.program))


# ------------------------------------------------------------ host runner

class Holder:
    """Another process that holds a file open without sharing."""

    def __init__(self, path):
        code = ("import fcntl, sys, time\n"
                "f = open(sys.argv[1], 'rb')\n"
                "fcntl.flock(f, fcntl.LOCK_EX)\n"
                "print('held', flush=True)\n"
                "time.sleep(120)\n")
        self.process = subprocess.Popen([sys.executable, "-c", code, path],
                                        stdout=subprocess.PIPE)
        if self.process.stdout.readline().strip() != b"held":
            raise RuntimeError(f"could not hold {path} open")

    def release(self):
        self.process.kill()
        self.process.wait()


def mount_tmpfs(folder, size):
    os.makedirs(folder, exist_ok=True)
    if os.geteuid() != 0:
        raise Skip("a full disk needs a tmpfs, and mounting one needs root")
    result = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}",
                             "tmpfs", folder], capture_output=True)
    if result.returncode != 0:
        raise Skip(f"cannot mount a tmpfs: {result.stderr.decode().strip()}")


def unmount(folder):
    subprocess.run(["umount", folder], capture_output=True)


def walk_files(top, drive, decode, above=()):
    """Files (Windows path -> bytes) and folders below a folder that stands
    for the Windows folder drive:\above."""
    files, folders = {}, set()
    top_bytes = os.fsencode(top)
    for dirpath, dirnames, filenames in os.walk(top_bytes):
        rel = os.path.relpath(dirpath, top_bytes)
        parts = list(above) + (
            [] if rel == b"." else [decode(p) for p in rel.split(b"/")])
        for name in dirnames:
            folders.add(path_key(drive, parts + [decode(name)]))
        for name in filenames:
            with open(os.path.join(dirpath, name), "rb") as f:
                files[path_key(drive, parts + [decode(name)])] = f.read()
    return files, folders


def write_files(scenario, unix_path):
    """Makes the scenario's folders and files, with their dates."""
    for folder in scenario.folders:
        os.makedirs(unix_path(folder), exist_ok=True)
    for path, contents in scenario.files.items():
        unix = unix_path(path)
        os.makedirs(os.path.dirname(unix), exist_ok=True)
        with open(unix, "wb") as f:
            f.write(contents)
    for path, year in scenario.file_years.items():
        # Mid-year noon, so that no time zone moves it to another year.
        when = time.mktime((int(year), 6, 15, 12, 0, 0, 0, 0, -1))
        os.utime(unix_path(path), (when, when))


def host_unix_path(machine, windows_path):
    drive, parts = windows_path_parts(windows_path)
    return os.path.join(os.fsencode(machine), f"drive_{drive}".encode(),
                        *[p.encode(ANSI) for p in parts])


def canonical_files(files):
    return {path_key(*windows_path_parts(p)): c for p, c in files.items()}


class HostRunner:
    name = "host"

    def __init__(self, program, keep):
        self.program = os.path.abspath(program)
        if not os.access(self.program, os.X_OK):
            raise SystemExit(f"no program at {self.program}")
        self.keep = keep
        self.work = tempfile.mkdtemp(prefix="korvinst-scenarios-")

    def close(self):
        if not self.keep:
            shutil.rmtree(self.work, ignore_errors=True)

    def run(self, scenario):
        if scenario.only == "windows":
            raise Skip(scenario.why)
        machine = os.path.join(self.work, scenario.name)
        shutil.rmtree(machine, ignore_errors=True)
        os.makedirs(os.path.join(machine, "drive_c"))
        with open(os.path.join(machine, "registry.reg"), "wb") as f:
            f.write(to_regedit4(scenario.registry))
        if scenario.read_only_keys:
            with open(os.path.join(machine, "registry-readonly.txt"), "w") as f:
                f.write("".join(k + "\n" for k in scenario.read_only_keys))
        mounted = []
        holders = []
        try:
            if scenario.full_disk:
                folder = host_unix_path(machine, scenario.full_disk["folder"])
                mount_tmpfs(folder, scenario.full_disk["size"])
                mounted.append(folder)
            write_files(scenario, lambda p: host_unix_path(machine, p))
            for path in scenario.read_only_files:
                os.chmod(host_unix_path(machine, path), 0o444)
            for path in scenario.held_open:
                holders.append(Holder(host_unix_path(machine, path)))

            program = self.program
            if scenario.program.lower() != "korvinst.exe":
                # The title comes from the program's file name.
                folder = os.path.join(self.work, "bin-" + scenario.name)
                os.makedirs(folder, exist_ok=True)
                program = os.path.join(folder, scenario.program)
                if not os.path.exists(program):
                    os.symlink(self.program, program)
            env = dict(os.environ, KORVINST_MACHINE=machine)
            try:
                result = subprocess.run(
                    [program] + [a.encode(ANSI) for a in scenario.argv],
                    env=env, stdin=subprocess.DEVNULL, capture_output=True,
                    timeout=60, cwd=self.work)
            except subprocess.TimeoutExpired:
                return ["the program did not end within 60 seconds"]
        finally:
            for holder in holders:
                holder.release()

        problems = []
        if result.returncode != scenario.exit:
            problems.append(f"exit status: expected {scenario.exit}, "
                            f"actual {result.returncode}")
        if result.stdout:
            problems.append(f"standard output should be empty, it holds "
                            f"{result.stdout!r}")
        pattern = "".join(
            re.escape(caption_of(m, scenario)) + ": " +
            message_pattern(m, r"\S+") + "\n" for m in scenario.messages)
        stderr = result.stderr.decode(ANSI, "replace")
        if not re.fullmatch(pattern, stderr):
            expected = "".join(
                f"{caption_of(m, scenario)}: "
                f"{m['text'] if m['kind'] == 'plain' else 'Exception ' + m['error'] + ' in module * at ********.' + chr(10) + m['message']}\n"
                for m in scenario.messages)
            problems.append(f"messages (standard error)\n"
                            f"    expected: {expected!r}\n"
                            f"    actual:   {stderr!r}")
        try:
            with open(os.path.join(machine, "registry.reg"), "rb") as f:
                actual = from_regedit4(f.read())
            problems += compare_registries(
                scenario.registry_after.with_parents(), actual.with_parents())
        except ScenarioError as error:
            problems.append(f"the registry file cannot be read: {error}")

        files, folders = {}, set()
        for entry in sorted(os.listdir(machine)):
            if re.fullmatch(r"drive_[a-z]", entry):
                f, d = walk_files(os.path.join(machine, entry), entry[-1],
                                  lambda b: b.decode(ANSI, "replace"))
                files.update(f)
                folders |= d
        problems += compare_files(
            canonical_files(scenario.files_after),
            expected_folders(scenario.files_after, scenario.folders_after),
            files, folders)
        for folder in mounted:
            unmount(folder)
        if not self.keep:
            for path in scenario.read_only_files:
                try:
                    os.chmod(host_unix_path(machine, path), 0o644)
                except OSError:
                    pass
            shutil.rmtree(machine, ignore_errors=True)
        return problems


# --------------------------------------------------------- windows runner

# The registry that the program may touch, in the 32-bit view it sees, and
# places where a wrong build or a wrong root would write instead.
WATCHED = [("32", "HKEY_CURRENT_USER", "Software\\Borland"),
           ("32", "HKEY_LOCAL_MACHINE", "Software\\Borland"),
           ("32", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\Help")]
MUST_STAY_EMPTY = [("64", "HKEY_LOCAL_MACHINE", "Software\\Borland"),
                   ("64", "HKEY_LOCAL_MACHINE",
                    "SOFTWARE\\Microsoft\\Windows\\Help"),
                   ("32", "HKEY_CURRENT_USER",
                    "SOFTWARE\\Microsoft\\Windows\\Help")]
SHORT_ROOT = {"HKEY_LOCAL_MACHINE": "HKLM", "HKEY_CURRENT_USER": "HKCU"}


def hexed(text):
    return text.encode(ANSI).hex() if isinstance(text, str) else text.hex()


class WindowsRunner:
    name = "windows"

    def __init__(self, program, keep):
        self.program = os.path.abspath(program)
        if not os.path.isfile(self.program):
            raise SystemExit(f"no program at {self.program}")
        self.keep = keep
        self.home = os.environ.get(
            "KORVINST_SCENARIO_WINE",
            os.path.join(tempfile.gettempdir(), "korvinst-scenarios-wine"))
        self.prefix = os.path.join(self.home, "prefix")
        # One suite at a time in the prefix; a second run waits here.
        os.makedirs(self.home, exist_ok=True)
        self.lock = open(os.path.join(self.home + ".lock"), "w")
        fcntl.flock(self.lock, fcntl.LOCK_EX)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all",
                        WINEARCH="win64", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.drive_c = os.path.join(self.prefix, "drive_c")
        baseline_file = os.path.join(self.home, "baseline.json")
        if not os.path.isfile(os.path.join(self.prefix, "system.reg")) or \
                not os.path.isfile(baseline_file):
            shutil.rmtree(self.home, ignore_errors=True)
            os.makedirs(self.home)
            print("making a Wine prefix for the scenarios ...", flush=True)
            subprocess.run(["wineboot", "-i"], env=self.env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-w"], env=self.env)
            with open(baseline_file, "w") as f:
                json.dump(sorted(os.listdir(self.drive_c)), f)
        with open(baseline_file) as f:
            self.baseline = set(json.load(f))
        # One wineserver for the whole suite.
        subprocess.run(["wineserver", "-p"], env=self.env)
        self.helper = os.path.join(self.home, "korvhelp.exe")
        if not os.path.isfile(self.helper) or \
                os.path.getmtime(self.helper) < os.path.getmtime(HELPER_SOURCE):
            subprocess.run(["i686-w64-mingw32-g++", "-static", "-O2", "-Wall",
                            "-o", self.helper, HELPER_SOURCE, "-lgdi32"],
                           check=True)
        self.bin = os.path.join(self.home, "bin")
        self.drives = {}

    def close(self):
        self.clean_drives()
        subprocess.run(["wineserver", "-k"], env=self.env)
        self.lock.close()

    def clean_drives(self):
        for entry in os.listdir(self.drive_c):
            if entry not in self.baseline:
                remove(os.path.join(self.drive_c, entry))
        for folder in self.drives.values():
            for entry in os.listdir(folder):
                remove(os.path.join(folder, entry))

    def drive_folder(self, drive):
        if drive == "c":
            return self.drive_c
        if drive not in self.drives:
            folder = os.path.join(self.home, f"drive_{drive}")
            os.makedirs(folder, exist_ok=True)
            link = os.path.join(self.prefix, "dosdevices", f"{drive}:")
            if os.path.lexists(link):
                os.remove(link)
            os.symlink(folder, link)
            self.drives[drive] = folder
        return self.drives[drive]

    def unix_path(self, windows_path):
        drive, parts = windows_path_parts(windows_path)
        return os.path.join(self.drive_folder(drive), *parts)

    def wine_path(self, unix_path):
        return "Z:" + unix_path.replace("/", "\\")

    def run(self, scenario):
        if scenario.only == "host":
            raise Skip(scenario.why)
        if scenario.read_only_files:
            raise Skip("Wine running as root does not enforce read-only files")
        self.clean_drives()
        mounted = []
        try:
            return self.run_prepared(scenario, mounted)
        finally:
            for folder in mounted:
                unmount(folder)

    def run_prepared(self, scenario, mounted):
        if scenario.full_disk:
            folder = self.unix_path(scenario.full_disk["folder"])
            mount_tmpfs(folder, scenario.full_disk["size"])
            mounted.append(folder)
        write_files(scenario, self.unix_path)

        os.makedirs(self.bin, exist_ok=True)
        program = os.path.join(self.bin, scenario.program)
        if not os.path.exists(program) or \
                os.path.getmtime(program) != os.path.getmtime(self.program):
            shutil.copy2(self.program, program)

        steps = []
        for view, root, path in WATCHED + MUST_STAY_EMPTY:
            steps.append(f"clear {view} {SHORT_ROOT[root]} {hexed(path)}")
        for upper in sorted(scenario.registry.keys):
            path, values = scenario.registry.keys[upper]
            root, _, rest = path.partition("\\")
            if not any(within(path, f"{r}\\{p}") for _, r, p in WATCHED):
                raise ScenarioError(f"{scenario.name}: key {path} lies outside "
                                    f"what the Windows runner watches")
            steps.append(f"key 32 {SHORT_ROOT[root]} {hexed(rest)}")
            for name, vtype, data in values.values():
                steps.append(f"value {hexed(name) or '-'} {vtype} "
                             f"{data.hex() or '-'}")
        for key in scenario.read_only_keys:
            root, _, rest = key.partition("\\")
            steps.append(f"readonly 32 {SHORT_ROOT[root]} {hexed(rest)}")
        for path in scenario.held_open:
            steps.append(f"hold {hexed(path)}")
        steps.append(f"app {hexed(self.wine_path(program))}")
        steps.append(f"cmdline {hexed(scenario.command_line) or '-'}")
        steps.append(f"cwd {hexed('C:' + chr(92))}")
        for message in scenario.messages:
            steps.append(f"press {message.get('press', 'ok')}")
        steps.append("timeout 30000")
        for view, root, path in WATCHED + MUST_STAY_EMPTY:
            steps.append(f"dump {view} {SHORT_ROOT[root]} {hexed(path)}")

        io_dir = os.path.join(self.home, "io")
        os.makedirs(io_dir, exist_ok=True)
        step_file = os.path.join(io_dir, "steps.txt")
        result_file = os.path.join(io_dir, "result.txt")
        with open(step_file, "w") as f:
            f.write("\n".join(steps) + "\n")
        if os.path.exists(result_file):
            os.remove(result_file)
        # Output goes to a file, not a pipe: the Wine services that the first
        # run starts stay alive and would hold a pipe open.
        with open(os.path.join(io_dir, "wine.log"), "wb") as log:
            try:
                subprocess.run(["wine", self.helper, self.wine_path(step_file),
                                self.wine_path(result_file)], env=self.env,
                               stdin=subprocess.DEVNULL, stdout=log,
                               stderr=log, timeout=120, check=False)
            except subprocess.TimeoutExpired:
                return ["the helper did not end within 120 seconds"]
        if not os.path.exists(result_file):
            return ["the helper wrote no result"]
        return self.check(scenario, result_file)

    def check(self, scenario, result_file):
        problems = []
        messages, exit_code, dumped, dumped_64 = [], None, Registry(), []
        current_message = None
        current_key = None
        with open(result_file, encoding="ascii") as f:
            for line in f:
                words = line.split()
                if not words:
                    continue
                unhex = lambda w: "" if w == "-" else \
                    bytes.fromhex(w).decode(ANSI, "replace")
                if words[0] == "message":
                    current_message = {"buttons": []}
                    messages.append(current_message)
                elif words[0] in ("caption", "text"):
                    current_message[words[0]] = unhex(words[1])
                elif words[0] == "icon":
                    current_message["icon"] = words[1]
                elif words[0] == "button":
                    current_message["buttons"].append(unhex(words[1]))
                elif words[0] == "exit":
                    exit_code = int(words[1])
                elif words[0] == "timeout":
                    problems.append("the program did not end within 30 "
                                    "seconds (stopped)")
                elif words[0] == "problem":
                    problems.append("helper: " + unhex(words[1]))
                elif words[0] == "key":
                    current_key = unhex(words[2])
                    if words[1] == "64" or within(
                            current_key, "HKEY_CURRENT_USER\\SOFTWARE\\"
                            "Microsoft\\Windows\\Help"):
                        dumped_64.append(current_key)
                        current_key = None
                    else:
                        dumped.key(current_key)
                elif words[0] == "value":
                    if current_key is None:
                        problems.append("registry: a value was written where "
                                        "none belongs: " + line.strip())
                        continue
                    name = unhex(words[1])
                    data = b"" if words[3] == "-" else bytes.fromhex(words[3])
                    dumped.set(current_key, name, int(words[2]), data)
        if exit_code is not None and exit_code != scenario.exit:
            problems.append(f"exit status: expected {scenario.exit}, "
                            f"actual {exit_code}")
        elif exit_code is None and not problems:
            problems.append("the helper reported no exit status")
        for key in dumped_64:
            problems.append(f"registry: key [{key}] (64-bit view or the "
                            f"user's Help key) should not exist")
        problems += self.compare_messages(scenario, messages)
        tops = [f"{r}\\{p}" for _, r, p in WATCHED]
        problems += compare_registries(
            scenario.registry_after.with_parents(tops),
            dumped.with_parents(tops))

        files, folders = {}, set()
        utf8 = lambda b: b.decode("utf-8", "replace")
        for entry in os.listdir(self.drive_c):
            if entry in self.baseline:
                continue
            full = os.path.join(self.drive_c, entry)
            if os.path.isdir(full) and not os.path.islink(full):
                folders.add(path_key("c", [entry]))
                f, d = walk_files(full, "c", utf8, [entry])
                files.update(f)
                folders |= d
            else:
                with open(full, "rb") as fh:
                    files[path_key("c", [entry])] = fh.read()
        for drive, folder in self.drives.items():
            f, d = walk_files(folder, drive, utf8)
            files.update(f)
            folders |= d
        problems += compare_files(
            canonical_files(scenario.files_after),
            expected_folders(scenario.files_after, scenario.folders_after),
            files, folders)
        return problems

    def compare_messages(self, scenario, messages):
        problems = []
        module = re.escape(scenario.program)
        for n in range(max(len(messages), len(scenario.messages))):
            want = scenario.messages[n] if n < len(scenario.messages) else None
            got = messages[n] if n < len(messages) else None
            if want is None:
                problems.append(f"message {n + 1} should not be shown: {got}")
                continue
            if got is None:
                problems.append(f"message {n + 1} was not shown: {want}")
                continue
            wanted = {"caption": caption_of(want, scenario),
                      "icon": "none" if want["kind"] == "plain" else "stop",
                      "buttons": ["OK"]}
            for field, value in wanted.items():
                if got.get(field) != value:
                    problems.append(f"message {n + 1} {field}: expected "
                                    f"{value!r}, actual {got.get(field)!r}")
            if not re.fullmatch(message_pattern(want, module),
                                got.get("text", "")):
                problems.append(f"message {n + 1} text\n"
                                f"    expected: {message_pattern(want, module)}"
                                f"\n    actual:   {got.get('text')!r}")
        return problems


def remove(path):
    if os.path.isdir(path) and not os.path.islink(path):
        if os.path.ismount(path):
            unmount(path)
        for dirpath, dirnames, _ in os.walk(path):
            for d in dirnames:
                if os.path.ismount(os.path.join(dirpath, d)):
                    unmount(os.path.join(dirpath, d))
        shutil.rmtree(path, ignore_errors=True)
    else:
        os.remove(path)


# ------------------------------------------------------------------- main

def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--runner", choices=("host", "windows"), required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--keep", action="store_true",
                        help="keep the machine folders (host) for a look")
    parser.add_argument("--dir", default=HERE,
                        help="the folder of the scenario files")
    parser.add_argument("names", nargs="*",
                        help="run only the scenarios whose names match these "
                             "patterns (fnmatch)")
    args = parser.parse_args()

    if args.runner == "windows" and not os.environ.get("DISPLAY"):
        # Message boxes need a display: run again under a virtual one.
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24",
                               sys.executable, os.path.abspath(__file__)] +
                  sys.argv[1:])

    paths = sorted(p for p in os.listdir(args.dir) if p.endswith(".json"))
    if args.names:
        paths = [p for p in paths if any(
            fnmatch.fnmatch(p[:-5], pattern) for pattern in args.names)]
    scenarios, failed, passed, skipped = [], [], 0, []
    for path in paths:
        try:
            scenarios.append(Scenario(os.path.join(args.dir, path)))
        except ScenarioError as error:
            print(f"FAIL {path[:-5]}: {error}")
            failed.append(path[:-5])

    runner = (HostRunner if args.runner == "host" else WindowsRunner)(
        args.program, args.keep)
    started = time.time()
    try:
        for scenario in scenarios:
            try:
                problems = runner.run(scenario)
            except Skip as reason:
                print(f"SKIP {scenario.name}: {reason}")
                skipped.append(scenario.name)
                continue
            except ScenarioError as error:
                problems = [str(error)]
            except Exception:  # a fault of the runner: report, go on
                import traceback
                problems = ["the runner failed:\n" + traceback.format_exc()]
            if problems:
                failed.append(scenario.name)
                print(f"FAIL {scenario.name}: {scenario.description}")
                for problem in problems:
                    print("  " + problem.replace("\n", "\n  "))
            else:
                passed += 1
                print(f"ok   {scenario.name}")
            sys.stdout.flush()
    finally:
        runner.close()
    print(f"{args.runner} runner: {len(skipped)} skipped, "
          f"{time.time() - started:.0f} s")
    if failed:
        print("failed: " + " ".join(failed))
    print(f"{passed} passed, {len(failed)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
