#!/usr/bin/python3
"""Checks that every program the build, the tests, the benchmarks and the
fuzzers call comes from a Debian package that scripts/install-deps.sh installs.

    scripts/install-deps.sh --check        (passes its package list here)

A machine that was set up by hand can hold tools that a fresh one lacks, and
then the suite passes here and fails there. So each program is found the way
a fresh machine would find it (the standard PATH, no ~/.local or pyenv), then
traced to its package with `dpkg -S`, and that package must be listed, pulled
in by a listed package, or part of every Debian base system (Essential or
Priority required). Python modules that our scripts import are traced the
same way.

Programs are found by reading the files that run them: shell scripts (words in
command position), string literals of the C++ tests (they run shell commands),
Python imports, and the CMake files (find_program, COMMAND, compilers).
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SYSTEM_PATH = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"

# Run on the machine that builds the fresh root, not by the suite.
NOT_SCANNED = {"scripts/fresh-check.sh"}
# Only reached when they are needed and present: sudo when not root.
OPTIONAL = {"sudo"}
# Called by CMake itself rather than named in a file.
IMPLICIT = ["cmake", "ctest", "ninja", "gcc", "g++", "ar", "ld", "pkg-config"]

SHELL_WORDS = {
    "if", "then", "else", "elif", "fi", "do", "done", "while", "until", "for", "in", "case", "esac",
    "function", "select", "time", "!", "[[", "]]", "{", "}", "exec", "command", "builtin", "local",
    "export", "declare", "readonly", "return", "exit", "set", "shift", "source", ".", "eval", "trap",
    "wait", "cd", "echo", "printf", "read", "test", "[", "true", "false", "unset", "shopt", "type",
    "let", "break", "continue", "pushd", "popd", "mapfile", "ulimit", "umask", "kill", "jobs", "hash",
    "getopts", "alias", "env", "nice", "nohup", "timeout", "xargs", "sudo", "$SUDO",
}
# Wrappers whose next non-option word is the program they run.
WRAPPERS = {"exec", "command", "env", "nice", "nohup", "timeout", "xargs", "sudo", "$SUDO", "xvfb-run", "time"}


def files_to_scan():
    shell, cmake, python, cxx = [], [], [], []
    skip_dirs = {"build", ".git", "corpus", "node_modules"}
    for dirpath, dirnames, filenames in os.walk(ROOT):
        dirnames[:] = [d for d in dirnames if d not in skip_dirs and not d.startswith("build")]
        for name in filenames:
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, ROOT)
            if rel in NOT_SCANNED:
                continue
            if name == "CMakeLists.txt" or name.endswith(".cmake") or name == "CMakePresets.json":
                cmake.append(path)
            elif name.endswith(".py"):
                python.append(path)
            elif name.endswith((".cpp", ".h")) and rel.startswith(("tests", "bench", "fuzz")):
                cxx.append(path)
            elif name.endswith(".sh") or rel in (".ci/run", "bench/run") or _has_shell_shebang(path):
                shell.append(path)
    return shell, cmake, python, cxx


def _has_shell_shebang(path):
    try:
        with open(path, "rb") as f:
            first = f.readline()
    except OSError:
        return False
    return first.startswith(b"#!") and (b"bash" in first or b"/sh" in first)


def strip_shell_comments(text):
    out = []
    for line in text.splitlines():
        # A '#' that starts a word begins a comment; '$#' and '${#x}' do not.
        line = re.sub(r"(^|\s)#.*$", "", line)
        out.append(line)
    return "\n".join(out)


def drop_quoted_data(text):
    """Quoted text is data (messages, patterns), except the commands that a
    double-quoted string substitutes with $(...)."""
    text = re.sub(r"(?<!\\)'[^'\n]*'", "''", text)
    def keep_substitutions(m):
        return " ; ".join(re.findall(r"\$\(([^()]*)\)", m.group(0)))
    return re.sub(r'(?<!\\)"(?:[^"\\\n]|\\.)*"', keep_substitutions, text)


def shell_functions(text):
    """Our shell functions: name -> whether it runs its arguments as a command
    (its body says "$@" where a command goes, as `expect` does)."""
    out = {}
    for m in re.finditer(r"^\s*(?:function\s+)?([A-Za-z_][\w-]*)\s*\(\)\s*\{(.*?)^\}", text, flags=re.M | re.S):
        out[m.group(1)] = bool(re.search(r'(^|[;&|{(]|\bif|\bthen|!)\s*"\$@"', m.group(2), flags=re.M))
    for m in re.finditer(r"^\s*(?:function\s+)?([A-Za-z_][\w-]*)\s*\(\)", text, flags=re.M):
        out.setdefault(m.group(1), False)
    return out


def shell_commands(text, functions={}):
    """Words in command position of a shell text (a close approximation).
    Our own functions count as wrappers: `expect "what" grep -q ...` runs grep."""
    found = set()
    text = strip_shell_comments(text)
    text = drop_quoted_data(text)
    # Heredocs carry data (often Python), not commands.
    text = re.sub(r"(?<!<)<<(?!<)-?\s*'?(\w+)'?.*?\n.*?\n\s*\1\b", "", text, flags=re.S)
    for segment in re.split(r"\$\(|\n|;|&&|\|\||\||\(|\)|`|\bthen\b|\bdo\b|\belse\b", text):
        words = segment.split()
        i = 0
        while i < len(words):
            w = words[i].strip("\"'")
            if re.fullmatch(r"[A-Za-z_][A-Za-z0-9_]*=.*", w) or w in ("!", "{", "}", "time"):
                i += 1
                continue
            if w in functions and not functions[w]:
                break
            if w in WRAPPERS or w in functions:
                i += 1
                while i < len(words) and (words[i].startswith("-") or re.fullmatch(r"[0-9.]+[smh]?", words[i])):
                    i += 1
                if w == "xvfb-run":
                    found.add("xvfb-run")
                continue
            if w not in SHELL_WORDS and re.fullmatch(r"/?[A-Za-z0-9][A-Za-z0-9._+/-]*", w):
                found.add(w)
            break
    # Tools named through a variable still have their full names in the file.
    found.update(re.findall(r"\b(?:i686|x86_64)-w64-mingw32-[a-z+]+(?:-posix|-win32)?\b", text))
    return found


def cxx_commands(text):
    found = set()
    for literal in re.findall(r'"((?:[^"\\\n]|\\.)*)"', text):
        if re.search(r"(^|[\s;&|(])(/usr/bin/|command -v )|&&|--headless| -[a-z]", literal):
            found |= shell_commands(literal)
    return found


def cmake_commands(path, text):
    found = set()
    prefixes = dict(re.findall(r"set\((\w+)\s+([A-Za-z0-9_.-]+)\)", text))
    def expand(s):
        return re.sub(r"\$\{(\w+)\}", lambda m: prefixes.get(m.group(1), m.group(0)), s)
    for m in re.finditer(r"find_program\(\s*\w+\s+(?:NAMES\s+)?([A-Za-z0-9_.+-]+)", text):
        found.add(m.group(1))
    for m in re.finditer(r"set\(CMAKE_(?:C|CXX|RC)_COMPILER\s+(\S+)\)", text):
        found.add(expand(m.group(1)))
    for m in re.finditer(r'"CMAKE_(?:C|CXX)_COMPILER":\s*"([^"]+)"', text):
        found.add(m.group(1))
    for m in re.finditer(r"COMMAND\s+(\S+)", text):
        word = m.group(1)
        if not word.startswith("$"):
            found.add(word)
    return {f for f in found if "$" not in f}


def python_modules(text):
    return set(re.findall(r"^\s*(?:import|from)\s+([A-Za-z_]\w*)", text, flags=re.M)) | \
        set(re.findall(r"-c\s+['\"](?:[^'\"]*?)\bimport\s+([A-Za-z_]\w*)", text))


def closure(packages):
    out = subprocess.run(
        ["apt-cache", "depends", "--recurse", "--no-recommends", "--no-suggests", "--no-conflicts",
         "--no-breaks", "--no-replaces", "--no-enhances", *packages],
        capture_output=True, text=True)
    names = set(packages)
    for line in out.stdout.splitlines():
        line = line.strip()
        m = re.match(r"\|?(?:Depends|PreDepends|Pre-Depends):\s+<?([^>\s]+)>?", line)
        if m:
            names.add(m.group(1).split(":")[0])
        elif line and not line.startswith("<") and ":" not in line:
            names.add(line)
    return names


def base_system():
    out = subprocess.run(["dpkg-query", "-W", "-f", "${Package} ${Essential} ${Priority}\n"],
                         capture_output=True, text=True).stdout
    return {p for p, ess, prio in (l.split(" ", 2) for l in out.splitlines() if l.count(" ") >= 2)
            if ess == "yes" or prio == "required"}


def owners(paths):
    """Maps each path to its package. Debian 12 merges /bin into /usr/bin, but
    dpkg still records many files under /bin: both spellings are asked."""
    def spellings(p):
        out = [p, os.path.realpath(p)]
        for q in list(out):
            for usr, root in (("/usr/bin/", "/bin/"), ("/usr/sbin/", "/sbin/"), ("/usr/lib/", "/lib/")):
                if q.startswith(usr):
                    out.append(root + q[len(usr):])
        return out
    asked = sorted({s for p in paths for s in spellings(p)})
    found = {}
    if asked:
        r = subprocess.run(["dpkg", "-S", *asked], capture_output=True, text=True)
        for line in r.stdout.splitlines():
            if line.startswith("diversion") or ": " not in line:
                continue
            pkgs, path = line.split(": ", 1)
            found.setdefault(path.strip(), pkgs.split(",")[0].split(":")[0].strip())
    return {p: next((found[s] for s in spellings(p) if s in found), None) for p in paths}


def resolve(program):
    """Where a fresh machine's PATH finds the program."""
    if program.startswith("/"):
        return program if os.access(program, os.X_OK) else None
    for d in SYSTEM_PATH.split(":"):
        p = os.path.join(d, program)
        if os.path.isfile(p) and os.access(p, os.X_OK):
            return p
    return None


def main(listed):
    shell, cmake, python, cxx = files_to_scan()
    programs = {p: "CMake itself" for p in IMPLICIT}
    modules = {}
    functions = {}
    for path in shell:
        with open(path, encoding="utf-8", errors="replace") as f:
            functions.update(shell_functions(f.read()))
    for path in shell + cxx + cmake + python:
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        rel = os.path.relpath(path, ROOT)
        found = set()
        if path in shell:
            found = shell_commands(text, functions)
        elif path in cxx:
            found = cxx_commands(text)
        elif path in cmake:
            found = cmake_commands(path, text)
        for p in found:
            programs.setdefault(p, rel)
        if path in python or "python3" in text:
            for m in python_modules(text):
                modules.setdefault(m, rel)

    problems = []
    resolved = {}  # path -> what called it
    for program, where in sorted(programs.items()):
        if program in functions or program in OPTIONAL or is_shell_builtin(program):
            continue
        if "/" in program and not program.startswith("/"):
            continue  # our own scripts and binaries
        path = resolve(program)
        if path is None:
            # Words that name no program on this machine are mostly data the
            # scanner could not tell from commands; the ones we rely on are
            # named in IMPLICIT and fail loudly below.
            if program in IMPLICIT:
                problems.append(f"{program} ({where}) is not installed")
            continue
        resolved[path] = f"{program} (called in {where})"
    for module, where in sorted(modules.items()):
        r = subprocess.run(["/usr/bin/python3", "-c",
                            f"import {module}; print(getattr({module}, '__file__', '') or '')"],
                           capture_output=True, text=True)
        if r.returncode != 0:
            problems.append(f"python module {module} (imported in {where}) is not importable by /usr/bin/python3")
        elif r.stdout.strip():  # empty: built into the interpreter
            resolved[r.stdout.strip()] = f"python module {module} (imported in {where})"

    allowed = closure(listed) | base_system()
    for path, pkg in sorted(owners(list(resolved)).items()):
        what = resolved[path]
        if pkg is None:
            problems.append(f"{what} is {path}, which no Debian package owns")
        elif pkg not in allowed:
            problems.append(f"{what} comes from package {pkg}, which install-deps.sh neither lists nor pulls in")
    for p in problems:
        print(f"install-deps --check: {p}", file=sys.stderr)
    if problems:
        return 1
    print(f"install-deps --check: {len(resolved)} programs and Python modules, each from a listed or a base package")
    return 0


def is_shell_builtin(program):
    r = subprocess.run(["bash", "-c", f"type -t -- {program!r}"], capture_output=True, text=True)
    return r.stdout.strip() in ("builtin", "keyword")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
