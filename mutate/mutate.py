#!/usr/bin/env python3
"""./dev mutate [--from DIR] [ID...]: the mutation check of the test suite.

Copies the git-tracked files of the checkout (or of DIR) to build-mutate/tree,
builds them there once (Debug, tests, no sanitizers; incrementally on later
runs), checks that the suites the list names pass, then applies each mutation
of mutate/mutations.txt in turn (or those named), rebuilds and runs its suites
one by one until one fails. The source tree it copies from is only read.
"""
import os
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent
WORK = ROOT / "build-mutate"
TREE, BUILD, LOGS = WORK / "tree", WORK / "build", WORK / "logs"
SUITE_TIMEOUT = 120  # seconds; a suite that takes longer kills the mutation


def fail(code, message):
    print(f"mutate: {message}", file=sys.stderr)
    sys.exit(code)


def read_list(path):
    """The entries of the list: id, what, kill (suites), original, replacement."""
    entries, entry, block = [], None, None
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if block is not None:  # inside <<< ... === ... >>>
            if line == "===" and "original" not in entry:
                entry["original"], block = "\n".join(block), []
            elif line == ">>>" and "original" in entry:
                entry["replacement"], block = "\n".join(block), None
            else:
                block.append(line)
        elif line == "<<<" and entry is not None:
            block = []
        elif re.match(r"(id|what|kill):", line):
            key, value = line.split(":", 1)
            if key == "id":
                entry = {"line": number}
                entries.append(entry)
            elif entry is None:
                fail(2, f"{path.name}:{number}: '{key}:' before any 'id:'")
            entry[key] = value.strip()
        elif line.strip() and not line.startswith("#"):
            fail(2, f"{path.name}:{number}: unexpected line: {line}")
    if block is not None:
        fail(2, f"{path.name}: the last snippet is not closed with >>>")
    ids = [e.get("id") for e in entries]
    for e in entries:
        complete = all(e.get(k, "").strip() for k in ("id", "what", "kill", "original")) and "replacement" in e
        if not complete or ids.count(e["id"]) > 1:
            fail(2, f"{path.name}:{e['line']}: an entry needs id, what, kill, <<< original === replacement >>>, "
                    "and an id of its own")
        e["kill"] = e["kill"].split()
    return entries


def run(command, log):
    return subprocess.run(command, stdout=log, stderr=subprocess.STDOUT).returncode


def git_files(source, *paths):
    out = subprocess.run(["git", "-C", str(source), "ls-files", "-z", *paths], check=True, capture_output=True).stdout
    return [f for f in out.decode().split("\0") if f and (source / f).is_file()]


def sync_tree(source):
    """The tree holds the tracked files of source: a file is rewritten only when
    its content differs (so ninja rebuilds only that), and one no longer tracked goes."""
    tracked = set(git_files(source))
    for name in tracked:
        data, target = (source / name).read_bytes(), TREE / name
        if not target.is_file() or target.read_bytes() != data:
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(data)
            target.chmod((source / name).stat().st_mode & 0o777)
    for path in [p for p in TREE.rglob("*") if p.is_file()]:
        if str(path.relative_to(TREE)) not in tracked:
            path.unlink()


def build(log):
    if not (BUILD / "build.ninja").exists():
        run(["cmake", "-S", str(TREE), "-B", str(BUILD), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
             "-DFELCORA_BUILD_TESTS=ON", "-DFELCORA_SANITIZE=OFF", "-DFELCORA_BUILD_BENCH=OFF",
             "-DCMAKE_LINK_DEPENDS_NO_SHARED=ON"], log)  # a body changes, the interface does not
    return run(["ninja", "-C", str(BUILD), "-j", str(os.cpu_count() or 2)], log) == 0


def suite_fails(suite, log):
    """Whether the suite fails (a timeout counts), run as ctest runs it, on SQLite."""
    env = {k: v for k, v in os.environ.items() if not k.startswith(("FELCORA_TEST_BACKEND", "FELCORA_PG_"))}
    # No backtrace through a debugger on a crash: a hung debugger would stall the run.
    env.update(QT_QPA_PLATFORM="offscreen", LC_ALL="C.UTF-8", QTEST_DISABLE_STACK_DUMP="1")
    process = subprocess.Popen([str(BUILD / "tests" / suite)], cwd=BUILD / "tests", env=env, stdout=log,
                               stderr=subprocess.STDOUT, start_new_session=True)
    try:
        return process.wait(timeout=SUITE_TIMEOUT) != 0
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)  # with whatever the suite started
        process.wait()
        print(f"{suite}: timed out after {SUITE_TIMEOUT} s", file=log, flush=True)
        return True


def find_snippet(original):
    """The one place of the snippet in src/ (any run of blanks matches any other): (file, span), or None."""
    pattern = re.compile(r"\s+".join(map(re.escape, original.split())))
    places = []
    for path in sorted((TREE / "src").rglob("*")):
        if path.suffix in (".cpp", ".h"):
            text = path.read_bytes().decode()  # as it is, line ends included
            places += [(path, text, m.span()) for m in pattern.finditer(text)]
    return places[0] if len(places) == 1 else None


def mutate(entry):
    """Applies one mutation, rebuilds, runs its suites, restores: its result line."""
    place = find_snippet(entry["original"])
    if not place:
        return "lost", f"LOST {entry['id']} (snippet not found / not unique)"
    path, text, (begin, end) = place
    with open(LOGS / f"{entry['id']}.log", "w") as log:
        try:
            path.write_bytes((text[:begin] + entry["replacement"] + text[end:]).encode())
            if not build(log):
                return "invalid", f"INVALID {entry['id']} (does not compile)"
            for suite in entry["kill"]:
                if suite_fails(suite, log):
                    return "killed", f"KILLED {entry['id']} by {suite}"
            return "survived", f"SURVIVED {entry['id']}"
        finally:
            path.write_bytes(text.encode())  # a newer mtime: the next build recompiles it


def line_count(source, *paths):
    files = [f for f in git_files(source, *paths) if not f.endswith(".ui")]
    return sum((source / f).read_bytes().count(b"\n") for f in files)


def main(args):
    source = ROOT
    if args[:1] == ["--from"]:
        if len(args) < 2:
            fail(2, "usage: ./dev mutate [--from DIR] [ID...]")
        source, args = Path(args[1]).resolve(), args[2:]
    if not (source / ".git").exists():
        fail(2, f"{source} is no git checkout")
    entries = read_list(HERE / "mutations.txt")
    unknown = set(args) - {e["id"] for e in entries}
    if unknown:
        fail(2, f"no such mutation: {' '.join(sorted(unknown))}")
    chosen = [e for e in entries if not args or e["id"] in args]
    started = time.time()
    LOGS.mkdir(parents=True, exist_ok=True)
    sync_tree(source)
    suites = sorted({s for e in chosen for s in e["kill"]})
    with open(LOGS / "unmutated.log", "w") as log:
        if not build(log):
            fail(1, f"the unmutated tree does not build (see {log.name})")
        missing = [s for s in suites if not (BUILD / "tests" / s).is_file()]
        if missing:
            fail(2, f"the list names suites that are not built: {' '.join(missing)}")
        for suite in suites:
            if suite_fails(suite, log):
                fail(1, f"{suite} fails without any mutation (see {LOGS / 'unmutated.log'})")
    print(f"mutate: {len(chosen)} mutations of {source}, suites pass unmutated", flush=True)
    counts = dict.fromkeys(("killed", "survived", "invalid", "lost"), 0)
    lines = []
    for entry in chosen:
        outcome, line = mutate(entry)
        counts[outcome] += 1
        lines.append(line)
        print(line, flush=True)
    tried = counts["killed"] + counts["survived"]
    tests = line_count(source, "tests")
    code = line_count(source, "src", "hostkit", "apps", "include")
    commit = subprocess.run(["git", "-C", str(source), "rev-parse", "--short", "HEAD"], capture_output=True,
                            text=True).stdout.strip()
    summary = [
        f"kill rate: {100 * counts['killed'] / tried if tried else 0:.1f}% ({counts['killed']} killed of {tried})",
        "counts: " + ", ".join(f"{k} {v}" for k, v in counts.items()),
        f"test-to-code lines: {tests} / {code} = {tests / code:.2f} (tests/ against src/, hostkit/, apps/, include/ without .ui)",
        f"tree: {source} at {commit}; {len(chosen)} mutations in {(time.time() - started) / 60:.0f} min",
    ]
    print("\n".join(summary))
    (WORK / "result.txt").write_text("\n".join(lines + [""] + summary) + "\n")


if __name__ == "__main__":
    main(sys.argv[1:])
