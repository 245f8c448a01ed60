#!/usr/bin/env python3
"""The layer check: every file of src/ belongs to one room, includes only its
own room and the rooms below it that it depends on, never a file of tools/ or
tests/, and a core room includes no Qt header.

The table of rooms is the one src/CMakeLists.txt writes from its
pellorin_room() declarations (rooms.txt in the build tree), one line a room:
    NAME|DIR|KIND|DEP,DEP,...|SOURCE,SOURCE,...

    check_layers.py ROOMS_TXT SOURCE_ROOT
    check_layers.py --self-test
"""
import os
import re
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
QT_HEADER = re.compile(r'^(Q[A-Z]\w*|Qt\w*/.*|Qt\w*)$')


def read_table(path):
    rooms = {}
    order = []
    with open(path) as f:
        for line in f:
            line = line.rstrip('\n')
            if not line:
                continue
            name, folder, kind, deps, sources = (line.split('|') + [''] * 5)[:5]
            rooms[name] = {
                'dir': folder,
                'qt': kind == 'qt',
                'deps': [d for d in deps.split(',') if d],
                'stems': {os.path.splitext(s)[0] for s in sources.split(',') if s},
            }
            order.append(name)
    return rooms, order


def closure(rooms):
    below = {}
    def visit(name):
        if name in below:
            return below[name]
        below[name] = set()
        for d in rooms[name]['deps']:
            below[name] |= {d} | visit(d)
        return below[name]
    for name in rooms:
        visit(name)
    return below


def room_of(rel, rooms, order):
    """The room of a file given relative to src/, or None."""
    folder = os.path.dirname(rel)
    stem = os.path.splitext(os.path.basename(rel))[0]
    here = [n for n in order if rooms[n]['dir'] == folder]
    for n in here:
        if stem in rooms[n]['stems']:
            return n
    return here[0] if here else None


def check(table, root):
    rooms, order = read_table(table)
    below = closure(rooms)
    src = os.path.join(root, 'src')
    faults = []
    for dirpath, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith(('.h', '.hpp', '.cpp', '.cc')):
                continue
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, src)
            room = room_of(rel, rooms, order)
            if room is None:
                faults.append(f'src/{rel}: belongs to no room (declare its folder with pellorin_room)')
                continue
            with open(path, encoding='utf-8', errors='replace') as f:
                text = f.read()
            for kind, target in INCLUDE.findall(text):
                if kind == '<':
                    if not rooms[room]['qt'] and QT_HEADER.match(target):
                        faults.append(f'src/{rel}: core room {room} includes the Qt header <{target}>')
                    continue
                if os.path.isfile(os.path.join(src, target)):
                    other = room_of(target, rooms, order)
                elif os.path.isfile(os.path.join(dirpath, target)):
                    other = room_of(os.path.relpath(os.path.join(dirpath, target), src), rooms, order)
                else:
                    where = 'tools/ or tests/' if any(
                        os.path.isfile(os.path.join(root, top, target)) for top in ('tools', 'tests')) \
                        else 'no room'
                    faults.append(f'src/{rel}: includes "{target}", which is in {where}')
                    continue
                if other is None:
                    faults.append(f'src/{rel}: includes "{target}", which belongs to no room')
                elif other != room and other not in below[room]:
                    faults.append(f'src/{rel}: room {room} includes "{target}" of room {other}, '
                                  f'which it does not depend on')
    return faults


def self_test():
    """The check finds each kind of fault in a small tree, and nothing in a clean one."""
    with tempfile.TemporaryDirectory() as root:
        def put(rel, text=''):
            os.makedirs(os.path.dirname(os.path.join(root, rel)), exist_ok=True)
            with open(os.path.join(root, rel), 'w') as f:
                f.write(text)
        put('src/low/Low.h', '#include <vector>\n')
        put('src/low/Low.cpp', '#include "low/Low.h"\n')
        put('src/mid/Mid.cpp', '#include "low/Low.h"\n#include <QString>\n#include "high/High.h"\n'
                               '#include "Helper.h"\n')
        put('src/high/High.h', '#include <QWidget>\n#include "mid/Mid.h"\n')
        put('src/mid/Mid.h')
        put('src/stray/Stray.cpp')
        put('tools/Helper.h')
        table = os.path.join(root, 'rooms.txt')
        with open(table, 'w') as f:
            f.write('low|low|core||Low.cpp\nmid|mid|core|low|Mid.cpp\nhigh|high|qt|mid|\n')
        faults = check(table, root)
        expected = ['src/mid/Mid.cpp: core room mid includes the Qt header <QString>',
                    'src/mid/Mid.cpp: room mid includes "high/High.h" of room high',
                    'src/mid/Mid.cpp: includes "Helper.h", which is in tools/ or tests/',
                    'src/stray/Stray.cpp: belongs to no room']
        missing = [e for e in expected if not any(f.startswith(e) for f in faults)]
        if missing or len(faults) != len(expected):
            print('self-test failed; found:', *faults, 'missing:', *missing, sep='\n  ')
            return 1
    return 0


def main(argv):
    if argv[1:] == ['--self-test']:
        return self_test()
    if len(argv) != 3:
        print(__doc__)
        return 2
    faults = check(argv[1], argv[2])
    for f in faults:
        print(f)
    print(f'layer check: {len(faults)} fault(s)')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
