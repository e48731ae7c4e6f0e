#!/usr/bin/env python3
"""Turns the model tables (*.tsv in this folder) into C++.

Writes <out>/common/core/item_ids.h (item ids, symbol keys and constants by
name), <out>/common/core/item_rules.h (the rule table of the private items)
and <out>/modeldb_tables.cpp (the static tables of the model database).
Refuses tables that break the rules of the model: ids contiguous in their two
runs, area 1 equal to the DEVMODE as it travels, every item inside its area,
no overlaps except bit items sharing their word, unique names and symbol
keys, every symbol's item present, value maps that end where they should,
and the identity defaults that the driver's own DEVMODEs must carry.
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))  # the tables; --tables DIR reads another folder

# Area 1 is the DEVMODE as it travels and area 2 keeps the size every stored
# copy has; area 3 (work items, never travelling) is sized to hold its items.
AREA_SIZES = {1: 1236, 2: 5264, 3: 4608}
# Where each area begins in the store. Heap addresses are placed 8-byte aligned
# in the store, not merely in their area, so that they are read as whole words.
AREA_BASES = {1: 0, 2: AREA_SIZES[1], 3: AREA_SIZES[1] + AREA_SIZES[2]}
ID_RUNS = ()  # (first, last) of the two runs of item ids, from item_runs.tsv
PUBLIC_DEVMODE_SIZE = 220
TYPES = {  # name: (code, natural alignment)
    'raw': (0, 1), 'address': (0, 8), 'i8': (1, 1), 'i16': (2, 2), 'i32': (3, 4), 'u8': (4, 1),
    'u16': (5, 2), 'u32': (6, 4), 'ansi': (10, 1), 'utf16': (11, 2),
}
FIXED_WIDTH = {'i8': 1, 'u8': 1, 'i16': 2, 'u16': 2, 'i32': 4, 'u32': 4, 'address': 8}
# Codes 7, 8, 9 and 12-15 and 48-63 are not used by this model: text is 10 or 11,
# raw bytes are 0, and every reader treats an unknown code as raw bytes.
ALLOWED_CODES = {0, 1, 2, 3, 4, 5, 6, 10, 11} | set(range(16, 48))
LANDSCAPE_MAP_ITEMS = {92, 94, 120, 121}

errors = []


def fail(msg):
    errors.append(msg)


def read_tsv(name):
    rows = []
    header = None
    with open(os.path.join(HERE, name), encoding='utf-8') as f:
        for line in f:
            line = line.rstrip('\n')
            if not line or line.startswith('#'):
                continue
            cells = line.split('\t')
            if header is None:
                header = cells
                continue
            cells += [''] * (len(header) - len(cells))
            rows.append(dict(zip(header, cells)))
    return rows


def num(text):
    return int(text, 0)


def values_of(text):
    out = []
    for part in text.split(','):
        if '..' in part:
            a, b = part.split('..')
            out.extend(range(num(a), num(b) + 1))
        elif part:
            out.append(num(part))
    return out


def wide(text):
    return 'nullptr' if text is None or text == '' else 'u"' + text + '"'


def narrow(text):
    return 'nullptr' if text is None or text == '' else '"' + text + '"'


# ---- items ---------------------------------------------------------------

def load_items():
    items = []
    for r in read_tsv('items.tsv'):
        it = {
            'id': num(r['id']), 'name': r['name'], 'enum': r['enum'] or r['name'], 'area': num(r['area']),
            'type': r['type'], 'bytes': num(r['bytes']), 'offset': num(r['offset']) if r['offset'] else None,
            'bit': num(r['bit']) if r['bit'] else None, 'persist': num(r['persist']), 'section': r['section'],
            'key': r['key'], 'emit': num(r['emit']), 'state': num(r['state']),
        }
        items.append(it)
    return items


def check_ids(items):
    expected = [i for a, b in ID_RUNS for i in range(a, b + 1)]
    got = [it['id'] for it in items]
    if got != expected:
        for pos, (e, g) in enumerate(zip(expected, got)):
            if e != g:
                fail(f'items: position {pos} holds id {g}, the runs want {e}')
                break
        if len(got) != len(expected):
            fail(f'items: {len(got)} rows, the runs want {len(expected)}')


def check_names(items):
    seen = {}
    for it in items:
        for n in {it['name'], it['enum']} - {''}:
            if n in seen and seen[n] != it['id']:
                fail(f'items: name {n} used by {seen[n]} and {it["id"]}')
            seen[n] = it['id']


def type_code(it):
    if it['type'] == 'bit':
        return 16 + it['bit']
    if it['type'] not in TYPES:
        fail(f'item {it["id"]}: unknown type {it["type"]}')
        return 0
    return TYPES[it['type']][0]


def lay_out(items):
    """Gives every item of areas 2 and 3 without an offset the next free place."""
    cursor = {2: 0, 3: 0}
    family_word = {}
    for it in items:
        area = it['area']
        if it['type'] == 'bit':
            if it['bit'] is None or not 0 <= it['bit'] < 8 * it['bytes'] or it['bytes'] not in (1, 2, 4):
                fail(f'item {it["id"]}: bit {it["bit"]} does not fit a word of {it["bytes"]} bytes')
                it['bit'] = 0
        if area == 1:
            if it['offset'] is None:
                fail(f'item {it["id"]}: area-1 items need their DEVMODE offset')
            continue
        if it['offset'] is not None:
            cursor[area] = max(cursor[area], it['offset'] + it['bytes'])
            continue
        if it['type'] == 'bit':
            if it['bit'] == 0:
                align = it['bytes']
                off = (cursor[area] + align - 1) // align * align
                cursor[area] = off + it['bytes']
                family_word[area] = (off, it['bytes'])
            else:
                if area not in family_word or family_word[area][1] != it['bytes']:
                    fail(f'item {it["id"]}: bit item outside a family that starts with bit 0')
                    continue
                off = family_word[area][0]
            it['offset'] = off
            continue
        align = TYPES.get(it['type'], (0, 1))[1]
        base = AREA_BASES[area] % align
        off = (cursor[area] + base + align - 1) // align * align - base
        it['offset'] = off
        cursor[area] = off + it['bytes']
    return cursor


def check_widths(items):
    for it in items:
        t = it['type']
        if t in FIXED_WIDTH and it['bytes'] != FIXED_WIDTH[t]:
            fail(f'item {it["id"]}: type {t} is {FIXED_WIDTH[t]} bytes, not {it["bytes"]}')
        if it['bytes'] <= 0:
            fail(f'item {it["id"]}: no length')
        if t == 'utf16' and it['bytes'] % 2:
            fail(f'item {it["id"]}: UTF-16 text of odd length')
        if type_code(it) not in ALLOWED_CODES:
            fail(f'item {it["id"]}: type code {type_code(it)} is not used by this model')


def check_areas(items, runs):
    for it in items:
        i = it['id']
        want = area_of_id(runs, i)
        if want is not None and it['area'] != want:
            fail(f'item {i}: area {it["area"]}, the catalogue puts it in area {want}')
        if it['offset'] is None:
            continue
        if it['type'] == 'address' and (AREA_BASES[it['area']] + it['offset']) % 8:
            fail(f'item {i}: a heap address at store offset {AREA_BASES[it["area"]] + it["offset"]}, '
                 'not 8-byte aligned')
        if it['offset'] + it['bytes'] > AREA_SIZES[it['area']]:
            fail(f'item {i}: ends at {it["offset"] + it["bytes"]}, past area {it["area"]} '
                 f'({AREA_SIZES[it["area"]]} bytes)')


def check_overlaps(items):
    for area in (1, 2, 3):
        owner = {}
        for it in items:
            if it['area'] != area or it['offset'] is None:
                continue
            for b in range(it['offset'], it['offset'] + it['bytes']):
                prev = owner.get(b)
                if prev is None:
                    owner[b] = it
                    continue
                shared = (prev['type'] == 'bit' and it['type'] == 'bit' and prev['offset'] == it['offset']
                          and prev['bytes'] == it['bytes'])
                if not shared:
                    fail(f'items {prev["id"]} and {it["id"]} overlap at byte {b} of area {area}')
                    break
                if prev['bit'] == it['bit']:
                    fail(f'items {prev["id"]} and {it["id"]} are the same bit of one word')
                    break


LAYOUT_TYPES = {'u8': 'u8', 'u16': 'u16', 'u32': 'u32', 'i8': 'i8', 'i16': 'i16', 'ansi': 'ansi',
                'utf16': 'utf16'}


def check_devmode(items):
    """Area 1 must be exactly the DEVMODE as it travels."""
    by_id = {it['id']: it for it in items}
    rows = read_tsv('devmode_layout.tsv')
    pos = 0
    covered = set()
    for r in rows:
        off, width, kind, first, last = num(r['offset']), num(r['width']), r['kind'], num(r['first']), num(r['last'])
        if kind == 'tail':  # the tail's one-byte items follow as their own rows
            continue
        if off != pos:
            fail(f'DEVMODE layout: row at {off}, the previous one ends at {pos}')
        pos = off + width
        if kind in ('signature', 'header', 'reserved'):
            continue
        for i in range(first, last + 1):
            it = by_id.get(i)
            covered.add(i)
            if it is None:
                fail(f'DEVMODE layout: item {i} missing')
                continue
            if it['offset'] != off or it['bytes'] != width:
                fail(f'item {i}: at {it["offset"]} ({it["bytes"]} bytes), the DEVMODE has it at {off} ({width})')
            if kind in ('bit', 'bits'):
                if it['type'] != 'bit' or it['bit'] != i - first:
                    fail(f'item {i}: should be bit {i - first} of the word at {off}')
            elif it['type'] != LAYOUT_TYPES[kind]:
                fail(f'item {i}: type {it["type"]}, the DEVMODE has {kind}')
    if pos != AREA_SIZES[1]:
        fail(f'DEVMODE layout ends at {pos}, not {AREA_SIZES[1]}')
    for it in items:
        if it['area'] == 1 and it['id'] not in covered:
            fail(f'item {it["id"]}: in area 1 but not in the DEVMODE layout')


# ---- item runs -------------------------------------------------------------

def load_item_runs():
    """The runs of item ids (item_runs.tsv): the two that hold every id, and the groups the code names."""
    runs, names = [], set()
    for r in read_tsv('item_runs.tsv'):
        run = {'name': r['name'], 'first': num(r['first']), 'last': num(r['last']),
               'area': num(r['area']) if r['area'] else None}
        if run['name'] in names:
            fail(f'item runs: {run["name"]} twice')
        names.add(run['name'])
        if run['first'] > run['last']:
            fail(f'item runs: {run["name"]} ends before it begins')
        if run['area'] is not None and run['area'] not in AREA_SIZES:
            fail(f'item runs: {run["name"]} names area {run["area"]}, which does not exist')
        runs.append(run)
    return runs


def id_runs_of(runs):
    """The two runs that hold every item id, in order."""
    by_name = {r['name']: r for r in runs}
    if 'FirstItemRun' not in by_name or 'SecondItemRun' not in by_name:
        fail('item runs: FirstItemRun and SecondItemRun must both be given')
        return ID_RUNS
    ends = tuple((by_name[n]['first'], by_name[n]['last']) for n in ('FirstItemRun', 'SecondItemRun'))
    for r in runs:
        if not any(a <= r['first'] and r['last'] <= b for a, b in ends):
            fail(f'item runs: {r["name"]} ({r["first"]} to {r["last"]}) reaches past the item ids')
    return ends


def area_of_id(runs, item_id):
    """The area the runs put an item in; every item must lie in runs of one area."""
    areas = {r['area'] for r in runs if r['area'] is not None and r['first'] <= item_id <= r['last']}
    if len(areas) != 1:
        fail(f'item {item_id}: the item runs put it in areas {sorted(areas)}, not in one')
        return None
    return areas.pop()


def write_if_changed(path, text):
    """Writes the file only when its text changes, so that a table edit
    rebuilds only what reads the outputs that changed."""
    try:
        with open(path, encoding='utf-8') as f:
            if f.read() == text:
                return
    except FileNotFoundError:
        pass
    with open(path, 'w', encoding='utf-8') as f:
        f.write(text)


def write_item_layout(path, items, runs):
    """Where the code finds items without the table: the id runs it names, the
    header fields of the private DEVMODE that are no items, and each item's
    offset in the settings store."""
    o = ['// Generated from common/core/modeldb/item_runs.tsv, devmode_layout.tsv and items.tsv by generate.py.',
         '// Do not edit.', '#pragma once', '', '#include <cstdint>', '', 'namespace vexl {', '',
         '// A run of item ids; both ends belong to it.',
         'struct ItemIdRun {', '    std::uint16_t first;', '    std::uint16_t last;',
         '    constexpr bool Holds(std::uint32_t id) const { return id >= first && id <= last; }',
         '    constexpr int Count() const { return last - first + 1; }', '};', '']
    o += [f'inline constexpr ItemIdRun k{r["name"]} = {{{r["first"]}, {r["last"]}}};' for r in runs]
    o += ['', '// The fields of the private DEVMODE header that are no items, offsets from the DEVMODE start.']
    for r in read_tsv('devmode_layout.tsv'):
        if r['kind'] in ('signature', 'header') and r.get('field'):
            o.append(f'inline constexpr std::uint32_t kDevmode{r["field"]}Offset = {num(r["offset"])};')
    o += ['', '// Where each item begins in the settings store (its area\'s base plus its offset), by position.',
          'inline constexpr std::uint32_t kItemStoreOffsets[] = {']
    offsets = [AREA_BASES[it['area']] + (it['offset'] or 0) for it in items]
    o += ['    ' + ', '.join(str(v) for v in offsets[i:i + 16]) + ',' for i in range(0, len(offsets), 16)]
    o += ['};', '',
          '// The store offset of an item, for layouts the code spells out (an id outside the runs does not compile).',
          'consteval std::uint32_t ItemStoreOffset(std::uint16_t id) {',
          '    return kItemStoreOffsets[kFirstItemRun.Holds(id) ? id - kFirstItemRun.first',
          '                                                     : kFirstItemRun.Count() + (id - kSecondItemRun.first)];',
          '}', '', '}  // namespace vexl', '']
    write_if_changed(path, '\n'.join(o))


# ---- the other tables ------------------------------------------------------

def load_symbols(items):
    by_id = {it['id']: it for it in items}
    rows = read_tsv('symbols.tsv')
    keys, names = set(), set()
    for r in rows:
        k, item, name = num(r['key']), num(r['item']), r['name']
        if k in keys:
            fail(f'symbols: key {k} twice')
        if name in names:
            fail(f'symbols: name {name} twice')
        keys.add(k)
        names.add(name)
        if item and item not in by_id:
            fail(f'symbols: {name} names item {item}, which does not exist')
        if r['bound'] == '1':
            if not item:
                fail(f'symbols: {name} is bound but names no item')
            elif by_id[item].get('symbol'):
                fail(f'symbols: item {item} is bound to two symbols')
            else:
                by_id[item]['symbol'] = k
    return rows


def load_value_maps(items):
    by_id = {it['id']: it for it in items}
    maps = {}
    for r in read_tsv('value_maps.tsv'):
        item, lst, stored, option = num(r['item']), num(r['list']), num(r['stored']), num(r['option'])
        if item not in by_id:
            fail(f'value maps: item {item} does not exist')
            continue
        if lst not in (1, 2) or (lst == 2 and item not in LANDSCAPE_MAP_ITEMS):
            fail(f'value maps: item {item} has no list {lst}')
        if option == 0:
            fail(f'value maps: item {item} maps {stored} to option 0, which would end the list')
        if not 0 < option <= 0xFFFF:
            fail(f'value maps: option {option} of item {item} is not 16 bits')
        rows = maps.setdefault(item, {1: [], 2: []})[lst]
        if any(s == stored for s, _ in rows):
            fail(f'value maps: item {item} list {lst} maps {stored} twice')
        rows.append((stored, option))
    for item, lists in maps.items():
        if not lists[1]:
            fail(f'value maps: item {item} has no first list')
        if item in LANDSCAPE_MAP_ITEMS and not lists[2]:
            fail(f'value maps: item {item} needs its landscape list too')
    return maps


def load_model():
    return {r['key']: r['value'] for r in read_tsv('model.tsv')}


def check_identity(items, model, symbols):
    by_name = {it['enum']: it for it in items}
    family = num(model['machineFamily'])
    sub = num(model['machineSubCode'])
    if num(model['default.rdmMachineID']) != family:
        fail('model: the default of rdmMachineID must be the machine family code')
    if sub in (0, 1) and num(model['default.rdmDriverType']) != sub:
        fail('model: the default of rdmDriverType must agree with the machine sub-code, '
             'or the driver refuses its own DEVMODEs')
    if not by_name['rdmDriverType'].get('symbol'):
        fail('model: rdmDriverType must carry its UI symbol so that its default comes from the description')
    if len(model['modelTag']) != 4:
        fail('model: the model tag is four characters')


def item_query_rows():
    rows = read_tsv('item_query.tsv')
    skip = {num(r['first']) for r in rows if r['kind'] == 'skip'}
    out = []
    code = 10000
    for r in rows:
        if r['kind'] != 'run':
            continue
        for item in range(num(r['first']), num(r['last']) + 1):
            while code in skip:
                code += 1
            out.append((code, item))
            code += 1
    return out


# ---- page items --------------------------------------------------------------

def page_items_by_page(items, pages):
    pos_of = {it['id']: p for p, it in enumerate(items)}
    id_of = {it['enum']: it['id'] for it in items}
    page_ids = {num(r['id']) for r in pages}
    syms = {r['name'] for r in read_tsv('symbols.tsv')}
    out = {}
    for r in read_tsv('page_items.tsv'):
        page = num(r['page'])
        if page not in page_ids:
            fail(f'page items: page {page} does not exist')
            continue
        if r['symbol'] and r['symbol'] not in syms:
            fail(f'page items: control {r["control"]} names the symbol {r["symbol"]}, which does not exist')
        r['bound'] = 'nullptr'
        if r['item']:
            if r['item'] not in id_of:
                fail(f'page items: control {r["control"]} binds {r["item"]}, which is no item')
            else:
                r['bound'] = f'&items[{pos_of[id_of[r["item"]]]}]'
        rows = out.setdefault(page, [])
        if any(num(x['control']) == num(r['control']) for x in rows):
            fail(f'page items: control {r["control"]} twice on page {page}')
        rows.append(r)
    return out


# ---- PJL option tables ---------------------------------------------------------

PJL_SOURCES = {'own': 0, 'model': 1}
PJL_KINDS = {'enum': 1, 'numeric': 8, 'string': 0x10}
PJL_FLAGS = {'': 0, 'neutral': 1, 'alias': 0x10, 'never': 0x100}
WATERMARK_SELECTORS = {'text': 0, 'image': 1, 'any': 0xFFFF}
WATERMARK_FORMATS = {'string': 1, 'boolean': 2, 'numeric': 3, 'enumeration': 4, 'literal': 5}


def item_by_name(items, name, where):
    for it in items:
        if it['enum'] == name:
            return it['id']
    fail(f'{where}: {name} is no item')
    return 0


def parse_condition(items, text, where):
    """item=v|v & item=v: the nodes of one OR group are joined by 0, a group ends with 1."""
    nodes = []
    for group in (g.strip() for g in text.split('&') if g.strip()):
        if '=' not in group:
            fail(f'{where}: condition {group} is not item=value')
            continue
        name, values = group.split('=', 1)
        item = item_by_name(items, name.strip(), where)
        vals = [num(v) for v in values.split('|')]
        for k, v in enumerate(vals):
            nodes.append((1 if k == len(vals) - 1 else 0, item, v))
    return nodes


def parse_sides(items, text, where):
    sides = []
    for part in (p.strip() for p in text.split(',') if p.strip()):
        if ':=' not in part:
            fail(f'{where}: side setting {part} is not item:=value')
            continue
        name, value = part.split(':=', 1)
        sides.append((item_by_name(items, name.strip(), where), num(value)))
    return sides


def pjl_tables(items):
    o = []
    counter = [0]

    def emit_condition(nodes):
        if not nodes:
            return 'nullptr'
        counter[0] += 1
        name = f'kCondition{counter[0]}'
        body = []
        for k, (conn, item, value) in enumerate(nodes):
            nxt = f'&{name}[{k + 1}]' if k + 1 < len(nodes) else 'nullptr'
            body.append(f'{{{nxt}, {conn}, {item}, {value}}}')
        o.append(f'static const SettingCondition {name}[{len(nodes)}] = {{' + ', '.join(body) + '};')
        return name

    lists = {}
    for r in read_tsv('pjl_options.tsv'):
        where = f'PJL option {r["list"]} {r["word"]}'
        if r['flags'] not in PJL_FLAGS:
            fail(f'{where}: unknown flags {r["flags"]}')
        lists.setdefault(r['list'], []).append(r)
    list_names = {}
    for lst, rows in lists.items():
        cells = []
        for r in rows:
            where = f'PJL option {lst} {r["word"]}'
            sides = parse_sides(items, r['sides'], where)
            side_name = 'nullptr'
            if sides:
                counter[0] += 1
                side_name = f'kSides{counter[0]}'
                o.append(f'static const PjlSideSetting {side_name}[{len(sides)}] = {{'
                         + ', '.join(f'{{{i}, {v}}}' for i, v in sides) + '};')
            cond = emit_condition(parse_condition(items, r['condition'], where))
            cells.append(f'{{0x{PJL_FLAGS.get(r["flags"], 0):X}, {num(r["value"])}u, "{r["word"]}", '
                         f'{len(sides)}, {side_name}, {cond}}}')
        counter[0] += 1
        list_names[lst] = (f'kPjlOptions{counter[0]}', len(rows))
        o.append(f'static const PjlOption kPjlOptions{counter[0]}[{len(rows)}] = {{')
        o += [f'    {c},' for c in cells]
        o.append('};')

    variables = read_tsv('pjl_variables.tsv')
    rows = []
    names = set()
    used_lists = set()
    for r in variables:
        where = f'PJL variable {r["name"]}'
        if r['name'] in names:
            fail(f'{where}: named twice')
        names.add(r['name'])
        item = item_by_name(items, r['item'], where)
        if r['source'] not in PJL_SOURCES or r['kind'] not in PJL_KINDS:
            fail(f'{where}: unknown source {r["source"]} or kind {r["kind"]}')
        access = num(r['access'])
        if access == 0 or access & ~7:
            fail(f'{where}: access {access} is not a mask of 1, 2 and 4')
        opts, count = 'nullptr', 0
        if r['source'] == 'own':
            if r['options'] not in list_names:
                fail(f'{where}: option list {r["options"]} does not exist')
            else:
                opts, count = list_names[r['options']]
                used_lists.add(r['options'])
        elif r['options']:
            fail(f'{where}: a model-defined variable takes its options from the model')
        listing = emit_condition(parse_condition(items, r['listing'], where))
        rows.append(f'    {{{item}, 0, {PJL_SOURCES.get(r["source"], 0)}, {access}, {PJL_KINDS.get(r["kind"], 0)}, '
                    f'"{r["name"]}", {count}, {opts}, {listing}}},')
    for lst in set(list_names) - used_lists:
        fail(f'PJL options: list {lst} belongs to no variable')
    o.append(f'const PjlVariable pjlVariables[{len(rows)}] = {{')
    o += rows
    o += ['};', f'const std::int16_t pjlVariableCount = {len(rows)};', '']

    fields = read_tsv('watermark_fields.tsv')
    o.append(f'const WatermarkField watermarkFields[{len(fields)}] = {{')
    for r in fields:
        where = f'watermark field {r["item"] or r["format"]}'
        if r['selector'] not in WATERMARK_SELECTORS or r['format'] not in WATERMARK_FORMATS:
            fail(f'{where}: unknown selector {r["selector"]} or format {r["format"]}')
        if (r['format'] == 'literal') != (r['item'] == ''):
            fail(f'{where}: only the literal line has no item')
        item = item_by_name(items, r['item'], where) if r['item'] else 0
        o.append(f'    {{{WATERMARK_SELECTORS.get(r["selector"], 0)}, {num(r["skip"])}, '
                 f'{WATERMARK_FORMATS.get(r["format"], 0)}, {item}}},')
    o += ['};', f'const int watermarkFieldCount = {len(fields)};', '']
    return o


# ---- the default and validation rules of the private items -----------------------

RULES_WITH_LIST = {'KeepAllowedOrDefault', 'KeepAllowedOrModelDefault', 'KeepResolutionOrDefault'}


def check_item_rules(items):
    """A rule that keeps allowed values needs the item's list, and the list its default;
    a rule runs only for an item without a UI symbol."""
    by_id = {it['id']: it for it in items}
    lists = {num(r['item']): set(values_of(r['values'])) for r in read_tsv('value_lists.tsv')}
    previous = 0
    for r in read_tsv('item_rules.tsv'):
        i = num(r['item'])
        if i <= previous:
            fail(f'item rules: {r["name"]} is out of item order, or named twice')
        previous = i
        it = by_id.get(i)
        if it is None or it['enum'] != r['name']:
            fail(f'item rules: item {i} is not {r["name"]}')
            continue
        if not 35 <= i <= 615:
            fail(f'item rules: {r["name"]} is not a private item of the rules')
        if r['rule'] in RULES_WITH_LIST:
            if i not in lists:
                fail(f'item rules: {r["name"]} keeps allowed values but has no value list, '
                     'so every merge would reset it')
            elif r['default'] and num(r['default']) not in lists[i]:
                fail(f'item rules: the default {r["default"]} of {r["name"]} is not in its value list')
        governed = r['model'] == '1'
        if governed and not it.get('symbol'):
            fail(f'item rules: {r["name"]} is governed by the description but carries no UI symbol')
        if not governed and it.get('symbol'):
            fail(f'item rules: {r["name"]} carries a UI symbol, so its rule would never run')


def write_item_rules(path):
    """The rule table of the private items: a rule id per rule name (item_handlers.cpp
    pairs each id with its handler) and one row per item that carries a rule."""
    rows = read_tsv('item_rules.tsv')
    rules = sorted({r['rule'] for r in rows})
    o = ['// Generated from common/core/modeldb/item_rules.tsv by generate.py. Do not edit.',
         '#pragma once', '', '#include <cstdint>', '', 'namespace vexl {', '',
         '// The rules of the private items, in name order.',
         'enum class ItemRule : std::uint8_t {']
    o += [f'    {rule},' for rule in rules]
    o += ['};', f'inline constexpr int kItemRuleCount = {len(rules)};', '',
          'struct ItemRuleRow {', '    std::uint16_t item;', '    ItemRule rule;', '    std::uint32_t defaultValue;', '};',
          '', '// The items that carry a rule, in item order, with the rule\'s default.',
          'inline constexpr ItemRuleRow kItemRuleRows[] = {']
    o += [f'    {{{num(r["item"])}, ItemRule::{r["rule"]}, {num(r["default"]) if r["default"] else 0}u}},  // {r["name"]}'
          for r in rows]
    o += ['};', '', '}  // namespace vexl', '']
    write_if_changed(path, '\n'.join(o))


# ---- output ----------------------------------------------------------------

def page_id_name(symbol):
    """kPage and the page's symbol in words: KSD_IDD_DIALOG_FREESIZE gives
    kPageDialogFreesize."""
    words = [w for w in symbol.split('_') if w not in ('KSD', 'IDD')]
    return 'kPage' + ''.join(w.capitalize() for w in words)


def write_header(path, items, symbols, constants, model):
    lines = [
        '// Generated from common/core/modeldb/*.tsv by generate.py. Do not edit.',
        '#pragma once',
        '',
        '#include <cstdint>',
        '',
        'namespace vexl {',
        '',
        '// Item ids by name.',
        'enum ItemId : std::uint16_t {',
    ]
    for it in items:
        if it['enum']:
            lines.append(f'    {it["enum"]} = {it["id"]},')
    lines += ['};', '', '// UI symbol keys by name.', 'enum SymbolKey : std::uint16_t {']
    for r in symbols:
        lines.append(f'    {r["name"]} = {num(r["key"])},')
    lines += ['};', '', '// Property pages (dialog templates) by name.', 'enum PageId : std::int16_t {']
    for r in read_tsv('pages.tsv'):
        lines.append(f'    {page_id_name(r["symbol"])} = {num(r["id"])},')
    lines += ['};', '', '// Option and string constants by name.']
    seen = set()
    for r in constants:
        if r['name'] in seen:
            continue
        seen.add(r['name'])
        lines.append(f'inline constexpr std::uint32_t {r["name"]} = {num(r["value"])};')
    addresses = [it['enum'] for it in items if it['type'] == 'address']
    lines += [
        '',
        '// Identity of the model.',
        f'inline constexpr std::uint8_t kModelMachineFamily = {num(model["machineFamily"])};',
        f'inline constexpr std::uint8_t kModelMachineSubCode = {num(model["machineSubCode"])};',
        f'inline constexpr std::uint32_t kModelPrivateVersion = {num(model["privateVersion"])};',
        f'inline constexpr char kModelTag[5] = "{model["modelTag"]}";',
        f'inline constexpr std::uint32_t kDefaultDriverType = {num(model["default.rdmDriverType"])};',
        '',
        '// Sizes of the areas of the settings store.',
        f'inline constexpr std::uint32_t kModelArea1Size = {AREA_SIZES[1]};',
        f'inline constexpr std::uint32_t kModelArea2Size = {AREA_SIZES[2]};',
        f'inline constexpr std::uint32_t kModelArea3Size = {AREA_SIZES[3]};',
        '',
        '// Items whose value is a heap address of this process: never written out, never trusted when read.',
        'inline constexpr std::uint16_t kHeapAddressItems[] = {' + ', '.join(addresses) + '};',
        '',
        f'inline constexpr int kModelItemCount = {len(items)};',
        '',
        '}  // namespace vexl',
        '',
    ]
    write_if_changed(path, '\n'.join(lines))


def lookup_indexes(symbols, consts_a, consts_b):
    """Sorted indexes of the symbol and constant tables, so that a lookup by
    key or name is a binary search. Equal keys keep table order, so the
    first match is the one a scan of the tables would find."""
    def int16(v):
        return ((v + 0x8000) & 0xFFFF) - 0x8000

    def name_key(text):
        return text.encode('utf-8')

    o = []
    by_key = sorted(range(len(symbols)), key=lambda i: num(symbols[i]['key']) & 0xFFFF)
    o.append('const std::int16_t symbolsByKey[] = {' + ', '.join(str(i) for i in by_key) + '};')
    named = [i for i in range(len(symbols)) if symbols[i]['name']]
    by_name = sorted(named, key=lambda i: name_key(symbols[i]['name']))
    o.append('const std::int16_t symbolsByName[] = {' + ', '.join(str(i) for i in by_name) + '};')
    o.append(f'const std::int16_t symbolsByNameCount = {len(by_name)};')

    rows = [('constantsA', i, r) for i, r in enumerate(consts_a)] + [('constantsB', i, r) for i, r in enumerate(consts_b)]
    by_option = sorted(rows, key=lambda t: (int16(num(t[2]['item'])), num(t[2]['option']) & 0xFFFF))
    o.append('const ConstantEntry* const constantsByOption[] = {'
             + ', '.join(f'&{t}[{i}]' for t, i, _ in by_option) + '};')
    by_cname = sorted([t for t in rows if t[2]['name']], key=lambda t: name_key(t[2]['name']))
    o.append('const ConstantEntry* const constantsByName[] = {'
             + ', '.join(f'&{t}[{i}]' for t, i, _ in by_cname) + '};')
    o += [f'const std::int16_t constantsByNameCount = {len(by_cname)};', '']
    return o


def write_tables(path, items, symbols, consts_a, consts_b, maps, model):
    o = ['// Generated from common/core/modeldb/*.tsv by generate.py. Do not edit.',
         '#include "common/core/modeldb_tables.h"', '', 'namespace vexl::modeldata {', '']
    for item, lists in sorted(maps.items()):
        rows = lists[1] + [(0, 0)]
        if lists[2]:
            rows += lists[2] + [(0, 0)]
        body = ', '.join(f'{{{s}u, 0x{op:X}}}' for s, op in rows)
        o.append(f'static const ValueMapEntry kValueMap{item}[] = {{{body}}};')
    o += ['', f'ItemSideBlock itemSides[{len(items)}] = {{']
    for it in items:
        vm = f'kValueMap{it["id"]}' if it['id'] in maps else 'nullptr'
        o.append(f'    {{{vm}, {wide(it["name"])}}},')
    o += ['};', '', f'SettingItemDescriptor items[{len(items)}] = {{']
    for pos, it in enumerate(items):
        tw = (it['area'] << 30) | (type_code(it) << 24) | it['bytes']
        o.append(f'    {{{it["id"]}, {it.get("symbol", 0)}, 0x{tw:08X}u, {it["offset"]}, {it["persist"]}, '
                 f'{wide(it["section"])}, {wide(it["key"])}, {it["emit"]}, {it["state"]}, &itemSides[{pos}], 0}},')
    o += ['};', f'const std::int16_t itemCount = {len(items)};', '']

    o.append(f'const SymbolEntry symbols[] = {{')
    for r in symbols:
        o.append(f'    {{{num(r["item"])}, {num(r["key"])}, {narrow(r["name"])}}},')
    o += ['};', f'const std::int16_t symbolCount = {len(symbols)};', '']
    for name, rows in (('constantsA', consts_a), ('constantsB', consts_b)):
        o.append(f'const ConstantEntry {name}[] = {{')
        for r in rows:
            o.append(f'    {{{num(r["item"])}, {num(r["control"])}, {num(r["option"])}, 0, {num(r["flag"])}, '
                     f'{narrow(r["name"])}, {num(r["value"])}u}},')
        o += ['};', f'const std::int16_t {name}Count = {len(rows)};', '']
    o += lookup_indexes(symbols, consts_a, consts_b)

    msgs = read_tsv('messages.tsv')
    o.append('const MessageEntry messages[] = {')
    for r in msgs:
        o.append(f'    {{{num(r["key"])}, {num(r["string"])}, 0, 0, {narrow(r["name"])}, 0}},')
    o += ['};', f'const std::int16_t messageCount = {len(msgs)};', '']

    pages = read_tsv('pages.tsv')
    sym_key = {r['name']: num(r['key']) for r in symbols}
    controls = page_items_by_page(items, pages)
    for page, rows in controls.items():
        o.append(f'static PageItem kPageItems{page}[{len(rows)}] = {{')
        for r in rows:
            # symbol, control, type, alternate, help, hover, restriction, linked, reserved, follow-up,
            # option node, item, then the run-time fields
            o.append(f'    {{{sym_key.get(r["symbol"], 0)}, {num(r["control"])}, {num(r["type"])}, 0, 0, 0, 0, 0, 0, 0, '
                     f'nullptr, {r["bound"]}, nullptr, nullptr, 0, 0, nullptr, 0, 0, 0}},')
        o.append('};')
    o.append('PageDesc pages[] = {')
    for r in pages:
        if r['symbol'] not in sym_key:
            fail(f'pages: {r["symbol"]} has no symbol')
        page = num(r['id'])
        its, count = (f'kPageItems{page}', len(controls[page])) if page in controls else ('nullptr', 0)
        o.append(f'    {{{page}, {sym_key.get(r["symbol"], 0)}, {num(r["sheets"])}, 0, '
                 f'{narrow(r["symbol"])}, {num(r["help"])}u, {its}, 0, {count}, nullptr, 0}},')
    o += ['};', f'const std::int16_t pageCount = {len(pages)};', '']

    langs = read_tsv('languages.tsv')
    o.append('const LanguageEntry languages[] = {')
    for r in langs:
        o.append(f'    {{{num(r["id"])}, {num(r["primary"])}, {num(r["sub"])}, {num(r["class"])}, '
                 f'{wide(r["code"])}}},')
    o += ['    {0xFFFF, 0, 0, 0, nullptr},', '};', '']

    o.append('const ResolutionEntry resolutions[] = {')
    for r in read_tsv('resolutions.tsv'):
        o.append(f'    {{{num(r["code"])}, {num(r["x"])}, {num(r["y"])}}},')
    o += ['    {0, 0, 0},', '};', '']

    vlists = read_tsv('value_lists.tsv')
    by_id = {it['id'] for it in items}
    item_of = {it['id']: it for it in items}
    listed = set()
    for r in vlists:
        n = num(r['item'])
        if n not in by_id:
            fail(f'value lists: item {r["item"]} does not exist')
        elif r.get('name') and r['name'] != item_of[n]['enum']:
            fail(f'value lists: item {n} is {item_of[n]["enum"]}, not {r["name"]}')
        if n in listed:
            fail(f'value lists: item {n} listed twice')
        listed.add(n)
        o.append(f'static const std::uint32_t kValues{num(r["item"])}[] = {{'
                 + ', '.join(f'{v}u' for v in values_of(r['values'])) + '};')
    o.append('const ValueList itemValueLists[] = {')
    for r in vlists:
        n = num(r['item'])
        o.append(f'    {{{n}, {len(values_of(r["values"]))}, kValues{n}}},')
    o += ['    {0, 0, nullptr},', '};', '']

    nlists = read_tsv('numbered_lists.tsv')
    for r in nlists:
        o.append(f'static const std::uint32_t kNumbered{num(r["index"])}[] = {{'
                 + ', '.join(f'{v}u' for v in values_of(r['values'])) + '};')
    o.append('const ValueList numberedValueLists[] = {')
    for pos, r in enumerate(nlists):
        if num(r['index']) != pos:
            fail(f'numbered lists: row {pos} has index {r["index"]}')
        o.append(f'    {{0xFFFF, {len(values_of(r["values"]))}, kNumbered{pos}}},')
    o += ['    {0, 0, nullptr},', '};', f'const std::int16_t numberedValueListCount = {len(nlists) + 1};', '']

    o += pjl_tables(items)

    queries = item_query_rows()
    o.append('const ItemQueryEntry itemQueries[] = {')
    for code, item in queries:
        if item not in by_id:
            fail(f'item queries: item {item} does not exist')
        o.append(f'    {{{code}, {item}}},')
    o += ['    {0, 0},', '};', '', '}  // namespace vexl::modeldata', '']
    write_if_changed(path, '\n'.join(o))
    return len(pages), len(msgs), len(langs), len(queries)


def main():
    global HERE, ID_RUNS
    args = sys.argv[1:]
    if len(args) == 3 and args[0] == '--tables':
        HERE = args[1]
        args = args[2:]
    if len(args) != 1:
        sys.exit('usage: generate.py [--tables DIR] OUTDIR')
    out = args[0]
    runs = load_item_runs()
    ID_RUNS = id_runs_of(runs)
    items = load_items()
    check_ids(items)
    check_names(items)
    check_widths(items)
    ends = lay_out(items)
    check_areas(items, runs)
    check_overlaps(items)
    check_devmode(items)
    symbols = load_symbols(items)
    consts_a = read_tsv('constants_a.tsv')
    consts_b = read_tsv('constants_b.tsv')
    maps = load_value_maps(items)
    model = load_model()
    check_identity(items, model, symbols)
    check_item_rules(items)
    const_names = set()
    for r in consts_a + consts_b:
        if r['name'] in const_names:
            fail(f'constants: {r["name"]} twice')
        const_names.add(r['name'])
        if num(r['item']) and num(r['item']) not in {it['id'] for it in items}:
            fail(f'constants: {r["name"]} names item {r["item"]}, which does not exist')
    os.makedirs(os.path.join(out, 'common', 'core'), exist_ok=True)
    counts = write_tables(os.path.join(out, 'modeldb_tables.cpp'), items, symbols, consts_a, consts_b, maps, model)
    if errors:
        for e in errors:
            print('modeldb: ' + e, file=sys.stderr)
        sys.exit(1)
    write_header(os.path.join(out, 'common', 'core', 'item_ids.h'), items, symbols, consts_a + consts_b, model)
    write_item_rules(os.path.join(out, 'common', 'core', 'item_rules.h'))
    write_item_layout(os.path.join(out, 'common', 'core', 'item_layout.h'), items, runs)
    print(f'modeldb: {len(items)} items, {counts[0]} pages, {counts[1]} messages, {counts[2]} languages, '
          f'{len(symbols)} symbols, {len(consts_a)} + {len(consts_b)} constants, {counts[3]} item queries; '
          f'area 2 uses {ends[2]} of {AREA_SIZES[2]} bytes, area 3 {ends[3]} of {AREA_SIZES[3]}')


if __name__ == '__main__':
    main()
