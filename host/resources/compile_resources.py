#!/usr/bin/env python3
"""Turns a resource script into a C++ source that holds its resources as one
data block in the section ".vexl.rsrc" of the library it is built into.

The script is UTF-8 text. It holds STRINGTABLE blocks:

    STRINGTABLE
    BEGIN
        29      "Output tray 1"
    END

A string is written in double quotes; "" stands for one quote, and the
escapes \\\\, \\", \\n, \\t and \\xHHHH are known. Lines starting with // are
comments. Ids must be unique.

The block: "VXRS", u32 entry count, 16-byte entries {u16 type, u16 0, u32 id,
u32 offset, u32 size}, then the UTF-16LE data; all little-endian.
"""
import struct
import sys

RT_STRING = 6


def fail(path, line_no, message):
    sys.exit(f'{path}:{line_no}: {message}')


def parse_string(path, line_no, text):
    if not text.startswith('"'):
        fail(path, line_no, 'a string must be quoted')
    out, i = [], 1
    while True:
        if i >= len(text):
            fail(path, line_no, 'unterminated string')
        c = text[i]
        if c == '"':
            if i + 1 < len(text) and text[i + 1] == '"':
                out.append('"')
                i += 2
                continue
            rest = text[i + 1:].strip()
            if rest and not rest.startswith('//'):
                fail(path, line_no, f'text after the string: {rest}')
            return ''.join(out)
        if c == '\\':
            n = text[i + 1:i + 2]
            if n in ('\\', '"'):
                out.append(n)
                i += 2
            elif n == 'n':
                out.append('\n')
                i += 2
            elif n == 't':
                out.append('\t')
                i += 2
            elif n == 'x':
                out.append(chr(int(text[i + 2:i + 6], 16)))
                i += 6
            else:
                fail(path, line_no, f'unknown escape \\{n}')
            continue
        out.append(c)
        i += 1


def parse(path):
    strings, state = {}, 'top'
    with open(path, encoding='utf-8') as f:
        for line_no, raw in enumerate(f, 1):
            line = raw.strip()
            if not line or line.startswith('//'):
                continue
            if state == 'top':
                if line != 'STRINGTABLE':
                    fail(path, line_no, f'expected STRINGTABLE, not {line}')
                state = 'begin'
            elif state == 'begin':
                if line not in ('BEGIN', '{'):
                    fail(path, line_no, 'expected BEGIN')
                state = 'body'
            elif line in ('END', '}'):
                state = 'top'
            else:
                number, _, rest = line.partition(' ')
                if not number.isdigit():
                    fail(path, line_no, f'expected a string id, not {number}')
                string_id = int(number)
                if string_id in strings:
                    fail(path, line_no, f'string {string_id} given twice')
                strings[string_id] = parse_string(path, line_no, rest.strip())
    if state != 'top':
        sys.exit(f'{path}: STRINGTABLE not closed')
    return strings


def build_block(strings):
    entries, data = [], b''
    header_size = 8 + 16 * len(strings)
    for string_id in sorted(strings):
        encoded = strings[string_id].encode('utf-16-le')
        entries.append(struct.pack('<HHIII', RT_STRING, 0, string_id, header_size + len(data), len(encoded)))
        data += encoded
    return b'VXRS' + struct.pack('<I', len(strings)) + b''.join(entries) + data


def main():
    if len(sys.argv) != 3:
        sys.exit('usage: compile_resources.py <script.rc> <out.cpp>')
    block = build_block(parse(sys.argv[1]))
    rows = [', '.join(f'0x{b:02X}' for b in block[i:i + 16]) for i in range(0, len(block), 16)]
    with open(sys.argv[2], 'w', encoding='ascii') as f:
        f.write(f'// Generated from {sys.argv[1].rsplit("/", 1)[-1]} by compile_resources.py. Do not edit.\n')
        f.write('__attribute__((section(".vexl.rsrc"), aligned(4)))\n')
        f.write(f'extern const unsigned char vexlResourceBlock[{len(block)}];\n')
        f.write('__attribute__((section(".vexl.rsrc"), used, aligned(4)))\n')
        f.write(f'const unsigned char vexlResourceBlock[{len(block)}] = {{\n')
        f.write(''.join(f'    {row},\n' for row in rows))
        f.write('};\n')


if __name__ == '__main__':
    main()
