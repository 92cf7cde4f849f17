"""Plants the faults of tools/mutants.list one at a time in a scratch copy of
the tree and runs the tests that can see each one; a fault that no test
catches is a hole in the tests. Started by tools/mutants.sh (which gives it a
Wine prefix); see there for the options.
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Which build tree, which targets to rebuild and which ctest names to run for
# a test group (a list of such records when the group spans trees). A fault
# names its groups, or takes them from its file's folder.
GROUPS = {
    "engine": ("native", ["engine_tests"], ["engine_tests"]),
    "renderer": ("native", ["renderer_tests", "lumbrook-reverb"], ["renderer_tests"]),
    "effect": ("win32", ["effect_tests"], ["effect_tests"]),
    "automation": ("win32", ["automation_tests", "automation_unregistered_tests"],
                   ["automation_tests", "automation_unregistered_tests"]),
    "editor": ("win32", ["editor_tests"], ["editor_tests"]),
    "module": ("win32", ["LumbrookReverb", "module_tests", "module_load_failure_tests",
                         "module_pinned_tests", "script_client_tests", "property_frame_tests"],
               ["module_tests", "module_load_failure_Effect_tests",
                "module_load_failure_Editor_tests", "module_pinned_tests",
                "script_client_tests", "property_frame_tests"]),
    "modstate": ("win32", ["LumbrookReverb", "module_state_tests"], ["module_state_tests"]),
    "plugins": ("native", ["plugin_core_tests", "plugin_host_tests"],
                ["plugin_core_tests", "plugin_host_tests"]),
    "apps": ("native", ["plugin_application_tests"], ["plugin_application_tests"]),
    "framework": ("win32", ["framework_tests"], ["framework_tests"]),
    "engine32": ("win32", ["engine_tests"], ["engine_tests"]),
    "host": ("win32", ["LumbrookReverb", "reverb-host", "host_tests"],
             ["host_tests", "host_limits_interrupt", "tools_agree"]),
    "graph": ("win32", ["LumbrookReverb", "graph-render", "reverb-host"], ["graph_render"]),
    # The 64-bit tree, and both trees side by side on one 64-bit machine.
    "engine64": ("win64", ["engine_tests"], ["engine_tests"]),
    "effect64": ("win64", ["effect_tests"], ["effect_tests"]),
    "automation64": ("win64", ["automation_tests", "automation_unregistered_tests"],
                     ["automation_tests", "automation_unregistered_tests"]),
    "host64": ("win64", ["LumbrookReverb", "reverb-host"], ["host_limits_interrupt"]),
    "sidebyside": [("win32", ["LumbrookReverb", "register-typelib", "reverb-host"], []),
                   ("win64", ["LumbrookReverb", "register-typelib", "reverb-host",
                              "side_by_side_tests"], ["side_by_side_tests", "builds_agree"])],
}
FOLDER_GROUPS = [
    ("engine/", ["engine"]),
    ("effect/", ["effect", "automation"]),
    ("editor/", ["editor"]),
    ("module/", ["module"]),
    ("platform/cwdxpx1/", ["framework", "module"]),
    ("platform/appframe/", ["editor", "module"]),
    ("tools/renderer/", ["renderer"]),
    ("tools/common/", ["renderer", "host"]),
    ("tools/host/", ["host"]),
    ("tools/graph/", ["graph"]),
    ("plugins/", ["plugins"]),
]
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
        self.groups = None

    def name(self):
        return "%s [%s; list line %d]" % (self.description, self.file, self.line)


def parse_list(path):
    """Records: a '## description' line, then 'file', 'from', 'to' and an
    optional 'tests' line; a literal \\n in from/to stands for a line break."""
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
            if fault is None or key not in ("file", "from", "to", "tests"):
                errors.append("%s:%d: not part of a fault record: %s" % (path, number, line))
                continue
            if key == "file":
                fault.file = value
            elif key == "from":
                fault.original = value.replace("\\n", "\n")
            elif key == "to":
                fault.replacement = value.replace("\\n", "\n")
            else:
                fault.groups = value.split()
    for fault in faults:
        if not fault.file or fault.original is None or fault.replacement is None:
            errors.append("%s:%d: %s needs file, from and to" % (path, fault.line, fault.description))
            continue
        if fault.groups is None:
            fault.groups = next((g for prefix, g in FOLDER_GROUPS if fault.file.startswith(prefix)), [])
        unknown = [g for g in fault.groups if g not in GROUPS]
        if not fault.groups or unknown:
            errors.append("%s:%d: no known test group for %s" % (path, fault.line, fault.description))
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
    with open(log, "ab") as out:
        out.write(("\n$ %s\n" % " ".join(command)).encode())
        out.flush()
        return subprocess.run(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                              env=env).returncode


def build_dir(scratch, tree):
    return os.path.join(scratch, "build", tree)


def configure(scratch, tree, log):
    return run(["cmake", "-S", ".", "-B", build_dir(scratch, tree)] + CONFIGURE[tree], scratch,
               log) == 0


def plan(groups):
    """Per tree: the targets to build and the ctest names to run."""
    trees = {}
    for group in groups:
        records = GROUPS[group]
        for tree, targets, tests in records if isinstance(records, list) else [records]:
            entry = trees.setdefault(tree, ([], []))
            entry[0].extend(t for t in targets if t not in entry[0])
            entry[1].extend(t for t in tests if t not in entry[1])
    return trees


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


def build(scratch, trees, log, jobs):
    for tree, (targets, _) in sorted(trees.items()):
        command = ["cmake", "--build", build_dir(scratch, tree), "-j%d" % jobs, "--target"]
        if run(command + targets, scratch, log) != 0:
            return False
    return True


def test(scratch, trees, log, timeout):
    """True when every test passes; stops at the first failure."""
    env = dict(os.environ, GTEST_FAIL_FAST="1")
    for tree, (_, tests) in sorted(trees.items()):
        if not tests:
            continue
        regex = "^(%s)$" % "|".join(re.escape(t) for t in tests)
        command = ["ctest", "-R", regex, "--stop-on-failure", "--timeout", str(timeout),
                   "--output-on-failure"]
        tree_env = WINE64.environment(env) if tree == "win64" else env
        if run(command, build_dir(scratch, tree), log, tree_env) != 0:
            return False
    return True


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
    parser.add_argument("--scratch", default=os.environ.get(
        "MUTANTS_DIR", os.path.join(ROOT, "build", "mutants")))
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--timeout", type=int, default=300)
    args = parser.parse_args()

    faults, errors = parse_list(args.list)
    errors += check_matches(faults, ROOT)
    for error in errors:
        print("mutants: %s" % error, file=sys.stderr)
    if errors:
        print("mutants: the list does not match the code; fix it first", file=sys.stderr)
        return 2
    if args.only:
        pattern = re.compile(args.only)
        faults = [f for f in faults if pattern.search(f.description) or pattern.search(f.file)]
    if args.check:
        print("mutants: %d faults, every original text matches exactly once" % len(faults))
        return 0

    start = time.time()
    scratch = os.path.abspath(args.scratch)
    os.makedirs(scratch, exist_ok=True)
    log = os.path.join(scratch, "mutants.log")
    open(log, "w").close()
    sync_tree(scratch)
    everything = plan(sorted(set(g for f in faults for g in f.groups)))
    for tree in everything:
        if not configure(scratch, tree, log):
            print("mutants: configuring the %s tree failed (see %s)" % (tree, log), file=sys.stderr)
            return 2
    # The unplanted tree must pass, or a failure would prove nothing.
    if not build(scratch, everything, log, args.jobs) or not test(scratch, everything, log,
                                                                  args.timeout):
        print("mutants: the tests fail without any fault (see %s)" % log, file=sys.stderr)
        return 2
    print("mutants: baseline built and passing in %.0f s" % (time.time() - start))

    survived, unbuildable = [], []
    for index, fault in enumerate(faults, 1):
        began = time.time()
        path = os.path.join(scratch, fault.file)
        with open(path, encoding="utf-8") as source:
            original = source.read()
        planted = original.replace(fault.original, fault.replacement, 1)
        trees = plan(fault.groups)
        try:
            with open(path, "w", encoding="utf-8") as source:
                source.write(planted)
            with open(log, "a") as out:
                out.write("\n=== %s\n" % fault.name())
            if not build(scratch, trees, log, args.jobs):
                verdict = "DOES NOT BUILD"
                unbuildable.append(fault)
            elif test(scratch, trees, log, args.timeout):
                verdict = "SURVIVED"
                survived.append(fault)
            else:
                verdict = "killed"
        finally:
            with open(path, "w", encoding="utf-8") as source:
                source.write(original)
        print("[%2d/%d] %-14s %s  (%s, %.0f s)" % (index, len(faults), verdict, fault.name(),
                                                  " ".join(fault.groups), time.time() - began),
              flush=True)

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
