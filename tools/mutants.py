#!/usr/bin/env python3
"""Mutation testing: how many small faults in src/ do the tests notice?

A mutant is the program with one small change on one line: a comparison or arithmetic operator
swapped, an integer constant one more or one less, a condition negated or fixed to 1 or 0, a
statement deleted, && and || swapped, or two arguments of a call swapped. The tool finds every
such change in src/, takes a seeded random sample, and builds and tests each mutant in a scratch
copy of the repository. Failing tests kill a mutant; passing ones let it survive; one that does
not build is not scored; one whose tests run out of time fails them, a hang a user would see,
and counts as killed. Score = killed (timeouts among them) / built.

Each survivor is one of: equivalent (no user could see the change, e.g. a buffer one byte larger);
speed only (the same work done more slowly or quickly); or a real gap (a user could see it, and a
test that fails on it is missing).
"""
import argparse, collections, contextlib, os, random, re, shutil, signal, subprocess, sys, tempfile, time
from pathlib import Path

TARGETS = ["unit_tests", "vorludit", "vorludit-sheet"]
TMPDIR = Path(tempfile.gettempdir()) / f"mutants-tests-{os.getpid()}"  # the tests' scratch folders
BUILD_TIMEOUT = 1200  # seconds for one build; a header change rebuilds everything
TEST_TIMEOUT = 900  # seconds for the whole test run, on top of ctest's per-test limit
# In this code's layout (clang-format, WebKit style) binary operators have a space on each side;
# pointer stars, template brackets, << and a unary minus do not.
BINARY = re.compile(r"(?<= )(<=|>=|==|!=|\+=|-=|&&|\|\||[<>+\-*/%])(?= )")
SWAPS = {"<": ["<=", ">"], "<=": ["<", ">="], ">": [">=", "<"], ">=": [">", "<="]}
SWAPS.update({"==": ["!="], "!=": ["=="], "+": ["-"], "-": ["+"], "*": ["/"], "/": ["*"]})
SWAPS.update({"%": ["*", "/"], "+=": ["-="], "-=": ["+="], "&&": ["||"], "||": ["&&"]})
COMPARISONS = ("<", "<=", ">", ">=", "==", "!=")
STEP = re.compile(r"\+\+|--")
NUMBER = re.compile(r"(?<![\w.])(0[xX][0-9a-fA-F]+|\d+)(?=[uUlL]*(?![\w.]))")
CONDITION = re.compile(r"\b(if|while) \(")
CALL = re.compile(r"\b([A-Za-z_]\w*)\(")
KEYWORDS = {"if", "while", "for", "switch", "return", "sizeof", "case", "goto", "delete", "else"}
TYPE = r"(?:(?:static|const|unsigned|struct|extern|inline)\s+)*[A-Za-z_][\w:]*"
DECLARATION = re.compile(TYPE + r"(?:\s*[*&]+\s*(?:const\s+)?|\s+)[A-Za-z_]\w*\s*[=;\[(,{]")
DEFINITION = re.compile(TYPE + r"(?:\s*[*&]+\s*|\s+)$")  # what comes before a function's name
PARAMETER = re.compile(TYPE + r"(?:\s*[*&]+\s*|\s+)[A-Za-z_]\w*(?:\[\w*\])?$")
LITERALS = re.compile(r"//[^\n]*|/\*.*?\*/|\"(?:\\.|[^\"\\\n])*\"|'(?:\\.|[^'\\\n])*'", re.S)


def mask(text):
    """The text with comments and string and character literals blanked out, newlines kept."""
    return LITERALS.sub(lambda m: re.sub(r"[^\n]", " ", m[0]), text)


def closing(masked, start):
    """Where the bracket opened at start closes on this line, or -1."""
    depth = 0
    for i in range(start, len(masked)):
        depth += (masked[i] in "([{") - (masked[i] in ")]}")
        if depth == 0:
            return i
    return -1


def edits(masked, line, after_statement):
    """(operator, start, end, replacement) for every mutation of one line."""
    for m in BINARY.finditer(masked):
        op = "logic" if m[1] in ("&&", "||") else "compare" if m[1] in COMPARISONS else "arith"
        for new in SWAPS[m[1]]:
            yield op, m.start(), m.end(), new
    for m in STEP.finditer(masked):
        yield "arith", m.start(), m.end(), "--" if m[0] == "++" else "++"
    for m in NUMBER.finditer(masked):
        base = 16 if m[1][:2].lower() == "0x" else 8 if len(m[1]) > 1 and m[1][0] == "0" else 10
        form = {16: "0x{:X}", 8: "0{:o}", 10: "{}"}[base]
        for value in (int(m[1], base) + 1, int(m[1], base) - 1):
            yield "constant", m.start(), m.end(), form.format(value) if value >= 0 else "-1"
    for m in CONDITION.finditer(masked):
        end = closing(masked, m.end() - 1)
        if end > 0:
            for new in ("!(" + line[m.end() : end] + ")", "1", "0"):
                yield "condition", m.end(), end, new
    statement = masked.strip()
    first = re.match(r"\w*", statement)[0]
    starts = re.match(r"[\w*(]|\+\+|--", statement) and first not in KEYWORDS
    if starts and after_statement and statement.endswith(";") and not re.search(r"[{}]", statement):
        if not DECLARATION.match(statement):  # one whole statement, and no declaration
            yield "delete", len(masked) - len(masked.lstrip()), len(line), ";"
    yield from swapped_arguments(masked, line)


def swapped_arguments(masked, line):
    """Edits swapping two neighbouring arguments of a call that lies on this line."""
    for m in CALL.finditer(masked):
        end = closing(masked, m.end() - 1)
        if end < 0 or m[1] in KEYWORDS or DEFINITION.fullmatch(masked[: m.start()]):
            continue
        spans, start, depth = [], m.end(), 0
        for i in range(m.end(), end + 1):
            depth += (masked[i] in "([{") - (masked[i] in ")]}")
            if depth == 0 and masked[i] == "," or i == end:
                text = line[start:i]
                first = start + len(text) - len(text.lstrip())
                spans.append((first, first + len(text.strip())))
                start = i + 1
        args = [line[a:b] for a, b in spans]
        if any(PARAMETER.match(a) and a.split()[0] not in KEYWORDS for a in args):
            continue  # a template's definition
        for k in range(len(args) - 1):
            (a, b), (c, d) = spans[k], spans[k + 1]
            if args[k] != args[k + 1] and args[k]:
                yield "swapargs", a, d, args[k + 1] + line[b:c] + args[k]


def candidates(repo):
    """Every mutant of src/, as (file, line number, operator, original line, mutated line)."""
    found = {}  # the same mutated line made twice is one mutant
    for path in sorted(p for p in repo.glob("src/**/*") if p.suffix in (".cpp", ".h")):
        rel = str(path.relative_to(repo))
        text = path.read_text(encoding="utf-8")
        previous = ""
        for number, (line, masked) in enumerate(zip(text.split("\n"), mask(text).split("\n")), 1):
            if masked.lstrip().startswith("#"):
                continue
            after = previous == "" or previous.endswith((";", "{", "}", ")", ":", "else"))
            for op, start, end, new in edits(masked, line, after):
                mutated = line[:start] + new + line[end:]
                if mutated != line:
                    found.setdefault((rel, number, mutated), (rel, number, op, line, mutated))
            previous = masked.strip() or previous
    return list(found.values())


def run(command, timeout):
    """Runs a command in a process group of its own, output captured: (status, output), or
    (None, "") when it runs out of time; the whole group is ended when it does or on Ctrl+C."""
    pipes = dict(stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")
    proc = subprocess.Popen(command, start_new_session=True, **pipes)
    try:
        output = proc.communicate(timeout=timeout)[0]
        return proc.returncode, output
    except BaseException as error:
        with contextlib.suppress(ProcessLookupError):
            os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        if isinstance(error, subprocess.TimeoutExpired):
            return None, ""
        raise


def write_newer(path, data):
    """Writes data to path dated by the fine clock, not the kernel's coarse one for files, so that
    it is newer than any object file made before it and make rebuilds from it."""
    path.write_bytes(data)
    now = time.time_ns()
    os.utime(path, ns=(now, now))


def build_and_test(build, targets):
    """'not built', 'killed', 'survived' or 'timeout' for the sources as they are now."""
    built = run(["cmake", "--build", build, "-j2", *targets], BUILD_TIMEOUT)[0]
    if built != 0:  # a build that never ends is not scored either
        return "not built"
    # The quick tests first; the real-window ones only for a mutant they let through.
    ctest = ["ctest", "--test-dir", build, "-j2", "--stop-on-failure", "--timeout", "120"]
    for tests in (["-E", "^window$"], ["-R", "^window$"]):
        status, output = run([*ctest, *tests], TEST_TIMEOUT)
        shutil.rmtree(TMPDIR, ignore_errors=True)  # what the tests of a crashed mutant left
        os.makedirs(TMPDIR)
        if status is None or "***Timeout" in output:
            return "timeout"
        if status != 0:
            return "killed"
    return "survived"


def describe(ident, mutant):
    rel, number, op, line, mutated = mutant
    return f"{ident} {rel}:{number} {op}\n    {line.strip()}\n -> {mutated.strip()}"


def score(repo, scratch, mutants, out, done):
    """Copies the repository to scratch, checks the tests pass there, then runs each mutant."""

    def skip(folder, names):  # build folders and git's, at the top only
        return [n for n in names if folder == str(repo) and (n.startswith("build") or n == ".git")]

    shutil.copytree(repo, scratch, ignore=skip, copy_function=shutil.copy, dirs_exist_ok=True)
    build = str(scratch / "build")
    print("building and testing the unchanged program in", scratch, flush=True)
    configure = ["cmake", "-S", scratch, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo"]
    subprocess.run([*configure, "-DVORLUDIT_BENCH=OFF"], check=True, stdout=subprocess.DEVNULL)
    if build_and_test(build, []) != "survived":
        log = Path(build) / "Testing/Temporary/LastTest.log"
        print(log.read_text(errors="replace")[-4000:] if log.exists() else "", flush=True)
        sys.exit("mutants: the unchanged program does not build or pass its tests in " + build)
    with open(out, "a", encoding="utf-8") as log:
        for count, (ident, mutant) in enumerate(mutants, 1):
            rel, number, op, line, mutated = mutant
            if ident in done:
                continue
            path = scratch / rel
            original = path.read_bytes()
            lines = original.decode("utf-8").split("\n")
            lines[number - 1] = mutated
            started = time.monotonic()
            try:
                write_newer(path, "\n".join(lines).encode("utf-8"))
                result = build_and_test(build, ["--target", *TARGETS])
            finally:
                write_newer(path, original)
            seconds = time.monotonic() - started
            row = [ident, rel, number, op, line.strip(), mutated.strip(), result, f"{seconds:.1f}"]
            log.write("\t".join(str(f).replace("\t", " ") for f in row) + "\n")
            log.flush()
            done[ident] = result
            print(f"[{count}/{len(mutants)}] {result} in {seconds:.0f} s:", describe(ident, mutant))


def main():
    parser = argparse.ArgumentParser(description="\n\n".join(__doc__.split("\n\n")[:2]))
    here = Path(__file__).resolve().parents[1]
    parser.add_argument("--repo", type=Path, default=here, help="repository to mutate")
    parser.add_argument("--seed", type=int, default=1, help="seed of the sample (1)")
    parser.add_argument("--count", type=int, default=220, help="mutants in the sample (220)")
    parser.add_argument("--list", action="store_true", help="print the sample, run nothing")
    parser.add_argument("--only", help="run just these mutant ids, comma-separated")
    parser.add_argument("--scratch", type=Path, help="folder to build in (default: a new one)")
    parser.add_argument("--out", default="mutants-results.tsv", help="results, one line each")
    parser.add_argument("--resume", action="store_true", help="skip mutants already in --out")
    args = parser.parse_args()
    repo = args.repo.resolve()
    found = candidates(repo)
    counts = sorted(collections.Counter(c[2] for c in found).items())
    listed = ", ".join(f"{op} {n}" for op, n in counts)
    print(f"candidates: {listed}; total {len(found)}", flush=True)
    if args.only:
        ids = sorted(int(i) for i in args.only.split(","))
    else:
        every = range(1, len(found) + 1)
        ids = sorted(random.Random(args.seed).sample(every, min(args.count, len(found))))
    mutants = [(i, found[i - 1]) for i in ids]
    if args.list:
        print("\n".join(describe(ident, mutant) for ident, mutant in mutants))
        return
    done = {}
    if args.resume and os.path.exists(args.out):
        for row in Path(args.out).read_text(encoding="utf-8").splitlines()[1:]:
            ident, rel, number, op, line, mutated, result, seconds = row.split("\t")
            if int(ident) in ids and found[int(ident) - 1][4].strip() == mutated:
                done[int(ident)] = result
    else:
        Path(args.out).write_text("id\tfile\tline\toperator\toriginal\tmutated\tresult\tseconds\n")
    scratch = args.scratch.resolve() if args.scratch else Path(tempfile.mkdtemp(prefix="mutants"))
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    os.makedirs(TMPDIR, exist_ok=True)
    os.environ["TMPDIR"] = str(TMPDIR)
    try:
        score(repo, scratch, mutants, args.out, done)
    except KeyboardInterrupt:
        sys.exit("mutants: interrupted; --resume goes on from the results written so far")
    finally:
        shutil.rmtree(TMPDIR, ignore_errors=True)
        if not args.scratch:
            shutil.rmtree(scratch)
    results = [done[i] for i in ids if i in done]
    built = len(results) - results.count("not built")
    killed = results.count("killed") + results.count("timeout")  # a hang fails the tests too
    print(
        f"sampled {len(ids)}, built {built}, killed {killed}, survived {results.count('survived')},"
        f" timeout {results.count('timeout')}, score {killed}/{built} = {killed / max(built, 1):.1%}"
    )


if __name__ == "__main__":
    main()
