#!/usr/bin/env python3
"""Mutation testing: how many small faults in the code does the test suite catch?

    scripts/mutate [--seed N] [--count N | --all] [--files PATH ...] [--jobs N]
                   [--timeout SECONDS] [--sanitize] [--list]

Makes one small change at a time in the sources (a mutant), rebuilds what it
touches, runs the tests that cover the changed file, and counts the mutant
caught when a test fails or hangs, survived when every test passes. Prints
caught / timed out / survived / not compiled per file and per folder, and each
survivor as a one-line diff. The same seed gives the same mutants, so two
versions of the suite can be compared on exactly the same faults.

The mutants (only in code: never in comments, string or character literals,
preprocessor lines, code the preprocessor leaves out here, array bounds,
template arguments, case labels or static assertions):
  relational   <  <=  >  >=  ==  != : < and <= swap, > and >= swap, == and != swap
  plus-minus   binary + and -, += and -= swapped
  constant     an integer literal off by one: 0 becomes 1, any other n becomes n - 1
  condition    the condition of an if or a while negated
  statement    an expression statement, break or continue deleted
  return       a returned value replaced: a bool or an integer by !(value) (1 for
               0, 0 for anything else: never the value itself), a pointer by nullptr

The sample: the requested number of compiled mutants is shared equally between
the folders (a folder with fewer mutants gives the rest to the others), then
between the files of a folder in proportion to their mutants. Each file's
mutants are drawn in the order of SHA-256("<seed>:<mutant id>"); a drawn mutant
that does not compile is reported and the file's next draw takes its place (a
file that runs out of draws leaves its shortfall to the others, shared alike).

Everything happens in a private copy of the working tree (build/mutate/src)
built in build/mutate/build: the working tree is never touched, and a run
that is interrupted leaves nothing behind that the next run does not replace.
See docs/testing.md.
"""

import argparse
import collections
import fcntl
import hashlib
import json
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import time
import xml.etree.ElementTree as ElementTree
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WORK = ROOT / "build" / "mutate"
SRC = WORK / "src"

FOLDERS = ("trace", "Qvxml", "circulation", "shell", "platform", "quorvcheck")
# Optimised a little, no debug information: a file compiles in about a second.
# Sanitized, not optimised, as the asan preset builds (GCC 12 then also
# spares us false maybe-uninitialized warnings in <regex>).
BUILD_FLAGS = "-O1"
SANITIZED_BUILD_FLAGS = "-O0"
# A test that takes this long gets a process of its own, so that the long ones
# can run beside the others.
SPLIT_SECONDS = 2.0

# ---------------------------------------------------------------------------
# Reading C++: tokens of code only


class Token:
    __slots__ = ("kind", "text", "start", "end", "space_before", "space_after")

    def __init__(self, kind, text, start, end, source):
        self.kind = kind  # "id" (names and keywords), "num", "str" (both literals), "op"
        self.text = text
        self.start = start
        self.end = end
        self.space_before = start == 0 or source[start - 1].isspace()
        self.space_after = end >= len(source) or source[end].isspace()


PUNCTUATORS = sorted(
    "<<= >>= <=> ... ->* :: -> ++ -- << >> <= >= == != && || += -= *= /= %= &= |= ^= .*".split(),
    key=len,
    reverse=True,
)
STRING_PREFIXES = {"L", "u", "U", "u8", "R", "LR", "uR", "UR", "u8R"}


def tokenize(text):
    """The tokens of `text`, leaving out comments and preprocessor lines."""
    tokens = []
    i, n = 0, len(text)
    line_start = True  # only white space since the last line end
    while i < n:
        c = text[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if c.isspace():
            i += 1
            continue
        if c == "\\" and text.startswith("\n", i + 1):
            i += 2
            continue
        if c == "#" and line_start:
            while i < n and text[i] != "\n":
                i += 2 if text.startswith("\\\n", i) else 1
            continue
        line_start = False
        if text.startswith("//", i):
            end = text.find("\n", i)
            i = n if end < 0 else end
            continue
        if text.startswith("/*", i):
            end = text.find("*/", i + 2)
            i = n if end < 0 else end + 2
            continue
        start = i
        if c.isalpha() or c == "_":
            while i < n and (text[i].isalnum() or text[i] == "_"):
                i += 1
            if i < n and text[i] in "\"'" and text[start:i] in STRING_PREFIXES:
                i = _literal_end(text, i, text[start:i].endswith("R"))
                tokens.append(Token("str", text[start:i], start, i, text))
            else:
                tokens.append(Token("id", text[start:i], start, i, text))
        elif c.isdigit() or (c == "." and i + 1 < n and text[i + 1].isdigit()):
            while i < n:
                if text[i] in "eEpP" and i + 1 < n and text[i + 1] in "+-":
                    i += 2
                elif text[i].isalnum() or text[i] in "_.'":
                    i += 1
                else:
                    break
            tokens.append(Token("num", text[start:i], start, i, text))
        elif c in "\"'":
            i = _literal_end(text, i, False)
            tokens.append(Token("str", text[start:i], start, i, text))
        else:
            width = next((len(p) for p in PUNCTUATORS if text.startswith(p, i)), 1)
            i += width
            tokens.append(Token("op", text[start:i], start, i, text))
    return tokens


def _literal_end(text, i, raw):
    """End of the string or character literal whose quote is at `i`."""
    quote = text[i]
    if raw:
        open_paren = text.index("(", i)
        closing = ")" + text[i + 1 : open_paren] + quote
        return text.index(closing, open_paren) + len(closing)
    i += 1
    while i < len(text) and text[i] != quote:
        i += 2 if text[i] == "\\" else 1
    return i + 1


def blank_inactive_groups(text, compile_command):
    """`text` with the lines of the #if groups that this build leaves out
    turned into blanks, so that their code yields no mutant (it would
    survive, never compiled). The compiler itself says which groups are in:
    a marker name placed after each #if, #elif and #else comes through its
    preprocessor only from the groups it keeps."""
    lines = text.split("\n")
    directive = re.compile(r"\s*#\s*(if|ifdef|ifndef|elif|else|endif)\b")
    groups, open_groups = [], []
    for number, line in enumerate(lines):
        m = directive.match(line)
        if not m:
            continue
        if m.group(1) in ("if", "ifdef", "ifndef"):
            open_groups.append(number)
        elif open_groups:
            groups.append((open_groups.pop(), number))
            if m.group(1) != "endif":
                open_groups.append(number)
    if not groups:
        return text
    marked = []
    for number, line in enumerate(lines):
        marked.append(line)
        if any(first == number for first, _ in groups) and not line.endswith("\\"):
            marked.append(f"quorvel_mutate_group_{number}")
    output = preprocess(compile_command, "\n".join(marked))
    for first, last in groups:
        if f"quorvel_mutate_group_{first}" not in output:
            for number in range(first + 1, last):
                lines[number] = " " * len(lines[number])
    return "\n".join(lines)


def preprocess(compile_command, text):
    """The preprocessor's output for `text` in place of the command's source."""
    words = shlex.split(compile_command["command"])
    source = Path(compile_command["file"])
    # Beside the original, so that its own "..." includes resolve alike.
    probe = source.with_name(".mutate-groups-" + source.name)
    command, skip = [], False
    for word in words:
        if skip:
            skip = False
        elif word in ("-o", "-MF", "-MT", "-MQ"):
            skip = True
        elif word in ("-c", "-MD", "-MMD") or word == compile_command["file"]:
            continue
        elif not command and Path(word).name == "ccache":
            continue
        else:
            command.append(word)
    probe.write_text(text, encoding="latin-1")
    try:
        result = subprocess.run(command + ["-E", "-P", str(probe)],
                                cwd=compile_command["directory"], capture_output=True, text=True,
                                encoding="latin-1")
    finally:
        probe.unlink()
    if result.returncode != 0:
        sys.exit(f"mutate: cannot preprocess {source}:\n{result.stderr}")
    return result.stdout


# ---------------------------------------------------------------------------
# Where a file can be mutated

DECL_KEYWORDS = set(
    "auto bool char char8_t char16_t char32_t class const constexpr consteval constinit double "
    "enum extern float inline int long mutable register short signed static struct "
    "thread_local typedef typename union unsigned using void volatile wchar_t".split())
NOT_A_TYPE = set(
    "return delete new this throw sizeof alignof decltype co_await co_yield co_return operator "
    "static_cast dynamic_cast reinterpret_cast const_cast true false nullptr".split())
FUNCTION_BODY_AFTER = {")", "const", "noexcept", "override", "final", "mutable", "&", "&&", "}"}
SPECIFIERS = {"static", "inline", "constexpr", "consteval", "virtual", "explicit", "extern",
              "friend"}
INTEGER_TYPES = set(
    "int unsigned unsignedint long longint longlong unsignedlong unsignedlonglong short "
    "unsignedshort char signedchar unsignedchar size_t ssize_t ptrdiff_t BOOL BYTE WORD DWORD "
    "UINT LONG INT_PTR UINT_PTR ULONG_PTR WPARAM LPARAM LRESULT COLORREF".split())
RELATIONAL_SWAP = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}


class Mutant:
    __slots__ = ("file", "start", "end", "new", "kind", "line", "column", "order")

    def __init__(self, file, text, start, end, new, kind):
        self.file, self.start, self.end, self.new, self.kind = file, start, end, new, kind
        self.line = text.count("\n", 0, start) + 1
        self.column = start - (text.rfind("\n", 0, start) + 1) + 1
        self.order = None

    @property
    def id(self):
        return f"{self.file}:{self.line}:{self.column}:{self.kind}"

    def apply(self, text):
        return text[: self.start] + self.new + text[self.end :]

    def diff(self, text):
        """`old` -> `new`: the lines the change touches, before and after."""
        first = text.rfind("\n", 0, self.start) + 1
        last = text.find("\n", max(self.end - 1, self.start))
        last = len(text) if last < 0 else last
        old = " ".join(text[first:last].split())
        new = " ".join((text[first : self.start] + self.new + text[self.end : last]).split())
        return f"`{old}` -> " + (f"`{new}`" if new else "(deleted)")


class SiteFinder:
    """Walks a file's tokens as declarations, function bodies and statements,
    and collects the mutants of each piece of code."""

    def __init__(self, file, text):
        self.file, self.text = file, text
        self.tok = tokenize(text)
        self.tok.append(Token("op", ";", len(text), len(text), text))  # a stop for every scan
        self.index = {t.start: k for k, t in enumerate(self.tok)}
        self.match = self._brackets()
        self.in_template, self.template_close = self._templates()
        self.mutants = []
        self.parse_declarations(0, len(self.tok) - 1)

    def _brackets(self):
        match, stack = {}, []
        for k, t in enumerate(self.tok):
            if t.text in ("(", "[", "{"):
                stack.append(k)
            elif t.text in (")", "]", "}") and stack:
                match[stack[-1]] = k
                match[k] = stack.pop()
        for k in stack:  # unbalanced (cannot be in code that compiles): end of file
            match[k] = len(self.tok) - 1
        return match

    def _templates(self):
        """Tokens inside template argument lists. clang-format writes a
        relational < with spaces around it, a template's < right after the
        name: `a < b` against `std::array<char, 4>`."""
        inside, close, stack = set(), {}, []
        for k, t in enumerate(self.tok):
            before = self.tok[k - 1] if k else None
            if t.text == "<" and before is not None and (
                    before.text == "template" or
                    (before.kind == "id" and before.text != "operator" and not t.space_before)):
                stack.append(k)
            elif stack and t.text in (">", ">>"):
                for _ in t.text:
                    if stack:
                        opening = stack.pop()
                        close[opening] = k
                        inside.update(range(opening, k + 1))
            elif t.text in (";", "{", "}"):
                stack.clear()
        return inside, close

    def add(self, start, end, new, kind):
        self.mutants.append(Mutant(self.file, self.text, start, end, new, kind))

    def span(self, first, last):
        """The source text of tokens first..last-1."""
        return self.text[self.tok[first].start : self.tok[last - 1].end]

    # -- declarations: namespaces, classes, enums, variables, function bodies

    def parse_declarations(self, i, end):
        while i < end:
            t = self.tok[i]
            if t.text == ";":
                i += 1
            elif t.text in ("public", "private", "protected") and self.tok[i + 1].text == ":":
                i += 2
            else:
                i = self.parse_declaration(i, end)

    def parse_declaration(self, start, end):
        words, equals, parameters = set(), None, None
        j = start
        while j < end:
            t = self.tok[j]
            if t.text == ";":
                break
            if t.text in ("(", "["):
                if t.text == "(" and parameters is None and equals is None:
                    parameters = j
                j = self.match[j] + 1
                continue
            if t.text == "=" and equals is None and self.tok[j - 1].text != "operator":
                equals = j
            elif t.text == "{" and equals is None:
                close = self.match[j]
                if "namespace" in words or (self.tok[start].text == "extern" and
                                            self.tok[start + 1].kind == "str"):
                    self.parse_declarations(j + 1, close)
                    return close + 1
                if "enum" in words:
                    self.value_range(j + 1, close)
                elif words & {"class", "struct", "union"} and parameters is None:
                    self.parse_declarations(j + 1, close)
                elif parameters is not None and self.tok[j - 1].text in FUNCTION_BODY_AFTER:
                    self.function_body(start, parameters, j)
                    return close + 1
                else:  # a braced initializer: int x{1}, or a member's in a constructor
                    self.value_range(j, close + 1)
                j = close + 1
                continue
            elif t.text == "{":  # an initializer's braces (value_range below reads them)
                j = self.match[j] + 1
                continue
            elif t.kind == "id":
                words.add(t.text)
            j += 1
        if (equals is not None and self.tok[start].text not in ("using", "typedef") and
                self.tok[equals + 1].text not in ("default", "delete") and
                not (self.tok[equals + 1].text == "0" and equals + 2 == j)):
            self.value_range(equals + 1, j)
        return j + 1

    def function_body(self, start, parameters, body):
        after = self.match[parameters] + 1
        colon = next((k for k in range(after, body) if self.tok[k].text == ":"), None)
        if colon is not None:  # the constructor's member initializers
            self.value_range(colon + 1, body)
        self.parse_block(body, self.return_kind(start, parameters))

    def return_kind(self, start, parameters):
        """"bool", "integer", "pointer" or None (not known, or nothing returned)
        for the function declared by tokens start..parameters."""
        names = [t.text for t in self.tok[start : parameters - 1]]
        if "operator" in names:
            names = names[: names.index("operator")]
        if "template" in names and ">" in names:
            names = names[len(names) - names[::-1].index(">") :]
        while len(names) >= 2 and names[-1] == "::":  # Class:: before the name
            names = names[:-2]
        names = [n for n in names if n not in SPECIFIERS and n not in ("const", "volatile", "~")]
        if not names:
            return None
        if names[-1] == "*":
            return "pointer"
        name = "".join(names)
        if name == "bool":
            return "bool"
        if name.removeprefix("std::") in INTEGER_TYPES or re.fullmatch(
                r"(std::)?u?int(8|16|32|64|ptr|max)_t", name):
            return "integer"
        if re.fullmatch(r"H[A-Z]+", name):  # the window layer's handles are pointers
            return "pointer"
        return None

    # -- statements

    def parse_block(self, opening, returns):
        i, close = opening + 1, self.match[opening]
        while i < close:
            i = self.parse_statement(i, close, returns)

    def parse_statement(self, i, end, returns):
        t = self.tok[i]
        if t.text == "{":
            self.parse_block(i, returns)
            return self.match[i] + 1
        if t.text == ";":
            return i + 1
        if t.text in ("if", "while", "switch", "for"):
            opening = i + 1
            constexpr = self.tok[opening].text == "constexpr"
            opening += constexpr
            close = self.match[opening]
            if t.text in ("if", "while") and not constexpr:
                self.condition(opening, close)
            else:
                self.value_range(opening + 1, close)
            k = self.parse_statement(close + 1, end, returns)
            if t.text == "if" and k < end and self.tok[k].text == "else":
                k = self.parse_statement(k + 1, end, returns)
            return k
        if t.text == "do":
            k = self.parse_statement(i + 1, end, returns)  # k: the while
            close = self.match[k + 1]
            self.condition(k + 1, close)
            return close + 2
        if t.text == "try":
            k = self.parse_statement(i + 1, end, returns)
            while self.tok[k].text == "catch":
                k = self.parse_statement(self.match[k + 1] + 1, end, returns)
            return k
        if t.text in ("case", "default"):
            while self.tok[i].text != ":":
                i += 1
            return i + 1
        if t.kind == "id" and self.tok[i + 1].text == ":" and t.text not in NOT_A_TYPE:
            return i + 2  # a label
        j = i
        while self.tok[j].text != ";":
            j = self.match[j] + 1 if self.tok[j].text in ("(", "[", "{") else j + 1
        self.simple_statement(i, j, returns)
        return j + 1

    def condition(self, opening, close):
        inner = range(opening + 1, close)
        if not self.is_declaration(opening + 1, close) and not any(
                self.tok[k].text == ";" for k in inner):
            self.add(self.tok[opening + 1].start, self.tok[close - 1].end,
                     "!(" + self.span(opening + 1, close) + ")", "condition")
        self.value_range(opening + 1, close)

    def simple_statement(self, s, e, returns):
        """Statement of tokens s..e-1; token e is its semicolon."""
        first = self.tok[s].text
        if first in ("static_assert", "using", "typedef", "goto", "asm"):
            return
        if first == "return":
            if e > s + 1:
                self.return_value(s + 1, e, returns)
                self.value_range(s + 1, e)
            return
        if self.is_declaration(s, e):
            equals = next((k for k in range(s, e) if self.tok[k].text == "="), e)
            self.value_range(s, e, bounds_before=equals)
            return
        if first not in ("(", "throw"):
            # An empty body would draw -Wempty-body after if/else/for/while/do.
            before = self.tok[s - 1].text
            self.add(self.tok[s].start, self.tok[e].end,
                     "{}" if before in (")", "else", "do") else "", "statement")
        if first not in ("break", "continue"):
            self.value_range(s, e)

    def return_value(self, s, e, returns):
        value = self.span(s, e)
        if value in ("true", "false"):
            new = "false" if value == "true" else "true"
        elif returns == "bool" or (returns == "integer" and
                                   not re.fullmatch(r"-?[0-9][0-9a-zA-Z']*", value)):
            # 1 for 0, 0 for anything else: never the value itself, as a fixed
            # 0 would be for a function whose success is 0. (A literal is the
            # constant mutant's.)
            new = "!(" + value + ")"
        elif returns == "pointer" and value not in ("nullptr", "NULL", "0", "{}"):
            new = "nullptr"
        else:
            return
        self.add(self.tok[s].start, self.tok[e - 1].end, new, "return")

    def is_declaration(self, s, e):
        """True when tokens s..e-1 begin with a type and a name: `Type name`,
        `Type* name`, `ns::Type<Arg> name`, or a declaration keyword."""
        k = s
        while self.tok[k].text == "[" and self.tok[k + 1].text == "[":  # [[attributes]]
            k = self.match[k] + 1
        if self.tok[k].text in DECL_KEYWORDS:
            return True
        if self.tok[k].text == "::":
            k += 1
        while k < e:
            if self.tok[k].kind != "id" or self.tok[k].text in NOT_A_TYPE:
                return False
            k += 1
            if k in self.template_close:
                k = self.template_close[k] + 1
            if self.tok[k].text != "::":
                break
            k += 1
        if k >= e:
            return False
        after = self.tok[k]
        if after.kind == "id":
            return True
        return (after.text in ("*", "&", "&&") and not after.space_before and
                (self.tok[k + 1].kind == "id" or self.tok[k + 1].text == "*"))

    # -- expressions

    def is_lambda_body(self, k):
        before = self.tok[k - 1]
        return (before.text in ("]", "mutable") or
                (before.text == ")" and self.tok[self.match[k - 1] - 1].text == "]"))

    def value_range(self, a, b, bounds_before=None):
        """The expression mutants among tokens a..b-1 (and the statements of
        any lambda among them). Array bounds of a declaration (brackets
        before `bounds_before`) are left alone: changing them only resizes a
        buffer or fails to compile."""
        k = a
        while k < b:
            t = self.tok[k]
            if k in self.in_template:
                k += 1
            elif t.text == "[" and bounds_before is not None and k < bounds_before and \
                    self.tok[k - 1].kind == "id":
                k = self.match[k] + 1
            elif t.text == "{" and self.is_lambda_body(k):
                self.parse_block(k, None)
                k = self.match[k] + 1
            elif t.text in ("sizeof", "alignof", "alignas", "decltype", "static_assert"):
                k += 1  # what is measured is not run: `sizeof(T)`, `sizeof a[0]`
                if self.tok[k].text == "(":
                    k = self.match[k] + 1
                else:
                    k += 1
                    while self.tok[k].text in ("[", ".", "->", "::"):
                        k = self.match[k] + 1 if self.tok[k].text == "[" else k + 2
            elif t.text == "operator":
                k += 2
            else:
                self.expression_token(t)
                k += 1

    def joins_text(self, t):
        """True for a + next to a string literal: a std::string joined, where a
        - cannot compile."""
        k = self.index[t.start]
        return self.tok[k - 1].kind == "str" or self.tok[k + 1].kind == "str"

    def expression_token(self, t):
        if t.kind == "num":
            new = off_by_one(t.text)
            if new is not None:
                self.add(t.start, t.end, new, "constant")
        elif t.text in RELATIONAL_SWAP and (t.text not in "<>" or
                                            (t.space_before and t.space_after)):
            self.add(t.start, t.end, RELATIONAL_SWAP[t.text], "relational")
        elif t.text in ("+", "-") and t.space_before and t.space_after and not self.joins_text(t):
            self.add(t.start, t.end, "-" if t.text == "+" else "+", "plus-minus")
        elif t.text in ("+=", "-="):
            self.add(t.start, t.end, "-=" if t.text == "+=" else "+=", "plus-minus")


INTEGER_LITERAL = re.compile(r"(0[xX])([0-9a-fA-F']+)|(0[bB])([01']+)|(0)([0-7']+)|([0-9][0-9']*)")


def off_by_one(literal):
    """The integer literal one off (0 -> 1, n -> n - 1) in its own base and
    with its own suffix; None for a floating literal."""
    m = re.fullmatch(r"([0-9a-fA-FxXbB']+?)([uUlLzZ]*)", literal)
    if not m or not INTEGER_LITERAL.fullmatch(m.group(1)):
        return None
    digits, suffix = m.group(1).replace("'", ""), m.group(2)
    base = {"0x": 16, "0X": 16, "0b": 2, "0B": 2}.get(digits[:2], 8 if len(digits) > 1 and
                                                       digits[0] == "0" else 10)
    body = digits[2:] if base in (2, 16) else digits
    value = int(body, base)
    value = value - 1 if value > 0 else 1
    if base == 16:
        new = format(value, "X" if body.upper() == body else "x").zfill(len(body))
    elif base == 2:
        new = format(value, "b").zfill(len(body))
    elif base == 8:
        new = "0" + format(value, "o")
    else:
        new = str(value)
    return (digits[:2] if base in (2, 16) else "") + new + suffix


def find_mutants(file, text):
    """Every mutant of one file, in source order, each change made once."""
    seen, mutants = set(), []
    for mutant in sorted(SiteFinder(file, text).mutants, key=lambda m: (m.start, m.end)):
        key = (mutant.start, mutant.end, mutant.new)
        if key not in seen and text[mutant.start : mutant.end] != mutant.new:
            seen.add(key)
            mutants.append(mutant)
    return mutants


# ---------------------------------------------------------------------------
# The sample


def draw_order(mutants, seed):
    for mutant in mutants:
        mutant.order = hashlib.sha256(f"{seed}:{mutant.id}".encode()).hexdigest()
    return sorted(mutants, key=lambda m: m.order)


def equal_shares(total, capacities):
    """`total` shared out one at a time in name order, none above its capacity."""
    shares = dict.fromkeys(capacities, 0)
    while total > 0:
        open_keys = [k for k in sorted(capacities) if shares[k] < capacities[k]]
        if not open_keys:
            break
        for k in open_keys[:total]:
            shares[k] += 1
            total -= 1
    return shares


def proportional_shares(total, sizes):
    """`total` in proportion to `sizes`, rounded by the largest remainder."""
    whole = sum(sizes.values())
    if whole == 0:
        return dict.fromkeys(sizes, 0)
    shares = {k: total * n // whole for k, n in sizes.items()}
    rest = sorted(sizes, key=lambda k: (-(total * sizes[k] % whole), k))
    for k in rest[: total - sum(shares.values())]:
        shares[k] += 1
    return shares


def quotas(count, mutants_of):
    """How many compiled mutants each file gives to a sample of `count`."""
    folders = collections.defaultdict(dict)
    for file, mutants in mutants_of.items():
        folders[file.split("/")[0]][file] = len(mutants)
    folder_shares = equal_shares(count, {f: sum(s.values()) for f, s in folders.items()})
    result = {}
    for folder, sizes in folders.items():
        result.update(proportional_shares(folder_shares[folder], sizes))
    return result


# ---------------------------------------------------------------------------
# The mutation build: a private copy of the tree, its build, its tests


def run(command, **kwargs):
    return subprocess.run(command, check=True, **kwargs)


def sync_tree():
    """Makes build/mutate/src the working tree's sources (tracked and new files
    that git does not ignore), writing only what differs so that the build
    redoes only what changed. A file left mutated by an interrupted run
    differs from the working tree's and is written back here."""
    listing = run(["git", "ls-files", "-z", "-c", "-o", "--exclude-standard"], cwd=ROOT,
                  capture_output=True).stdout.decode().split("\0")
    wanted = set()
    for name in filter(None, listing):
        source = ROOT / name
        if not source.is_file() or source.is_symlink():
            continue
        wanted.add(name)
        target = SRC / name
        data = source.read_bytes()
        if not target.is_file() or target.read_bytes() != data:
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(data)  # a fresh time stamp: the build must see it
            shutil.copymode(source, target)
    for path in SRC.rglob("*"):
        if path.is_file() and path.relative_to(SRC).as_posix() not in wanted:
            path.unlink()


class Build:
    def __init__(self, jobs, sanitize):
        self.dir = WORK / ("asan" if sanitize else "build")
        self.jobs, self.sanitize = jobs, sanitize
        self.flags = SANITIZED_BUILD_FLAGS if sanitize else BUILD_FLAGS
        self.env = dict(os.environ)
        # Mutants never go into the compiler cache; the originals come out of it.
        self.env["CCACHE_READONLY"] = "1"
        # The tests' environment: the sanitizers' options as the asan preset has them.
        self.test_env = dict(os.environ)
        if sanitize:
            presets = json.loads((SRC / "CMakePresets.json").read_text())
            asan = next(p for p in presets["testPresets"] if p["name"] == "asan")
            self.test_env.update(asan.get("environment", {}))

    def configure(self):
        query = self.dir / ".cmake/api/v1/query/codemodel-v2"
        query.parent.mkdir(parents=True, exist_ok=True)
        query.touch()
        command = ["cmake", "-S", str(SRC), "-B", str(self.dir), "-G", "Ninja",
                   "-DCMAKE_BUILD_TYPE=", f"-DCMAKE_CXX_FLAGS={self.flags}",
                   f"-DCMAKE_C_FLAGS={self.flags}", "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON",
                   # Tests are listed when ctest asks, not after every link.
                   "-DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST"]
        launcher = shutil.which("ccache") or ""
        command += [f"-DCMAKE_CXX_COMPILER_LAUNCHER={launcher}",
                    f"-DCMAKE_C_COMPILER_LAUNCHER={launcher}"]
        # A mutant of the core relinks a dozen programs: gold links them in a
        # quarter of the default linker's time.
        linker = "-fuse-ld=gold" if shutil.which("ld.gold") else ""
        command += [f"-DCMAKE_EXE_LINKER_FLAGS={linker}",
                    f"-DQUORVEL_SANITIZE={'ON' if self.sanitize else 'OFF'}"]
        run(command, stdout=subprocess.DEVNULL)

    def build_all(self):
        # The first build may fill the compiler cache; later ones only read it.
        result = subprocess.run(["ninja", "-C", str(self.dir), f"-j{self.jobs}"],
                                capture_output=True, text=True)
        if result.returncode != 0:
            sys.exit("mutate: the unmutated tree does not build:\n" + result.stdout[-4000:])

    def build(self, targets):
        result = subprocess.run(["ninja", "-C", str(self.dir), f"-j{self.jobs}", *sorted(targets)],
                                env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return result.returncode == 0

    def compile_commands(self):
        entries = json.loads((self.dir / "compile_commands.json").read_text())
        result = {}
        for entry in entries:
            path = Path(entry["file"])
            if path.is_relative_to(SRC):
                result[path.relative_to(SRC).as_posix()] = entry
        return result

    def targets(self):
        """The build's targets from CMake's file API: name -> (type, artifact
        paths, names of the targets it depends on, sources)."""
        reply = self.dir / ".cmake/api/v1/reply"
        index = json.loads(max(reply.glob("index-*.json")).read_text())
        model = json.loads((reply / index["reply"]["codemodel-v2"]["jsonFile"]).read_text())
        listed = model["configurations"][0]["targets"]
        names = {t["id"]: t["name"] for t in listed}
        result = {}
        for entry in listed:
            target = json.loads((reply / entry["jsonFile"]).read_text())
            result[target["name"]] = (
                target["type"],
                [str(self.dir / a["path"]) for a in target.get("artifacts", [])],
                [names[d["id"]] for d in target.get("dependencies", [])],
                [s["path"] for s in target.get("sources", [])])
        return result


def strong_symbols(path):
    """The global functions and data a binary defines (not the weak copies of
    inline functions and templates, nor main, which every program has)."""
    out = run(["nm", "-P", "-g", "--defined-only", str(path)], capture_output=True,
              text=True).stdout
    symbols = set()
    for line in out.splitlines():
        parts = line.split()
        if len(parts) >= 2 and parts[1] in "TDBRGS" and parts[0] != "main":
            symbols.add(parts[0])
    return symbols


class Unit:
    """One process of the tests: a test program with some of its tests."""

    def __init__(self, name, program, command, environment, directory):
        self.name, self.program, self.command = name, program, command
        self.environment, self.directory = environment, directory
        self.baseline = 0.0
        self.limit = 0.0
        # What it printed the last time it ran.
        self.log = WORK / "logs" / (re.sub(r"[^A-Za-z0-9_.]+", "_", name) + ".txt")
        self.log.parent.mkdir(parents=True, exist_ok=True)


def test_units(build, check=True):
    """The suite as ctest knows it, as processes to start directly: a
    GoogleTest program runs its tests in one process (with a process of its
    own for each test of SPLIT_SECONDS or more, so that those can run beside
    the rest), any other test as ctest would run it. Runs the whole suite once
    through ctest first: it must pass before anything is mutated."""
    seconds = {}
    if check:
        junit = WORK / "baseline.xml"
        # A failing test is tried once more, as a failing test process is below.
        ctest = subprocess.run(["ctest", "--test-dir", str(build.dir), f"-j{build.jobs}",
                                "--timeout", "600", "--repeat", "until-pass:2",
                                "--output-on-failure", "--output-junit", str(junit)],
                               env=build.test_env, capture_output=True, text=True)
        if ctest.returncode != 0:
            sys.exit(ctest.stdout[-1500:] + f"\nmutate: the suite fails without any mutant "
                     f"(ctest --test-dir {build.dir.relative_to(ROOT)} -R NAME "
                     f"--output-on-failure shows why)")
        seconds = {case.get("name"): float(case.get("time", 0))
                   for case in ElementTree.parse(junit).getroot().iter("testcase")}
    listing = json.loads(run(["ctest", "--test-dir", str(build.dir), "--show-only=json-v1"],
                             capture_output=True, text=True).stdout)
    programs = collections.OrderedDict()
    units = []
    for test in listing["tests"]:
        properties = {p["name"]: p["value"] for p in test.get("properties", [])}
        if properties.get("DISABLED"):
            continue
        environment = dict(build.test_env)
        environment.update(v.split("=", 1) for v in properties.get("ENVIRONMENT", []))
        directory = properties.get("WORKING_DIRECTORY", str(build.dir))
        command = test["command"]
        if any(a.startswith("--gtest_filter=") for a in command):
            programs.setdefault(command[0], (environment, directory, []))[2].append(test["name"])
        else:
            units.append(Unit(test["name"], command[0], command, environment, directory))
    for program, (environment, directory, tests) in programs.items():
        name = Path(program).name
        long_tests = [t for t in tests if seconds.get(t, 0) >= SPLIT_SECONDS]
        groups = [[t] for t in long_tests]
        rest = [t for t in tests if t not in long_tests]
        if rest:
            groups.append(rest)
        for group in groups:
            command = [program, "--gtest_filter=" + ":".join(group), "--gtest_fail_fast",
                       "--gtest_brief=1"]
            label = name if group is rest else f"{name} {group[0]}"
            units.append(Unit(label, program, command, environment, directory))
    return units


def run_units(units, jobs, confirm=True):
    """Runs the units, `jobs` at a time, until one fails or passes its time
    limit: the longest first (jobs - 1 of them), so that they finish about
    when the others do, then the others shortest first, so that most caught
    mutants are caught early. A unit that fails or hangs is run again on its
    own (`confirm`): only a second failure counts, so that a test that fails
    now and then does not pass for a caught mutant. Returns ("caught" |
    "timed out" | "survived", the unit that caught it, wall seconds per unit
    that passed)."""
    by_length = sorted(units, key=lambda u: -u.baseline)
    pending = by_length[: jobs - 1] + by_length[jobs - 1 :][::-1]
    running, times = {}, {}
    try:
        while pending or running:
            while pending and len(running) < jobs:
                unit = pending.pop(0)
                with open(unit.log, "wb") as log:
                    process = subprocess.Popen(unit.command, cwd=unit.directory,
                                               env=unit.environment, stdin=subprocess.DEVNULL,
                                               stdout=log, stderr=subprocess.STDOUT,
                                               start_new_session=True)
                running[process] = (unit, time.monotonic())
            time.sleep(0.01)
            for process, (unit, started) in list(running.items()):
                status = process.poll()
                elapsed = time.monotonic() - started
                if status is None and not (unit.limit and elapsed > unit.limit):
                    continue
                if status == 0:
                    del running[process]
                    times[unit] = elapsed
                    continue
                verdict = "caught" if status is not None else "timed out"
                # The others start again after the second run.
                pending[:0] = [u for p, (u, _) in running.items() if p is not process]
                stop(running)
                if not confirm or run_units([unit], 1, confirm=False)[0] != "survived":
                    return verdict, unit, times
                times[unit] = elapsed
                break
    finally:
        stop(running)
    return "survived", None, times


def stop(running):
    """Ends the running test processes, and any helper each one started."""
    for process in running:
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        process.wait()
    running.clear()


class Coverage:
    """Which test units run a source file's object, derived from the build:
    the programs that contain the object (they define all its global symbols),
    and the tests whose program is, or depends on, one of them."""

    def __init__(self, build, units):
        self.targets = build.targets()
        self.commands = build.compile_commands()
        self.units = units
        self.artifact_of = {}  # executable path -> target name
        for name, (kind, artifacts, _, _) in self.targets.items():
            if kind == "EXECUTABLE":
                for artifact in artifacts:
                    self.artifact_of[artifact] = name
        self.symbols = {path: strong_symbols(path) for path in self.artifact_of}

    def closure(self, target):
        seen, stack = set(), [target]
        while stack:
            name = stack.pop()
            if name not in seen:
                seen.add(name)
                stack.extend(self.targets[name][2])
        return seen

    def programs_containing(self, file):
        entry = self.commands[file]
        words = shlex.split(entry["command"])
        obj = Path(entry["directory"]) / words[words.index("-o") + 1]
        symbols = strong_symbols(obj)
        if symbols:
            # All of them: each backend defines the same backend:: calls.
            return {self.artifact_of[p] for p, s in self.symbols.items() if symbols <= s}
        # No global symbol of its own (a main, say): the programs built from it.
        owners = {n for n, t in self.targets.items() if file in t[3]}
        return {n for n in self.artifact_of.values() if self.closure(n) & owners}

    def units_for(self, file):
        """(units that cover `file`, targets to rebuild for them)."""
        containing = self.programs_containing(file)
        covering, targets = [], set()
        for unit in self.units:
            program = self.artifact_of.get(unit.program)
            if program and self.closure(program) & containing:
                covering.append(unit)
                targets.add(program)
        return covering, targets


# ---------------------------------------------------------------------------
# The run


def choose_files(arguments, commands):
    """The .cpp files to mutate that this build compiles, and a note for each
    named or default one it leaves out."""
    if arguments:
        wanted = []
        for argument in arguments:
            path = Path(argument).resolve()
            relative = path.relative_to(ROOT).as_posix() if path.is_relative_to(ROOT) else argument
            wanted.append(relative)
    else:
        wanted = list(FOLDERS)
    files, skipped = [], []
    for name in wanted:
        path = ROOT / name
        if path.is_dir():
            candidates = sorted(p.relative_to(ROOT).as_posix() for p in path.rglob("*.cpp"))
        elif path.is_file():
            candidates = [name]
        else:
            sys.exit(f"mutate: no such file or folder: {name}")
        for candidate in candidates:
            if candidate in commands:
                files.append(candidate)
            else:
                skipped.append((candidate, "not compiled in this build"))
    return sorted(set(files)), skipped


def report(results, texts, seed, count_text, wall, loads, stream=sys.stdout):
    def line(label, c):
        compiled = c["caught"] + c["timed out"] + c["survived"]
        score = f"{100 * (c['caught'] + c['timed out']) / compiled:5.1f}%" if compiled else "    -"
        return (f"{label:<34} {c['caught'] + c['timed out']:>6} {c['timed out']:>9} "
                f"{c['survived']:>8} {c['not compiled']:>12} {score:>7}")

    empty = {"caught": 0, "timed out": 0, "survived": 0, "not compiled": 0}
    per_file = collections.defaultdict(lambda: dict(empty))
    per_folder = collections.defaultdict(lambda: dict(empty))
    total = dict(empty)
    for mutant, verdict, _ in results:
        for bucket in (per_file[mutant.file], per_folder[mutant.file.split("/")[0]], total):
            bucket[verdict] += 1
    compiled = total["caught"] + total["timed out"] + total["survived"]
    header = (f"{'':<34} {'caught':>6} {'timed out':>9} {'survived':>8} {'not compiled':>12} "
              f"{'score':>7}")
    print(f"\nseed {seed}: {compiled} compiled mutants ({count_text}), {total['not compiled']} "
          f"more did not compile; wall time {wall / 60:.1f} min; load average "
          f"{loads[0]:.1f} at the start, {loads[1]:.1f} at the end", file=stream)
    print("score = caught / compiled; caught counts the timed out\n", file=stream)
    print(header, file=stream)
    for file in sorted(per_file):
        print(line(file, per_file[file]), file=stream)
    print(file=stream)
    for folder in sorted(per_folder):
        print(line(folder + "/", per_folder[folder]), file=stream)
    print(line("all", total), file=stream)
    survivors = sorted((m for m, v, _ in results if v == "survived"),
                       key=lambda m: (m.file, m.start))
    print(f"\nsurvivors ({len(survivors)}):", file=stream)
    for mutant in survivors:
        print(f"{mutant.file}:{mutant.line}: {mutant.diff(texts[mutant.file])}", file=stream)


def progress(message):
    print(message, file=sys.stderr, flush=True)


def main():
    parser = argparse.ArgumentParser(
        prog="scripts/mutate", description=__doc__.split("\n\n")[2],
        formatter_class=argparse.RawDescriptionHelpFormatter,
        epilog="Details, the sampling rule and the latest figures: docs/testing.md")
    parser.add_argument("--seed", type=int, default=1, help="chooses the sample (default 1)")
    parser.add_argument("--count", type=int, default=300,
                        help="compiled mutants in the sample (default 300)")
    parser.add_argument("--all", action="store_true",
                        help="every mutant of the chosen files instead of a sample")
    parser.add_argument("--files", nargs="+", metavar="PATH",
                        help="files or folders to mutate, from the repository's root (default: "
                             + ", ".join(FOLDERS) + ")")
    parser.add_argument("--jobs", type=int, default=2,
                        help="build jobs, and test processes at once (default 2)")
    parser.add_argument("--timeout", type=float, metavar="SECONDS",
                        help="time limit of each test process (default: 5 s + 3 times "
                             "its time without mutants)")
    parser.add_argument("--sanitize", action="store_true",
                        help="build and test with AddressSanitizer and UndefinedBehaviorSanitizer "
                             "as the asan leg does (build/mutate/asan; slower)")
    parser.add_argument("--list", action="store_true",
                        help="print the chosen mutants without running them")
    args = parser.parse_args()

    WORK.mkdir(parents=True, exist_ok=True)
    lock = open(WORK / "lock", "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        sys.exit("mutate: another scripts/mutate is running in this tree")

    began, load_at_start = time.monotonic(), os.getloadavg()[0]
    build = Build(args.jobs, args.sanitize)
    progress(f"=== the working tree copied to {SRC.relative_to(ROOT)}, built in "
             f"{build.dir.relative_to(ROOT)} ({build.flags}"
             f"{', sanitizers' if args.sanitize else ''}, no debug information)")
    sync_tree()
    build.configure()
    build.build_all()
    if not args.list:
        progress("=== the suite without mutants, through ctest")
    units = test_units(build, check=not args.list)
    coverage = Coverage(build, units)
    progress(f"=== {len(units)} test processes run ctest's tests of this build; not run: "
             f"the legs that need a display or wine (scripts/test-desk, test-package, "
             f"test-windows){'' if args.sanitize else ' and the sanitizer leg (--sanitize)'}")

    files, skipped = choose_files(args.files, coverage.commands)
    texts, mutants_of, covering = {}, {}, {}
    for file in files:
        units_for_file, targets = coverage.units_for(file)
        if not units_for_file:
            skipped.append((file, "no test runs it in this build"))
            continue
        text = (SRC / file).read_text(encoding="latin-1")
        texts[file] = text
        code = blank_inactive_groups(text, coverage.commands[file])
        mutants_of[file] = draw_order(find_mutants(file, code), args.seed)
        covering[file] = (units_for_file, targets)
    for file, reason in skipped:
        progress(f"left out: {file} ({reason})")
    if not mutants_of:
        sys.exit("mutate: nothing to mutate")

    share = {f: len(m) for f, m in mutants_of.items()} if args.all else \
        quotas(args.count, mutants_of)
    total = sum(len(m) for m in mutants_of.values())
    count_text = (f"every one of the {total} mutants" if args.all else
                  f"a sample of {args.count} of the {total} mutants") + \
        f" of {len(mutants_of)} file{'s' if len(mutants_of) != 1 else ''}"
    if args.list:
        print(f"seed {args.seed}: {count_text}; a mutant that does not compile gives its place "
              f"to the next of its file (to the other files' when its file has no more)")
        for file in sorted(f for f in mutants_of if share[f]):
            chosen = mutants_of[file][: share[file]]
            print(f"\n{file}: {share[file]} of {len(mutants_of[file])}")
            for mutant in sorted(chosen, key=lambda m: m.start):
                print(f"  {mutant.line}:{mutant.column} {mutant.kind:<10} "
                      f"{mutant.diff(texts[file])}")
        return 0

    # Time limits from the suite's own times, taken as the mutants' tests run.
    verdict, culprit, times = run_units(units, args.jobs)
    if culprit is not None:
        sys.exit(f"mutate: {culprit.name} {'fails' if verdict == 'caught' else 'hangs'} "
                 f"without mutants when started on its own:\n" +
                 culprit.log.read_text(errors="replace")[-3000:])
    for unit in units:
        unit.baseline = times[unit]
        unit.limit = args.timeout or 5 + 3 * unit.baseline

    # File by file, each file's draws in order; when files run out of draws
    # that compile, their shortfall is shared out again among the others.
    planned = sum(share.values())
    results, done = [], 0
    drawn = dict.fromkeys(mutants_of, 0)
    while True:
        for file in sorted(f for f in share if share[f]):
            units_for_file, targets = covering[file]
            original, path, compiled = texts[file], SRC / file, 0
            try:
                while compiled < share[file] and drawn[file] < len(mutants_of[file]):
                    mutant = mutants_of[file][drawn[file]]
                    drawn[file] += 1
                    started = time.monotonic()
                    path.write_text(mutant.apply(original), encoding="latin-1")
                    if not build.build(targets):
                        verdict, culprit = "not compiled", None
                    else:
                        compiled += 1
                        done += 1
                        verdict, culprit, _ = run_units(units_for_file, args.jobs)
                    results.append((mutant, verdict, culprit))
                    where = {"caught": " by ", "timed out": " in "}.get(verdict, "")
                    progress(f"[{done:>4}/{planned}] {mutant.file}:{mutant.line} {mutant.kind}: "
                             f"{verdict}{where}{culprit.name if culprit else ''} "
                             f"({time.monotonic() - started:.1f} s)")
            finally:
                path.write_text(original, encoding="latin-1")
        rest = {f: m[drawn[f] :] for f, m in mutants_of.items() if drawn[f] < len(m)}
        if args.all or done >= planned or not rest:
            break
        share = dict.fromkeys(mutants_of, 0)
        share.update(quotas(planned - done, rest))

    report(results, texts, args.seed, count_text, time.monotonic() - began,
           (load_at_start, os.getloadavg()[0]))
    return 0


if __name__ == "__main__":
    # Interrupted or terminated (even started in the background, where the
    # shell has us ignore Ctrl-C), a run still ends its tests and puts the
    # mutated file back on its way out.
    signal.signal(signal.SIGINT, signal.default_int_handler)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit(130)
