#!/usr/bin/env python3
"""Print a C++ string literal holding the Shift-JIS (CP932) bytes of each argument.

Usage: scripts/sjis_literal.py NAME=TEXT ...
Prints `inline constexpr char NAME[] = "...";  // TEXT` for every pair.
"""
import sys

for arg in sys.argv[1:]:
    name, _, text = arg.partition("=")
    data = text.encode("cp932")
    body = "".join(f"\\x{b:02x}" if b >= 0x80 or b in (0x22, 0x5C) else chr(b) for b in data)
    # A hex escape swallows following hex digits: split the literal where one follows.
    out, prev_hex = [], False
    i = 0
    while i < len(body):
        if body[i] == "\\":
            out.append(body[i : i + 4])
            prev_hex = True
            i += 4
        else:
            ch = body[i]
            if prev_hex and ch in "0123456789abcdefABCDEF":
                out.append('" "')
            out.append(ch)
            prev_hex = False
            i += 1
    print(f'inline constexpr char {name}[] = "{"".join(out)}";  // {text}')
