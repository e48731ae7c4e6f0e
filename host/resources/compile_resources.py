#!/usr/bin/env python3
"""Turns a resource script into a C++ source that holds its resources as one
data block in the section ".vexl.rsrc" of the library it is built into.

The script is UTF-8 text in the shape of a Windows resource script:

    STRINGTABLE
    BEGIN
        29      "Output tray 1"
    END

    1006 DIALOG 0, 0, 252, 218
    STYLE DS_SETFONT | WS_CHILD | NOT WS_VISIBLE
    CAPTION "Paper"
    FONT 8, "DejaVu Sans"
    BEGIN
        LTEXT           "Paper size:", -1, 7, 7, 60, 8
        COMBOBOX        1001, 7, 18, 120, 80, CBS_DROPDOWNLIST | WS_VSCROLL
        CONTROL         "", 1002, "msctls_trackbar32", TBS_AUTOTICKS, 7, 40, 120, 14
        DEFPUSHBUTTON   "OK", IDOK, 7, 60, 50, 14
    END

    4100 MENU
    BEGIN
        POPUP ""
        BEGIN
            MENUITEM "&Edit", 4101
            MENUITEM SEPARATOR
            MENUITEM "&Delete", 4102, GRAYED
        END
    END

    300 BITMAP "lock.bmp"
    301 ICON   "printer.ico"
    302 CURSOR "hand.cur"

A string is written in double quotes; "" stands for one quote, and the
escapes \\\\, \\", \\n, \\t and \\xHHHH are known. // starts a comment. Files
are found beside the script. Styles are names and numbers joined by |; NOT
takes a bit away from the statement's default style.

Dialogs are DLGTEMPLATE with DLGITEMTEMPLATE items and menus are menu
templates, both in the Windows binary layout. A bitmap is its file without
the file header; an icon or cursor file becomes one RT_ICON or RT_CURSOR per
image (numbered from 1 in the order met) and a group resource under the
script's id, as Windows keeps them.

The block: "VXRS", u32 entry count, 16-byte entries {u16 type, u16 0, u32 id,
u32 offset, u32 size} sorted by type and id, then the data, each resource
starting on a 4-byte boundary; all little-endian.
"""
import os
import re
import struct
import sys

RT_CURSOR, RT_BITMAP, RT_ICON, RT_MENU, RT_DIALOG, RT_STRING = 1, 2, 3, 4, 5, 6
RT_GROUP_CURSOR, RT_GROUP_ICON = 12, 14

CONSTANTS = {
    # Window styles.
    'WS_OVERLAPPED': 0, 'WS_POPUP': 0x80000000, 'WS_CHILD': 0x40000000, 'WS_MINIMIZE': 0x20000000,
    'WS_VISIBLE': 0x10000000, 'WS_DISABLED': 0x08000000, 'WS_CLIPSIBLINGS': 0x04000000,
    'WS_CLIPCHILDREN': 0x02000000, 'WS_MAXIMIZE': 0x01000000, 'WS_CAPTION': 0x00C00000,
    'WS_BORDER': 0x00800000, 'WS_DLGFRAME': 0x00400000, 'WS_VSCROLL': 0x00200000, 'WS_HSCROLL': 0x00100000,
    'WS_SYSMENU': 0x00080000, 'WS_THICKFRAME': 0x00040000, 'WS_GROUP': 0x00020000, 'WS_TABSTOP': 0x00010000,
    'WS_MINIMIZEBOX': 0x00020000, 'WS_MAXIMIZEBOX': 0x00010000,
    'WS_EX_DLGMODALFRAME': 0x1, 'WS_EX_NOPARENTNOTIFY': 0x4, 'WS_EX_TOPMOST': 0x8, 'WS_EX_TRANSPARENT': 0x20,
    'WS_EX_TOOLWINDOW': 0x80, 'WS_EX_WINDOWEDGE': 0x100, 'WS_EX_CLIENTEDGE': 0x200,
    'WS_EX_CONTEXTHELP': 0x400, 'WS_EX_CONTROLPARENT': 0x10000, 'WS_EX_STATICEDGE': 0x20000,
    # Dialog styles.
    'DS_ABSALIGN': 0x1, 'DS_SYSMODAL': 0x2, 'DS_3DLOOK': 0x4, 'DS_FIXEDSYS': 0x8, 'DS_NOFAILCREATE': 0x10,
    'DS_LOCALEDIT': 0x20, 'DS_SETFONT': 0x40, 'DS_MODALFRAME': 0x80, 'DS_NOIDLEMSG': 0x100,
    'DS_SETFOREGROUND': 0x200, 'DS_CONTROL': 0x400, 'DS_CENTER': 0x800, 'DS_CENTERMOUSE': 0x1000,
    'DS_CONTEXTHELP': 0x2000, 'DS_SHELLFONT': 0x48,
    # Buttons.
    'BS_PUSHBUTTON': 0, 'BS_DEFPUSHBUTTON': 1, 'BS_CHECKBOX': 2, 'BS_AUTOCHECKBOX': 3, 'BS_RADIOBUTTON': 4,
    'BS_3STATE': 5, 'BS_AUTO3STATE': 6, 'BS_GROUPBOX': 7, 'BS_AUTORADIOBUTTON': 9, 'BS_OWNERDRAW': 0xB,
    'BS_LEFTTEXT': 0x20, 'BS_TEXT': 0, 'BS_ICON': 0x40, 'BS_BITMAP': 0x80, 'BS_LEFT': 0x100,
    'BS_RIGHT': 0x200, 'BS_CENTER': 0x300, 'BS_TOP': 0x400, 'BS_BOTTOM': 0x800, 'BS_VCENTER': 0xC00,
    'BS_PUSHLIKE': 0x1000, 'BS_MULTILINE': 0x2000, 'BS_NOTIFY': 0x4000, 'BS_FLAT': 0x8000,
    # Statics.
    'SS_LEFT': 0, 'SS_CENTER': 1, 'SS_RIGHT': 2, 'SS_ICON': 3, 'SS_BLACKRECT': 4, 'SS_GRAYRECT': 5,
    'SS_WHITERECT': 6, 'SS_BLACKFRAME': 7, 'SS_GRAYFRAME': 8, 'SS_WHITEFRAME': 9, 'SS_SIMPLE': 0xB,
    'SS_LEFTNOWORDWRAP': 0xC, 'SS_OWNERDRAW': 0xD, 'SS_BITMAP': 0xE, 'SS_ETCHEDHORZ': 0x10,
    'SS_ETCHEDVERT': 0x11, 'SS_ETCHEDFRAME': 0x12, 'SS_NOPREFIX': 0x80, 'SS_NOTIFY': 0x100,
    'SS_CENTERIMAGE': 0x200, 'SS_SUNKEN': 0x1000, 'SS_ENDELLIPSIS': 0x4000,
    # Edits.
    'ES_LEFT': 0, 'ES_CENTER': 1, 'ES_RIGHT': 2, 'ES_MULTILINE': 4, 'ES_UPPERCASE': 8, 'ES_LOWERCASE': 0x10,
    'ES_PASSWORD': 0x20, 'ES_AUTOVSCROLL': 0x40, 'ES_AUTOHSCROLL': 0x80, 'ES_NOHIDESEL': 0x100,
    'ES_OEMCONVERT': 0x400, 'ES_READONLY': 0x800, 'ES_WANTRETURN': 0x1000, 'ES_NUMBER': 0x2000,
    # List boxes and combo boxes.
    'LBS_NOTIFY': 0x1, 'LBS_SORT': 0x2, 'LBS_NOREDRAW': 0x4, 'LBS_MULTIPLESEL': 0x8,
    'LBS_OWNERDRAWFIXED': 0x10, 'LBS_OWNERDRAWVARIABLE': 0x20, 'LBS_HASSTRINGS': 0x40,
    'LBS_USETABSTOPS': 0x80, 'LBS_NOINTEGRALHEIGHT': 0x100, 'LBS_MULTICOLUMN': 0x200,
    'LBS_WANTKEYBOARDINPUT': 0x400, 'LBS_EXTENDEDSEL': 0x800, 'LBS_DISABLENOSCROLL': 0x1000,
    'LBS_NODATA': 0x2000, 'LBS_NOSEL': 0x4000, 'LBS_STANDARD': 0x00A00003,
    'CBS_SIMPLE': 0x1, 'CBS_DROPDOWN': 0x2, 'CBS_DROPDOWNLIST': 0x3, 'CBS_OWNERDRAWFIXED': 0x10,
    'CBS_OWNERDRAWVARIABLE': 0x20, 'CBS_AUTOHSCROLL': 0x40, 'CBS_OEMCONVERT': 0x80, 'CBS_SORT': 0x100,
    'CBS_HASSTRINGS': 0x200, 'CBS_NOINTEGRALHEIGHT': 0x400, 'CBS_DISABLENOSCROLL': 0x800,
    # Scroll bars.
    'SBS_HORZ': 0, 'SBS_VERT': 1, 'SBS_TOPALIGN': 2, 'SBS_LEFTALIGN': 2, 'SBS_BOTTOMALIGN': 4,
    'SBS_RIGHTALIGN': 4, 'SBS_SIZEBOX': 8,
    # Common controls.
    'TBS_AUTOTICKS': 0x1, 'TBS_VERT': 0x2, 'TBS_HORZ': 0, 'TBS_TOP': 0x4, 'TBS_BOTTOM': 0, 'TBS_LEFT': 0x4,
    'TBS_RIGHT': 0, 'TBS_BOTH': 0x8, 'TBS_NOTICKS': 0x10, 'TBS_ENABLESELRANGE': 0x20,
    'TCS_TABS': 0, 'TCS_BUTTONS': 0x100, 'TCS_MULTILINE': 0x200, 'TCS_FIXEDWIDTH': 0x400,
    'TCS_OWNERDRAWFIXED': 0x2000, 'TCS_FOCUSNEVER': 0x8000,
    'TVS_HASBUTTONS': 0x1, 'TVS_HASLINES': 0x2, 'TVS_LINESATROOT': 0x4, 'TVS_EDITLABELS': 0x8,
    'TVS_DISABLEDRAGDROP': 0x10, 'TVS_SHOWSELALWAYS': 0x20,
    'LVS_ICON': 0, 'LVS_REPORT': 0x1, 'LVS_SMALLICON': 0x2, 'LVS_LIST': 0x3, 'LVS_SINGLESEL': 0x4,
    'LVS_SHOWSELALWAYS': 0x8, 'LVS_SORTASCENDING': 0x10, 'LVS_OWNERDRAWFIXED': 0x400,
    'LVS_NOSCROLL': 0x2000, 'LVS_NOCOLUMNHEADER': 0x4000, 'LVS_NOSORTHEADER': 0x8000,
    # Ids.
    'IDOK': 1, 'IDCANCEL': 2, 'IDABORT': 3, 'IDRETRY': 4, 'IDIGNORE': 5, 'IDYES': 6, 'IDNO': 7,
    'IDHELP': 9, 'IDC_STATIC': -1,
}

# The classes a dialog item names by ordinal.
CLASS_ORDINALS = {'BUTTON': 0x80, 'EDIT': 0x81, 'STATIC': 0x82, 'LISTBOX': 0x83, 'SCROLLBAR': 0x84,
                  'COMBOBOX': 0x85}

CHILD = 0x40000000 | 0x10000000  # WS_CHILD | WS_VISIBLE, which every item has unless taken away

# The item statements: class, default style, whether a text comes first.
ITEM_STATEMENTS = {
    'LTEXT': ('STATIC', 0x00020000 | 0x0, True),
    'CTEXT': ('STATIC', 0x00020000 | 0x1, True),
    'RTEXT': ('STATIC', 0x00020000 | 0x2, True),
    'PUSHBUTTON': ('BUTTON', 0x00010000 | 0x0, True),
    'DEFPUSHBUTTON': ('BUTTON', 0x00010000 | 0x1, True),
    'CHECKBOX': ('BUTTON', 0x00010000 | 0x2, True),
    'AUTOCHECKBOX': ('BUTTON', 0x00010000 | 0x3, True),
    'RADIOBUTTON': ('BUTTON', 0x4, True),
    'AUTORADIOBUTTON': ('BUTTON', 0x9, True),
    'GROUPBOX': ('BUTTON', 0x7, True),
    'EDITTEXT': ('EDIT', 0x00800000 | 0x00010000, False),
    'LISTBOX': ('LISTBOX', 0x00800000 | 0x1, False),
    'COMBOBOX': ('COMBOBOX', 0x00010000 | 0x1, False),
    'SCROLLBAR': ('SCROLLBAR', 0x0, False),
}

MENU_OPTIONS = {'GRAYED': 0x1, 'INACTIVE': 0x2, 'CHECKED': 0x8, 'MENUBARBREAK': 0x20, 'MENUBREAK': 0x40,
                'HELP': 0x4000}
MF_POPUP, MF_END = 0x10, 0x80

DIALOG_DEFAULT_STYLE = 0x80000000 | 0x00800000 | 0x00080000  # WS_POPUP | WS_BORDER | WS_SYSMENU
WS_CAPTION, DS_SETFONT = 0x00C00000, 0x40

TOKEN = re.compile(r'\s+|//[^\n]*|"(?:[^"\\\n]|""|\\.)*"|-?0[xX][0-9A-Fa-f]+|-?\d+|[A-Za-z_][A-Za-z0-9_]*|[,|{}]')


class ScriptError(Exception):
    pass


def unquote(token):
    text, out, i = token[1:-1], [], 0
    while i < len(text):
        c = text[i]
        if c == '"':
            out.append('"')
            i += 2
        elif c == '\\':
            n = text[i + 1]
            if n in '\\"':
                out.append(n)
            elif n == 'n':
                out.append('\n')
            elif n == 't':
                out.append('\t')
            elif n == 'x':
                digits = text[i + 2:i + 6]
                if not re.fullmatch(r'[0-9A-Fa-f]{4}', digits):
                    raise ScriptError(r'\x needs four hex digits')
                out.append(chr(int(digits, 16)))
                i += 4
            else:
                raise ScriptError(f'unknown escape \\{n}')
            i += 2
        else:
            out.append(c)
            i += 1
    return ''.join(out)


class Tokens:
    def __init__(self, text):
        self.items, line, pos = [], 1, 0
        while pos < len(text):
            match = TOKEN.match(text, pos)
            if not match:
                raise ScriptError(f'line {line}: unexpected {text[pos:pos + 10]!r}')
            token = match.group(0)
            if not token[0].isspace() and not token.startswith('//'):
                self.items.append((token, line))
            line += token.count('\n')
            pos = match.end()
        self.at = 0

    def peek(self):
        return self.items[self.at][0] if self.at < len(self.items) else None

    def line(self):
        return self.items[min(self.at, len(self.items) - 1)][1] if self.items else 0

    def take(self, expected=None):
        if self.at >= len(self.items):
            raise ScriptError(f'the script ends where {expected or "more"} was expected')
        token = self.items[self.at][0]
        if expected is not None and token.upper() != expected:
            raise ScriptError(f'line {self.line()}: expected {expected}, not {token}')
        self.at += 1
        return token

    def take_if(self, word):
        if self.peek() is not None and self.peek().upper() == word:
            self.at += 1
            return True
        return False

    def take_string(self):
        token = self.take()
        if not token.startswith('"'):
            raise ScriptError(f'line {self.line()}: expected a string, not {token}')
        return unquote(token)

    def take_number(self):
        token = self.take()
        if re.fullmatch(r'-?(0[xX][0-9A-Fa-f]+|\d+)', token):
            return int(token, 0)
        if token in CONSTANTS:
            return CONSTANTS[token]
        raise ScriptError(f'line {self.line()}: expected a number, not {token}')

    def take_styles(self, style=0):
        """Names and numbers joined by |; NOT name takes the bits away."""
        while True:
            if self.take_if('NOT'):
                style &= ~self.take_number()
            else:
                style |= self.take_number()
            if not self.take_if('|'):
                return style & 0xFFFFFFFF

    def take_comma(self):
        self.take(',')

    def take_begin(self):
        token = self.take()
        if token.upper() not in ('BEGIN', '{'):
            raise ScriptError(f'line {self.line()}: expected BEGIN, not {token}')

    def at_end(self):
        token = self.peek()
        if token is not None and token.upper() in ('END', '}'):
            self.at += 1
            return True
        if token is None:
            raise ScriptError('the script ends inside a block')
        return False


def utf16z(text):
    return text.encode('utf-16-le') + b'\0\0'


def name_or_ordinal(value):
    """sz_Or_Ord: 0xFFFF and an ordinal for a number, else a terminated string."""
    if isinstance(value, int):
        return struct.pack('<HH', 0xFFFF, value & 0xFFFF)
    return utf16z(value)


def pad4(data):
    return data + b'\0' * (-len(data) % 4)


def parse_stringtable(tokens, strings):
    tokens.take_begin()
    while not tokens.at_end():
        line = tokens.line()
        string_id = tokens.take_number()
        tokens.take_if(',')
        if string_id in strings:
            raise ScriptError(f'line {line}: string {string_id} given twice')
        strings[string_id] = tokens.take_string()


def parse_item(tokens, keyword):
    """One dialog item: (style, exstyle, x, y, cx, cy, id, class, text)."""
    if keyword == 'CONTROL':
        text = tokens.take_string() if tokens.peek().startswith('"') else tokens.take_number()
        tokens.take_comma()
        item_id = tokens.take_number()
        tokens.take_comma()
        class_name = tokens.take_string()
        tokens.take_comma()
        style = tokens.take_styles(CHILD)
        tokens.take_comma()
        rect = [tokens.take_number()]
        for _ in range(3):
            tokens.take_comma()
            rect.append(tokens.take_number())
        exstyle = tokens.take_styles() if tokens.take_if(',') else 0
    else:
        class_name, style, has_text = ITEM_STATEMENTS[keyword]
        style |= CHILD
        text = ''
        if has_text:
            text = tokens.take_string() if tokens.peek().startswith('"') else tokens.take_number()
            tokens.take_comma()
        item_id = tokens.take_number()
        rect = []
        for _ in range(4):
            tokens.take_comma()
            rect.append(tokens.take_number())
        exstyle = 0
        if tokens.take_if(','):
            style = tokens.take_styles(style)
            if tokens.take_if(','):
                exstyle = tokens.take_styles()
    window_class = CLASS_ORDINALS.get(class_name.upper(), class_name)
    return style, exstyle, rect, item_id, window_class, text


def parse_dialog(tokens):
    rect = [tokens.take_number()]
    for _ in range(3):
        tokens.take_comma()
        rect.append(tokens.take_number())
    style, exstyle, caption, font, menu, window_class = None, 0, '', None, 0, 0
    while tokens.peek() is not None and tokens.peek().upper() not in ('BEGIN', '{'):
        word = tokens.take().upper()
        if word == 'STYLE':
            style = tokens.take_styles()
        elif word == 'EXSTYLE':
            exstyle = tokens.take_styles()
        elif word == 'CAPTION':
            caption = tokens.take_string()
        elif word == 'FONT':
            size = tokens.take_number()
            tokens.take_comma()
            font = (size, tokens.take_string())
        elif word == 'MENU':
            menu = tokens.take_number()
        elif word == 'CLASS':
            window_class = tokens.take_string()
        else:
            raise ScriptError(f'line {tokens.line()}: unknown dialog statement {word}')
    if style is None:
        style = DIALOG_DEFAULT_STYLE
    if caption:
        style |= WS_CAPTION
    if font:
        style |= DS_SETFONT
    items = []
    tokens.take_begin()
    while not tokens.at_end():
        keyword = tokens.take().upper()
        if keyword != 'CONTROL' and keyword not in ITEM_STATEMENTS:
            raise ScriptError(f'line {tokens.line()}: unknown control statement {keyword}')
        items.append(parse_item(tokens, keyword))
    return build_dialog(style, exstyle, rect, caption, font, menu, window_class, items)


def build_dialog(style, exstyle, rect, caption, font, menu, window_class, items):
    data = struct.pack('<IIHhhhh', style, exstyle, len(items), *rect)
    data += (b'\0\0' if menu == 0 else name_or_ordinal(menu))
    data += (b'\0\0' if window_class == 0 else name_or_ordinal(window_class))
    data += utf16z(caption)
    if style & DS_SETFONT:
        data += struct.pack('<H', font[0] if font else 8) + utf16z(font[1] if font else '')
    for item_style, item_exstyle, item_rect, item_id, item_class, text in items:
        data = pad4(data)
        data += struct.pack('<IIhhhhH', item_style, item_exstyle, *item_rect, item_id & 0xFFFF)
        data += name_or_ordinal(item_class) + name_or_ordinal(text) + struct.pack('<H', 0)
    return data


def parse_menu_items(tokens):
    """The items of one level, each marked MF_END when it is the last."""
    items = []
    tokens.take_begin()
    while not tokens.at_end():
        word = tokens.take().upper()
        if word == 'MENUITEM':
            if tokens.take_if('SEPARATOR'):
                items.append(struct.pack('<HH', 0, 0) + utf16z(''))
                continue
            text = tokens.take_string()
            tokens.take_comma()
            item_id = tokens.take_number()
            options = 0
            while tokens.take_if(','):
                options |= MENU_OPTIONS[tokens.take().upper()]
            items.append(struct.pack('<HH', options, item_id & 0xFFFF) + utf16z(text))
        elif word == 'POPUP':
            text = tokens.take_string()
            options = MF_POPUP
            while tokens.take_if(','):
                options |= MENU_OPTIONS[tokens.take().upper()]
            items.append((options, utf16z(text), parse_menu_items(tokens)))
        else:
            raise ScriptError(f'line {tokens.line()}: unknown menu statement {word}')
    if not items:
        raise ScriptError(f'line {tokens.line()}: an empty menu')
    return items


def build_menu_items(items):
    data = b''
    for index, item in enumerate(items):
        end = MF_END if index == len(items) - 1 else 0
        if isinstance(item, tuple):
            options, text, children = item
            data += struct.pack('<H', options | end) + text + build_menu_items(children)
        else:
            options = struct.unpack_from('<H', item)[0] | end
            data += struct.pack('<H', options) + item[2:]
    return data


def read_file(folder, name):
    path = os.path.join(folder, name)
    try:
        with open(path, 'rb') as f:
            return f.read()
    except OSError as error:
        raise ScriptError(f'cannot read {name}: {error.strerror}')


def bitmap_resource(data, name):
    if len(data) < 14 + 40 or data[:2] != b'BM':
        raise ScriptError(f'{name} is not a bitmap file')
    return data[14:]


def icon_resources(data, name, is_cursor, next_image_id):
    """The images and the group directory of an icon or cursor file."""
    kind = 2 if is_cursor else 1
    if len(data) < 6 or struct.unpack_from('<HH', data) != (0, kind):
        raise ScriptError(f'{name} is not an {"cursor" if is_cursor else "icon"} file')
    count = struct.unpack_from('<H', data, 4)[0]
    if count == 0 or len(data) < 6 + 16 * count:
        raise ScriptError(f'{name} holds no images')
    images, group = [], struct.pack('<HHH', 0, kind, count)
    for index in range(count):
        width, height, colors, _, planes_or_x, bits_or_y, size, offset = struct.unpack_from(
            '<BBBBHHII', data, 6 + 16 * index)
        if offset > len(data) or len(data) - offset < size or size < 40:
            raise ScriptError(f'{name}: image {index} lies outside the file')
        image = data[offset:offset + size]
        image_id = next_image_id + index
        if is_cursor:
            bit_count = struct.unpack_from('<H', image, 14)[0]
            images.append((image_id, struct.pack('<HH', planes_or_x, bits_or_y) + image))
            group += struct.pack('<HHHHIH', width or 256, 2 * (height or 256), 1, bit_count, size + 4, image_id)
        else:
            images.append((image_id, image))
            group += struct.pack('<BBBBHHIH', width, height, colors, 0, planes_or_x, bits_or_y, size, image_id)
    return images, group


def parse(path):
    with open(path, encoding='utf-8') as f:
        tokens = Tokens(f.read())
    folder = os.path.dirname(path)
    strings, resources = {}, {}
    next_image = {RT_ICON: 1, RT_CURSOR: 1}

    def add(resource_type, resource_id, data, line):
        key = (resource_type, resource_id & 0xFFFFFFFF)
        if key in resources:
            raise ScriptError(f'line {line}: resource {resource_id} of type {resource_type} given twice')
        resources[key] = data

    while tokens.peek() is not None:
        line = tokens.line()
        if tokens.take_if('STRINGTABLE'):
            parse_stringtable(tokens, strings)
            continue
        resource_id = tokens.take_number()
        kind = tokens.take().upper()
        if kind == 'DIALOG':
            add(RT_DIALOG, resource_id, parse_dialog(tokens), line)
        elif kind == 'MENU':
            add(RT_MENU, resource_id, struct.pack('<HH', 0, 0) + build_menu_items(parse_menu_items(tokens)), line)
        elif kind == 'BITMAP':
            name = tokens.take_string()
            add(RT_BITMAP, resource_id, bitmap_resource(read_file(folder, name), name), line)
        elif kind in ('ICON', 'CURSOR'):
            name = tokens.take_string()
            image_type = RT_CURSOR if kind == 'CURSOR' else RT_ICON
            images, group = icon_resources(read_file(folder, name), name, kind == 'CURSOR', next_image[image_type])
            next_image[image_type] += len(images)
            for image_id, image in images:
                add(image_type, image_id, image, line)
            add(RT_GROUP_CURSOR if kind == 'CURSOR' else RT_GROUP_ICON, resource_id, group, line)
        else:
            raise ScriptError(f'line {line}: unknown resource kind {kind}')
    for string_id, text in strings.items():
        resources[(RT_STRING, string_id)] = text.encode('utf-16-le')
    return resources


def build_block(resources):
    entries, data = [], b''
    header_size = 8 + 16 * len(resources)
    for (resource_type, resource_id) in sorted(resources):
        payload = resources[(resource_type, resource_id)]
        data = pad4(data)
        entries.append(struct.pack('<HHIII', resource_type, 0, resource_id, header_size + len(data), len(payload)))
        data += payload
    return b'VXRS' + struct.pack('<I', len(resources)) + b''.join(entries) + data


def main():
    if len(sys.argv) != 3:
        sys.exit('usage: compile_resources.py <script.rc> <out.cpp>')
    try:
        block = build_block(parse(sys.argv[1]))
    except ScriptError as error:
        sys.exit(f'{sys.argv[1]}: {error}')
    rows = [', '.join(f'0x{b:02X}' for b in block[i:i + 16]) for i in range(0, len(block), 16)]
    with open(sys.argv[2], 'w', encoding='ascii') as f:
        f.write(f'// Generated from {os.path.basename(sys.argv[1])} by compile_resources.py. Do not edit.\n')
        f.write(f'extern const unsigned char vexlResourceBlock[{len(block)}];\n')
        f.write('__attribute__((section(".vexl.rsrc"), used, aligned(4)))\n')
        f.write(f'const unsigned char vexlResourceBlock[{len(block)}] = {{\n')
        f.write(''.join(f'    {row},\n' for row in rows))
        f.write('};\n')


if __name__ == '__main__':
    main()
