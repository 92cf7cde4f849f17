"""Plants the faults of tools/mutants.list one at a time in a scratch copy of
the tree and runs the test each record names as its killer; a fault counts as
killed only when that test fails, so a record also says which test guards
against it. Started by tools/mutants.sh (which gives it a Wine prefix); see
there for the options.
"""
import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# A fault's tests are those of ctest labels (each test is labelled with its
# layer, the top folder that declares it: engine, effect, editor, module,
# platform, tools, plugins), in one of the three trees. A record names them as
# LABEL (in the trees where that layer's tests run by default) or TREE:LABEL,
# or takes them from its file's folder.
LAYERS = ("engine", "effect", "editor", "module", "platform", "tools", "plugins")
LABEL_TREES = {"engine": ["native"], "plugins": ["native"], "tools": ["native", "win32"]}
DEFAULT_TREES = ["win32"]
TREES = ("native", "win32", "win64")
FOLDER_LABELS = [
    ("engine/", ["engine"]),
    ("effect/", ["effect"]),
    ("editor/", ["editor"]),
    ("module/", ["module"]),
    ("platform/cwdxpx1/", ["platform", "module"]),
    ("platform/appframe/", ["platform", "editor", "module"]),
    ("tools/renderer/", ["native:tools"]),
    ("tools/common/", ["tools"]),
    ("tools/host/", ["win32:tools"]),
    ("tools/graph/", ["win32:tools"]),
    ("plugins/", ["plugins"]),
]
# What a test that names another tree's program folder needs from that tree:
# the programs shipped from it (the 64-bit tree's side-by-side tests run the
# 32-bit tree's), which build the plug-in, the framework and the type library.
SHIPPED_TARGETS = ["reverb-host", "register-typelib"]
CONFIGURE = {
    "native": ["-DCMAKE_BUILD_TYPE=Release"],
    "win32": ["-DCMAKE_BUILD_TYPE=Release",
              "-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake"],
    "win64": ["-DCMAKE_BUILD_TYPE=Release",
              "-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake"],
}


class Fault:
    def __init__(self, line):
        self.line = line
        self.description = ""
        self.file = self.original = self.replacement = None
        self.killer = None
        self.labels = None
        self.last_line = line  # the record's last line, after which a killer is written

    def name(self):
        return "%s [%s; list line %d]" % (self.description, self.file, self.line)

    def selection(self):
        """(tree, label) pairs: the tests that can see this fault."""
        pairs = []
        for word in self.labels:
            tree, _, label = word.rpartition(":")
            for one in [tree] if tree else LABEL_TREES.get(label, DEFAULT_TREES):
                if (one, label) not in pairs:
                    pairs.append((one, label))
        return pairs


def parse_list(path):
    """Records: a '## description' line, then 'file', 'from', 'to', 'killer'
    and an optional 'tests' line; a literal \\n in from/to stands for a line
    break."""
    faults, fault, errors = [], None, []
    with open(path, encoding="utf-8") as listing:
        for number, raw in enumerate(listing, 1):
            line = raw.rstrip("\n")
            if line.startswith("## "):
                fault = Fault(number)
                fault.description = line[3:].strip()
                faults.append(fault)
                continue
            if not line.strip() or line.startswith("#"):
                continue
            key, _, value = line.partition(" ")
            value = value.lstrip(" ")
            if fault is None or key not in ("file", "from", "to", "killer", "tests"):
                errors.append("%s:%d: not part of a fault record: %s" % (path, number, line))
                continue
            fault.last_line = number
            if key == "file":
                fault.file = value
            elif key == "from":
                fault.original = value.replace("\\n", "\n")
            elif key == "to":
                fault.replacement = value.replace("\\n", "\n")
            elif key == "killer":
                fault.killer = value.strip()
            else:
                fault.labels = value.split()
    for fault in faults:
        if not fault.file or fault.original is None or fault.replacement is None:
            errors.append("%s:%d: %s needs file, from and to" % (path, fault.line, fault.description))
            continue
        if fault.labels is None:
            fault.labels = next((g for prefix, g in FOLDER_LABELS if fault.file.startswith(prefix)),
                                [])
        unknown = [w for w in fault.labels
                   if w.rpartition(":")[0] not in ("",) + TREES or w.rpartition(":")[2] not in LAYERS]
        if not fault.labels or unknown:
            errors.append("%s:%d: no test label for %s" % (path, fault.line, fault.description))
        if fault.killer is not None and not re.fullmatch(r"[\w/-]+(\.[\w/-]+)?", fault.killer):
            errors.append("%s:%d: the killer of %s is neither Suite.Test nor a ctest name" %
                          (path, fault.line, fault.description))
    return faults, errors


def check_matches(faults, tree):
    """Every original must occur exactly once in its file."""
    errors = []
    for fault in faults:
        path = os.path.join(tree, fault.file)
        if not os.path.isfile(path):
            errors.append("%s: no file %s" % (fault.name(), fault.file))
            continue
        with open(path, encoding="utf-8") as source:
            count = source.read().count(fault.original)
        if count != 1:
            errors.append("%s: the original text occurs %d times" % (fault.name(), count))
    return errors


def sync_tree(scratch):
    """Copies the tracked files (as they are in the working tree) into the
    scratch tree, only those whose content differs, so that the scratch
    builds stay incremental; removes files no longer tracked, but not the
    scratch trees' output (build, and dist, which the installer is made from)."""
    listed = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, check=True,
                            stdout=subprocess.PIPE).stdout.decode().split("\0")
    tracked = set(f for f in listed if f)
    for name in tracked:
        source, target = os.path.join(ROOT, name), os.path.join(scratch, name)
        if not os.path.isfile(source):
            continue
        with open(source, "rb") as f:
            data = f.read()
        if os.path.isfile(target):
            with open(target, "rb") as f:
                if f.read() == data:
                    continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)
        shutil.copymode(source, target)
    for folder, dirs, files in os.walk(scratch):
        relative = os.path.relpath(folder, scratch)
        if relative.split(os.sep)[0] in ("build", "dist"):
            dirs[:] = []
            continue
        for name in files:
            path = os.path.normpath(os.path.join(relative, name))
            if path not in tracked:
                os.remove(os.path.join(folder, name))


def run(command, cwd, log, env=None):
    """Runs a command with its output appended to the log; returns its exit
    status and that output."""
    with tempfile.TemporaryFile() as out:
        status = subprocess.run(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                                env=env).returncode
        out.seek(0)
        output = out.read()
    with open(log, "ab") as record:
        record.write(("\n$ %s\n" % " ".join(command)).encode())
        record.write(output)
    return status, output.decode("utf-8", "replace")


def build_dir(scratch, tree):
    return os.path.join(scratch, "build", tree)


class Trees:
    """The scratch build trees: configured on first use, and what ctest
    knows of their tests (labels, commands, and the gtest cases each runs)."""

    def __init__(self, scratch, log, jobs):
        self.scratch, self.log, self.jobs = scratch, log, jobs
        self.configured = set()
        self.tests = {}  # tree -> {ctest name: (labels, command)}
        self.cases = {}  # (tree, Suite.Test) -> ctest name

    def configure(self, tree):
        if tree not in self.configured:
            status, _ = run(["cmake", "-S", ".", "-B", build_dir(self.scratch, tree)] +
                            CONFIGURE[tree], self.scratch, self.log)
            if status != 0:
                raise SystemExit("mutants: configuring the %s tree failed (see %s)" %
                                 (tree, self.log))
            self.configured.add(tree)

    def build(self, targets_by_tree):
        for tree in TREES:
            targets = targets_by_tree.get(tree)
            if targets is None:
                continue
            self.configure(tree)
            command = ["cmake", "--build", build_dir(self.scratch, tree), "-j%d" % self.jobs]
            if targets:
                command += ["--target"] + targets
            if run(command, self.scratch, self.log)[0] != 0:
                return False
        return True

    def read_tests(self, tree):
        """What ctest lists in a built tree."""
        _, output = run(["ctest", "--show-only=json-v1"], build_dir(self.scratch, tree), self.log)
        listing = json.loads(output[output.index("{"):])
        tests = {}
        for test in listing["tests"]:
            labels = next((p["value"] for p in test.get("properties", [])
                           if p["name"] == "LABELS"), [])
            tests[test["name"]] = (labels, test.get("command") or [])
        self.tests[tree] = tests

    def labelled(self, pairs):
        """(tree, ctest name) of the tests carrying the given labels."""
        found = []
        for tree, label in pairs:
            for name, (labels, _) in sorted(self.tests.get(tree, {}).items()):
                if label in labels and (tree, name) not in found:
                    found.append((tree, name))
        return found

    def program(self, tree, name):
        """A test's command without ctest's emulator in front."""
        command = self.tests[tree][name][1]
        if command and command[0].endswith("wine-run.sh"):
            command = command[2:]
        return command

    def is_gtest(self, tree, name):
        command = self.program(tree, name)
        return bool(command) and os.path.basename(command[0]) not in ("sh", "bash")

    def targets(self, tests):
        """Per tree, the targets that the given tests run: the programs their
        commands name in a build tree; a tree's program folder stands for
        the programs shipped from it."""
        wanted = {}
        for tree, name in tests:
            wanted.setdefault(tree, [])
            for argument in self.program(tree, name):
                for other in TREES:
                    folder = build_dir(self.scratch, other) + os.sep
                    if not argument.startswith(folder):
                        continue
                    if os.path.isdir(argument):
                        names = SHIPPED_TARGETS
                    else:
                        names = [re.sub(r"\.exe$", "", os.path.basename(argument))]
                    entry = wanted.setdefault(other, [])
                    entry.extend(n for n in names if n not in entry)
        return wanted

    def list_cases(self, tests, env_for):
        """Learns which gtest cases each of the given tests runs."""
        for tree, name in tests:
            if not self.is_gtest(tree, name):
                continue
            command = self.tests[tree][name][1] + ["--gtest_list_tests"]
            output = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                    env=env_for(tree)).stdout.decode("utf-8", "replace")
            suite = None
            for line in output.splitlines():
                text = line.split("#")[0].rstrip()
                if not text.strip():
                    continue
                if not line.startswith(" "):
                    suite = text.strip()
                elif suite:
                    self.cases.setdefault((tree, suite + text.strip()), name)

    def holder(self, fault):
        """(tree, ctest name) of the test that must kill the fault, or None."""
        for tree, _ in fault.selection():
            if "." in fault.killer:
                name = self.cases.get((tree, fault.killer))
            else:
                name = fault.killer if fault.killer in self.tests.get(tree, {}) else None
            if name:
                return tree, name
        return None


class Wine64:
    """A 64-bit Wine prefix for the 64-bit tree's tests (tools/mutants.sh gives
    the run a 32-bit one, as tools/test.sh gives the 32-bit tree), made on
    first use, with its server kept running, and removed by close()."""

    def __init__(self):
        self.folder = None
        self.env = None

    def environment(self, base):
        if self.env is None:
            self.folder = tempfile.mkdtemp(prefix="mutants-wine64-")
            env = dict(base, WINEARCH="win64")
            subprocess.run([os.path.join(ROOT, "tools", "wine-prefix.sh"), self.folder], env=env,
                           check=True)
            env["WINEPREFIX"] = os.path.join(self.folder, "prefix")
            subprocess.run(["wineserver", "-p"], env=env, check=True)
            self.env = env
        return self.env

    def close(self):
        if self.env is not None:
            subprocess.run(["wineserver", "-k"], env=self.env)
        if self.folder is not None:
            shutil.rmtree(self.folder, ignore_errors=True)


WINE64 = Wine64()


def environment(tree, base):
    return WINE64.environment(base) if tree == "win64" else base


def run_tests(trees, tests, timeout, extra_env=None, stop_on_failure=True):
    """Runs ctest tests, tree by tree; returns whether all passed and their
    output."""
    base = dict(os.environ, **(extra_env or {}))
    passed, outputs = True, []
    for tree in TREES:
        names = [name for one, name in tests if one == tree]
        if not names:
            continue
        regex = "^(%s)$" % "|".join(re.sub(r"([.+*?^$()\[\]|\\])", r"\\\1", n) for n in names)
        command = ["ctest", "-R", regex, "--timeout", str(timeout), "--output-on-failure"]
        if stop_on_failure:
            command.append("--stop-on-failure")
        status, output = run(command, build_dir(trees.scratch, tree), trees.log,
                             environment(tree, base))
        outputs.append(output)
        if status != 0:
            passed = False
            if stop_on_failure:
                break
    return passed, "\n".join(outputs)


def case_failed(output, case):
    """Whether a gtest case failed in the output, or was running when its
    process ended (a crash, a hang cut off by the timeout)."""
    if re.search(r"^\[  FAILED  \] %s(?=[ ,]|$)" % re.escape(case), output, re.M):
        return True
    started = output.count("[ RUN      ] %s\n" % case)
    ended = len(re.findall(r"^\[ +(?:OK|FAILED|SKIPPED) +\] %s(?=[ ,]|$)" % re.escape(case),
                           output, re.M))
    return started > ended


def first_failure(output):
    """The first test that failed in the output of a fail-fast run: a gtest
    case (Suite.Test), or else the ctest name of a failing script test."""
    for match in re.finditer(r"^\[ RUN      \] (\S+)$", output, re.M):
        if case_failed(output, match.group(1)):
            return match.group(1)
    failed = re.search(r"The following tests FAILED:\s*\n\s*\d+ - (\S+)", output)
    return failed.group(1) if failed else None


def write_killers(path, found):
    """Writes each found killer into its record (after the record's last
    line), through a temporary file beside the list."""
    by_line = dict((fault.last_line, killer) for fault, killer in found)
    replaced = set(fault.line for fault, _ in found)
    with open(path, encoding="utf-8") as listing:
        lines = listing.read().split("\n")
    out, record = [], None
    for number, line in enumerate(lines, 1):
        if line.startswith("## "):
            record = number
        if line.startswith("killer ") and record in replaced:
            continue
        out.append(line)
        if number in by_line:
            out.append("killer %s" % by_line[number])
    handle, temporary = tempfile.mkstemp(prefix=".mutants-", dir=os.path.dirname(path))
    try:
        with os.fdopen(handle, "w", encoding="utf-8") as listing:
            listing.write("\n".join(out))
        shutil.copymode(path, temporary)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def stop(signum, frame):
    # An interrupted run still puts the planted file back (the finally below).
    raise SystemExit(128 + signum)


def main():
    signal.signal(signal.SIGTERM, stop)
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--list", default=os.path.join(ROOT, "tools", "mutants.list"))
    parser.add_argument("--only", help="run only the faults whose description or file matches")
    parser.add_argument("--check", action="store_true",
                        help="only check that every original text still matches once")
    parser.add_argument("--find-killers", action="store_true",
                        help="run every test of each fault's labels, first failure first, and "
                        "write the first test that fails into the record as its killer")
    parser.add_argument("--scratch", default=os.environ.get(
        "MUTANTS_DIR", os.path.join(ROOT, "build", "mutants")))
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--timeout", type=int, default=300)
    args = parser.parse_args()

    faults, errors = parse_list(args.list)
    errors += check_matches(faults, ROOT)
    if args.only:
        pattern = re.compile(args.only)
        faults = [f for f in faults if pattern.search(f.description) or pattern.search(f.file)]
    if not args.find_killers:
        errors += ["%s: names no killer" % f.name() for f in faults if f.killer is None]
    for error in errors:
        print("mutants: %s" % error, file=sys.stderr)
    if errors:
        print("mutants: the list does not match the code; fix it first", file=sys.stderr)
        return 2
    if args.check:
        print("mutants: %d faults, every original text matches exactly once, each names its "
              "killer" % len(faults))
        return 0

    start = time.time()
    scratch = os.path.abspath(args.scratch)
    os.makedirs(scratch, exist_ok=True)
    log = os.path.join(scratch, "mutants.log")
    open(log, "w").close()
    sync_tree(scratch)
    trees = Trees(scratch, log, args.jobs)
    used = set(tree for f in faults for tree, _ in f.selection())
    if "win64" in used:
        used.add("win32")  # the 64-bit tree's installer takes the 32-bit build
    used = sorted(used, key=TREES.index)
    # Every tree the faults use, whole, then what its tests are.
    if not trees.build(dict((tree, []) for tree in used)):
        print("mutants: the trees do not build without any fault (see %s)" % log, file=sys.stderr)
        return 2
    for tree in used:
        trees.read_tests(tree)
    everything = trees.labelled(sorted(set(p for f in faults for p in f.selection())))
    trees.list_cases(everything, lambda tree: environment(tree, dict(os.environ)))
    if not args.find_killers:
        missing = [f for f in faults if trees.holder(f) is None]
        for fault in missing:
            print("mutants: %s: no test of %s is %s" % (fault.name(), " ".join(fault.labels),
                                                       fault.killer), file=sys.stderr)
        if missing:
            return 2
        everything = sorted(set(trees.holder(f) for f in faults))
    # The unplanted tree must pass, or a failure would prove nothing.
    if not trees.build(trees.targets(everything)) or not run_tests(trees, everything,
                                                                   args.timeout)[0]:
        print("mutants: the tests fail without any fault (see %s)" % log, file=sys.stderr)
        return 2
    print("mutants: baseline built and passing in %.0f s" % (time.time() - start))

    survived, unbuildable, found = [], [], []
    for index, fault in enumerate(faults, 1):
        began = time.time()
        path = os.path.join(scratch, fault.file)
        with open(path, encoding="utf-8") as source:
            original = source.read()
        planted = original.replace(fault.original, fault.replacement, 1)
        if args.find_killers:
            tests = trees.labelled(fault.selection())
        else:
            tests = [trees.holder(fault)]
        try:
            with open(path, "w", encoding="utf-8") as source:
                source.write(planted)
            with open(log, "a") as out:
                out.write("\n=== %s\n" % fault.name())
            if not trees.build(trees.targets(tests)):
                verdict = "DOES NOT BUILD"
                unbuildable.append(fault)
            elif args.find_killers:
                passed, output = run_tests(trees, tests, args.timeout, {"GTEST_FAIL_FAST": "1"})
                killer = None if passed else first_failure(output)
                if killer:
                    verdict = "killed by %s" % killer
                    found.append((fault, killer))
                else:
                    verdict = "SURVIVED"
                    survived.append(fault)
            else:
                gtest = "." in fault.killer
                passed, output = run_tests(trees, tests, args.timeout,
                                           {"GTEST_FILTER": fault.killer} if gtest else {})
                if passed:
                    verdict = "SURVIVED"
                    survived.append(fault)
                elif gtest and not case_failed(output, fault.killer):
                    verdict = "SURVIVED %s" % fault.killer
                    survived.append(fault)
                else:
                    verdict = "killed"
        finally:
            with open(path, "w", encoding="utf-8") as source:
                source.write(original)
        print("[%2d/%d] %-14s %s  (%s, %.0f s)" % (index, len(faults), verdict, fault.name(),
                                                  fault.killer if fault.killer and not
                                                  args.find_killers else " ".join(fault.labels),
                                                  time.time() - began), flush=True)

    if found:
        write_killers(args.list, found)
        print("mutants: wrote %d killers into %s" % (len(found), args.list))
    print("mutants: %d faults, %d killed, %d survived, %d do not build, in %.0f s" %
          (len(faults), len(faults) - len(survived) - len(unbuildable), len(survived),
           len(unbuildable), time.time() - start))
    for fault in survived:
        print("mutants: survived: %s" % fault.name())
    for fault in unbuildable:
        print("mutants: does not build: %s" % fault.name())
    return 1 if survived or unbuildable else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    finally:
        WINE64.close()
