#!/usr/bin/env python3
# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

"""function-lengths.py [--all] [--top N] [--over LINES] [PATH...]

Lists the function definitions in C++ sources with their lengths in lines,
longest first: from the first line of the definition's header to its closing
brace, both included. Without PATH, the files are the *.cpp and *.h files git
tracks in this checkout, tests left out (--all keeps them).

It counts braces after taking out comments and string and character
literals, so it needs no compiler and reads any source as it is; a body
inside a class body counts, a lambda counts as part of its function.

  --top N       show the N longest (default 10)
  --over LINES  show every function longer than LINES instead, and exit 1 if
                there is one
"""
import argparse
import pathlib
import re
import subprocess
import sys

KEYWORD_BLOCK = re.compile(r'\b(namespace|class|struct|union|enum)\b[^()]*$')
NAME = re.compile(r'([~\w:<>=!+\-*/&|\[\]]+)\s*\($')


def blank_out(text):
    """The text with comments and literals replaced by spaces (newlines kept)."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith('//', i):
            j = text.find('\n', i)
            j = n if j < 0 else j
            out.append(' ' * (j - i))
            i = j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r'[^\n]', ' ', text[i:j]))
            i = j
        elif c == 'R' and text.startswith('R"', i):
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            end = text.find(')' + m.group(1) + '"', i) if m else -1
            j = n if end < 0 else end + len(m.group(1)) + 2
            out.append('R""' + re.sub(r'[^\n]', ' ', text[i + 3:j]))
            i = j
        elif c in '"\'' and not (c == "'" and i > 0 and text[i - 1].isdigit()):
            # A quote after a digit separates digits (1'000).
            j = i + 1
            while j < n and text[j] != c and text[j] != '\n':
                j += 2 if text[j] == '\\' else 1
            j = min(j, n)
            closed = j < n and text[j] == c
            out.append(c + ' ' * (j - i - 1) + (c if closed else ''))
            i = j + 1 if closed else j
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def function_name(header):
    """The name before the parameter list of a definition's header."""
    depth = 0
    for k, c in enumerate(header):
        if c == '(' and depth == 0:
            m = NAME.search(header[:k + 1])
            return m.group(1).lstrip('*&') if m else '?'
        if c == '<':
            depth += 1
        elif c == '>' and depth > 0:
            depth -= 1
    return '?'


def functions(path):
    """(length, first line, name) of every function defined in `path`."""
    text = blank_out(path.read_text(errors='replace'))
    found = []
    stack = []  # 'scope', 'function', 'init' or 'other'
    header_start = 0
    for i, c in enumerate(text):
        in_function = 'function' in stack
        if c == '{':
            header = text[header_start:i]
            before = header.rstrip()[-1:] if header.strip() else ''
            if in_function:
                stack.append('other')
            elif re.search(r'\)\s*:', header) and (before.isalnum() or before in '_>'):
                stack.append('init')  # a brace initialiser in a constructor's list
                continue
            elif KEYWORD_BLOCK.search(header) or header.strip().startswith('extern'):
                stack.append('scope')
            elif ')' in header and not header.rstrip().endswith('='):
                stack.append('function')
                start = header_start + len(header) - len(header.lstrip())
                found.append([text.count('\n', 0, start) + 1, None, function_name(header.strip())])
            else:
                stack.append('other')
            header_start = i + 1
        elif c == '}' and stack:
            kind = stack.pop()
            if kind == 'init':
                continue
            if kind == 'function' and 'function' not in stack:
                found[-1][1] = text.count('\n', 0, i) + 1
            header_start = i + 1
        elif c == ';' and not in_function:
            header_start = i + 1
    return [(end - start + 1, start, name) for start, end, name in found if end]


def tracked_sources(include_tests):
    names = subprocess.run(['git', 'ls-files', '*.cpp', '*.h'], capture_output=True, text=True,
                           check=True).stdout.split()
    return [pathlib.Path(n) for n in names if include_tests or not n.startswith('tests/')]


def main():
    parser = argparse.ArgumentParser(add_help=True)
    parser.add_argument('--all', action='store_true')
    parser.add_argument('--top', type=int, default=10)
    parser.add_argument('--over', type=int)
    parser.add_argument('paths', nargs='*')
    args = parser.parse_args()
    paths = [pathlib.Path(p) for p in args.paths] or tracked_sources(args.all)
    rows = []
    for path in paths:
        rows += [(length, f'{path}:{line}', name) for length, line, name in functions(path)]
    rows.sort(key=lambda r: (-r[0], r[1]))
    if args.over is not None:
        rows = [r for r in rows if r[0] > args.over]
    else:
        rows = rows[:args.top]
    for length, where, name in rows:
        print(f'{length:5d}  {where}  {name}')
    return 1 if args.over is not None and rows else 0


if __name__ == '__main__':
    sys.exit(main())
