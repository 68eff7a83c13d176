#!/usr/bin/env bash
# Fails when a statement is built from anything but a string literal or a known
# constant: every text that comes from a database, a file or the user goes to
# Firebird as a bound :dN parameter, never inside the statement.
#
#   scripts/check-sql.sh [--list] [FOLDER...]   default: src tools
#   --list prints every statement found and how it was judged.
#
# Checked: the statement of every db::Query (variables, members, temporaries,
# make_unique), Connection::executeImmediate, db::runSqlScript, and the Firebird
# interface's prepare/execute/openCursor outside the access layer (src/db). A statement may
# be string literals (QStringLiteral, QLatin1String, QString::fromLatin1/fromUtf8
# around them are fine) or a named constant whose initializer is such literals. A
# function that hands one of its own text parameters on as the statement is
# followed: each of its calls must pass a statement that passes this check.
# Anything else (.arg(), +, a variable, a function's result) is a finding unless
# scripts/check-sql.allow lists it, with the reason, as reviewed (an entry "path: *"
# takes a whole file, for a developer tool whose statements are all its own).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
list=0
if [[ "${1:-}" == --list ]]; then list=1; shift; fi
if [[ $# -eq 0 ]]; then set -- src tools; fi
exec python3 - "$root/scripts/check-sql.allow" "$list" "$@" <<'PYTHON'
import os
import re
import sys

allow_path, listing, folders = sys.argv[1], sys.argv[2] == "1", sys.argv[3:]

# The sinks: a call name and the index of its statement argument.
SINKS = {"executeImmediate": 0, "runSqlScript": 1}
TEXT_PARAM = re.compile(r"^(?:const\s+)?(?:QString|QStringView|QLatin1String|QLatin1StringView|QByteArray|char|std::string|std::string_view)\s*(?:const\s*)?[&*]?\s*(\w+)$")
DECLARATION = re.compile(r"^(?:const\s+)?[\w:]+(?:<[^()]*>)?\s*(?:const\s*)?[&*]+\s*\w+(?:\s*=.*)?$|^(?:const\s+)?[\w:]+(?:<[^()]*>)?\s+\w+(?:\s*=.*)?$")
WRAPPERS = re.compile(r"^(?:QStringLiteral|QLatin1String|QLatin1StringView|QString::fromLatin1|QString::fromUtf8|QString|QStringView|QByteArrayLiteral|u8?|)\s*\((.*)\)$", re.S)
LITERAL = re.compile(r'(?:u8|u|U|L)?"(?:[^"\\\n]|\\.)*"', re.S)
KEYWORDS = {"if", "for", "while", "switch", "catch", "return", "sizeof", "alignof", "decltype", "static_assert"}


def blank(text):
    """Comments become spaces, string and character contents become spaces (quotes
    kept), so that offsets stay and structure can be read without being fooled."""
    out = list(text)
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out[i:j] = " " * (j - i)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out[i:j] = [ch if ch == "\n" else " " for ch in text[i:j]]
            i = j
        elif c == 'R' and text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_") or text[i - 1] in "uUL8"):
            k = text.find("(", i + 2)
            delim = ")" + text[i + 2:k] + '"'
            j = text.find(delim, k)
            j = n if j < 0 else j + len(delim)
            out[i + 1] = '"'
            for p in range(i + 2, j - 1):
                if out[p] != "\n":
                    out[p] = " "
            out[i] = " "
            i = j
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            for p in range(i + 1, min(j, n)):
                if out[p] != "\n":
                    out[p] = " "
            i = j + 1
        else:
            i += 1
    return "".join(out)


def closing(b, start):
    """Index of the bracket closing the one at `start` in blanked text."""
    pairs = {"(": ")", "{": "}", "[": "]"}
    stack = []
    for i in range(start, len(b)):
        c = b[i]
        if c in pairs:
            stack.append(pairs[c])
        elif c in ")}]":
            if not stack or stack[-1] != c:
                return -1
            stack.pop()
            if not stack:
                return i
    return -1


def split_args(b, open_at, close_at):
    """(start, end) of each top-level argument between the brackets."""
    args, depth, start = [], 0, open_at + 1
    angle = 0
    for i in range(open_at + 1, close_at):
        c = b[i]
        if c in "({[":
            depth += 1
        elif c in ")}]":
            depth -= 1
        elif c == "," and depth == 0:
            args.append((start, i))
            start = i + 1
    args.append((start, close_at))
    return [(s, e) for s, e in args if b[s:e].strip() or len(args) > 1]


def squash(text):
    return re.sub(r"\s+", " ", text).strip()


class Source:
    def __init__(self, path):
        self.path = path
        with open(path, encoding="utf-8", errors="replace") as f:
            self.text = f.read()
        self.b = blank(self.text)
        self.functions = self._functions()

    def line(self, pos):
        return self.text.count("\n", 0, pos) + 1

    def _functions(self):
        """(name, qualified, params text, body start, body end) of each function body."""
        found = []
        b = self.b
        for m in re.finditer(r"\{", b):
            i = m.start() - 1
            while i >= 0 and b[i].isspace():
                i -= 1
            # Skip trailing qualifiers: const, noexcept, override, final.
            while True:
                q = re.search(r"(?:const|noexcept|override|final|mutable)\s*$", b[:i + 1])
                if not q:
                    break
                i = q.start() - 1
                while i >= 0 and b[i].isspace():
                    i -= 1
            if i < 0 or b[i] != ")":
                continue
            # Walk back over a constructor's initializer list to its parameter list.
            while True:
                depth, j = 0, i
                while j >= 0:
                    if b[j] == ")":
                        depth += 1
                    elif b[j] == "(":
                        depth -= 1
                        if depth == 0:
                            break
                    j -= 1
                if j < 0:
                    break
                name = re.search(r"([A-Za-z_~][\w:~]*)\s*$", b[:j])
                if not name:
                    break
                before = b[:name.start()].rstrip()
                if (before.endswith(",") or (before.endswith(":") and not before.endswith("::"))) and not re.search(r"\b(?:public|private|protected|case|default)\s*:$", before):
                    # An initializer: find the ")" of the parameter list before the ":".
                    k = len(before) - 1
                    depth = 0
                    while k >= 0:
                        ch = b[k]
                        if ch in ")}":
                            depth += 1
                        elif ch in "({":
                            depth -= 1
                        elif ch == ":" and depth == 0 and b[k - 1] != ":" and b[k + 1] != ":":
                            break
                        k -= 1
                    k -= 1
                    while k >= 0 and b[k].isspace():
                        k -= 1
                    if k < 0 or b[k] != ")":
                        break
                    i = k
                    continue
                qualified = name.group(1)
                short = qualified.split("::")[-1]
                if short in KEYWORDS:
                    break
                end = closing(b, m.start())
                if end > 0:
                    found.append((short, qualified, self.text[j + 1:i], m.start(), end))
                break
        return found

    def enclosing(self, pos):
        inside = [f for f in self.functions if f[3] < pos < f[4]]
        return sorted(inside, key=lambda f: f[3], reverse=True)


def literal_only(b_expr, constants):
    """True when the expression (blanked) is string literals or a known constant."""
    e = b_expr.strip()
    while True:
        m = WRAPPERS.match(e)
        if not m or closing(e, e.index("(")) != len(e) - 1:
            break
        e = m.group(1).strip()
    if not e:
        return False
    if re.fullmatch(r'(?:\s*(?:u8|u|U|L)?"[^"]*")+\s*', e):
        return True
    ident = re.fullmatch(r"(?:[A-Za-z_]\w*::)*([A-Za-z_]\w*)", e)
    return bool(ident and ident.group(1) in constants)


def unwrap_identifier(b_expr):
    e = b_expr.strip()
    while True:
        m = WRAPPERS.match(e)
        if not m or closing(e, e.index("(")) != len(e) - 1:
            break
        e = m.group(1).strip()
    return e if re.fullmatch(r"[A-Za-z_]\w*", e) else None


def collect_constants(sources):
    """Names declared const/constexpr with an initializer of literals only."""
    constants = set()
    decl = re.compile(r"\b(?:constexpr|const)\b[^;={}()]*?\b([A-Za-z_]\w*)\s*(?:\[\s*\])?\s*(=|\{|\()")
    changed = True
    while changed:
        changed = False
        for s in sources:
            for m in decl.finditer(s.b):
                name = m.group(1)
                if name in constants:
                    continue
                start = m.end()
                if m.group(2) == "=":
                    depth, i = 0, start
                    while i < len(s.b) and not (s.b[i] == ";" and depth == 0):
                        if s.b[i] in "({[":
                            depth += 1
                        elif s.b[i] in ")}]":
                            depth -= 1
                        i += 1
                    init = s.b[start:i]
                else:
                    end = closing(s.b, m.end() - 1)
                    init = s.b[start:end]
                if literal_only(init, constants):
                    constants.add(name)
                    changed = True
    return constants


def sink_sites(s, query_members):
    """(position, argument start, argument end, what) of every statement argument."""
    b = s.b
    sites = []

    def add(open_at, index, what, pos):
        close_at = closing(b, open_at)
        if close_at < 0:
            return
        args = split_args(b, open_at, close_at)
        if index < len(args):
            a0, a1 = args[index]
            if DECLARATION.match(squash(b[a0:a1])):
                return  # a declaration of the function, not a call
            sites.append((pos, a0, a1, what))

    for m in re.finditer(r"\b(?:db::)?Query\s+(\w+)\s*([({])", b):
        add(m.end() - 1, 1, "db::Query " + m.group(1), m.start())
    for m in re.finditer(r"(?<![\w:])(?:db::)?Query\s*([({])", b):
        if b[max(0, m.start() - 2):m.start()] != "::":
            add(m.end() - 1, 1, "db::Query", m.start())
    for m in re.finditer(r"make_unique\s*<\s*(?:db::)?Query\s*>\s*\(", b):
        add(m.end() - 1, 1, "make_unique<db::Query>", m.start())
    for name in query_members:
        for m in re.finditer(r"(?:[:,]\s*)\b" + re.escape(name) + r"\s*([({])", b):
            add(m.end() - 1, 1, "db::Query " + name, m.start())
    for name, index in SINKS.items():
        for m in re.finditer(r"\b" + name + r"\s*\(", b):
            add(m.end() - 1, index, name, m.start())
    # The Firebird interface itself (status, transaction, length, statement, ...):
    # only the access layer in src/db may hand it statement text.
    if not s.path.replace(os.sep, "/").startswith("src/db/"):
        for m in re.finditer(r"->\s*(prepare|execute|openCursor)\s*\(", b):
            add(m.end() - 1, 3, "Firebird " + m.group(1), m.start())
    return sites


def main():
    files = []
    for folder in folders:
        for dirpath, _, names in os.walk(folder):
            for n in sorted(names):
                if n.endswith((".cpp", ".h")):
                    files.append(os.path.join(dirpath, n))
    sources = [Source(p) for p in sorted(files)]
    constants = collect_constants(sources)
    members = set()
    for s in sources:
        for m in re.finditer(r"\b(?:db::)?Query\s+(\w+(?:\s*,\s*\w+)*)\s*;", s.b):
            members.update(x.strip() for x in m.group(1).split(","))

    allowed = {}
    reason_seen = False
    if os.path.exists(allow_path):
        with open(allow_path, encoding="utf-8") as f:
            for number, raw in enumerate(f, 1):
                line = raw.strip()
                if not line:
                    reason_seen = False
                    continue
                if line.startswith("#"):
                    reason_seen = True
                    continue
                path, sep, expr = line.partition(": ")
                if not sep or not reason_seen:
                    print(f"{allow_path}:{number}: an entry is 'path: expression' below a '#' line giving the reason")
                    return 2
                allowed[(path, squash(expr))] = [number, 0]

    findings = []
    pending = [(s, site) for s in sources for site in sink_sites(s, members)]
    forwarders = {}
    seen = set()
    while pending:
        s, (pos, a0, a1, what) = pending.pop(0)
        key = (s.path, a0)
        if key in seen:
            continue
        seen.add(key)
        expr = squash(s.text[a0:a1])
        if literal_only(s.b[a0:a1], constants):
            if listing:
                print(f"{s.path}:{s.line(a0)}: constant  {what}: {expr[:90]}")
            continue
        ident = unwrap_identifier(s.b[a0:a1])
        if ident:
            # A text parameter handed on: the function's calls are checked instead.
            forwarded = False
            for name, qualified, params, start, end in s.enclosing(pos):
                plist = [squash(p) for p in split_param_list(params)]
                for index, p in enumerate(plist):
                    pm = TEXT_PARAM.match(re.sub(r"\s*=.*$", "", p))
                    if pm and pm.group(1) == ident:
                        fkey = (qualified, index)
                        if fkey not in forwarders:
                            forwarders[fkey] = (s.path, name)
                            for t in sources:
                                if t is not s and not declared_in_header(sources, name):
                                    continue
                                # Member calls (obj.name, obj->name) reach a member function
                                # only when the forwarder is one.
                                before = r"(?<![\w])" if "::" in qualified else r"(?<![\w.>])"
                                for m in re.finditer(before + re.escape(name) + r"\s*\(", t.b):
                                    close_at = closing(t.b, m.end() - 1)
                                    if close_at < 0:
                                        continue
                                    args = split_args(t.b, m.end() - 1, close_at)
                                    if index < len(args):
                                        c0, c1 = args[index]
                                        if DECLARATION.match(squash(t.b[c0:c1])):
                                            continue
                                        pending.append((t, (m.start(), c0, c1, name + "()")))
                        forwarded = True
                        break
                if forwarded:
                    break
            if forwarded:
                if listing:
                    print(f"{s.path}:{s.line(a0)}: forwarded {what}: {expr} (its calls are checked)")
                continue
        entry = allowed.get((s.path, expr)) or allowed.get((s.path, "*"))
        if entry:
            entry[1] += 1
            if listing:
                print(f"{s.path}:{s.line(a0)}: allowed   {what}: {expr[:90]}")
            continue
        where = s.enclosing(pos)
        inside = f" in {where[0][1]}()" if where else ""
        findings.append(f"{s.path}:{s.line(a0)}: {what}{inside} is built from: {expr}")

    for (path, expr), (number, uses) in sorted(allowed.items(), key=lambda kv: kv[1][0]):
        if uses == 0:
            print(f"{allow_path}:{number}: warning: no statement matches this entry any more: {path}: {expr}")
    if findings:
        print("Statements built from something other than literals or known constants:")
        for f in findings:
            print("  " + f)
        print(f"{len(findings)} finding(s). Bind outside text as a :dN parameter; a reviewed exception goes")
        print(f"into {os.path.relpath(allow_path)} as 'path: expression' below a '#' line with the reason.")
        return 1
    print(f"check-sql: {sum(len(sink_sites(s, members)) for s in sources)} statements in {len(sources)} files, "
          f"{len(forwarders)} forwarding functions followed, {sum(u for _, u in allowed.values())} allow-listed; no finding.")
    return 0


def split_param_list(params):
    b = blank(params)
    parts, depth, start = [], 0, 0
    for i, c in enumerate(b):
        if c in "(<{[":
            depth += 1
        elif c in ")>}]":
            depth -= 1
        elif c == "," and depth == 0:
            parts.append(params[start:i])
            start = i + 1
    parts.append(params[start:])
    return [p for p in parts if p.strip()]


_header_names = {}


def declared_in_header(sources, name):
    if name not in _header_names:
        _header_names[name] = any(s.path.endswith(".h") and re.search(r"\b" + re.escape(name) + r"\s*\(", s.b) for s in sources)
    return _header_names[name]


sys.exit(main())
PYTHON
