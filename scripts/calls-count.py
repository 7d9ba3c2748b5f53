#!/usr/bin/env python3
"""Reads a wineserver trace (wineserver -d1) and prints, for every kind of operation that
calls_bench marked, the server requests one operation of the marking process makes, the
difference to its reference path, and the request types that make that difference.

Requests are attributed to a process by thread: its first thread through the pid the server
gives it (the reply to init_first_thread), every other one through the new_thread request that
made it in the current process (process=ffffffff), so worker threads count with their process
and thread ids that other processes reuse later do not.

Per kind it takes the fewest requests any of its operations made: an asynchronous completion
that arrives while its thread is still running costs a wake-up signal and one to three
requests more, depending on timing alone, so the fewest is the count that does not depend on
timing. Only a kind where no operation of a run escaped the race differs from run to run:
seen with the layer's overlapped pairs (one request more now and then) and with a lookup whose
lines go to a console (its write is answered by Wine's console host process; up to three
more)."""
import collections
import re
import sys

REQUEST = re.compile(r'^([0-9a-f]+): ([a-z_]+)\( (.*)$')
FIRST_THREAD = re.compile(r'^([0-9a-f]+): init_first_thread\(\) = \w+ \{.*?\bpid=([0-9a-f]+)')
NEW_THREAD = re.compile(r'^([0-9a-f]+): new_thread\(\) = 0 \{ tid=([0-9a-f]+)')
MARKER = re.compile(r'name=L"calls-(op|idle|end):([a-z-]+)"')
CODE = re.compile(r'\bcode=([A-Za-z0-9_()]+)')

# The reference of each kind: the same operation without the layer (or with it doing nothing).
REFERENCE = {
    'filtering-off': 'bare',
    'allowed-word': 'bare',
    'blocked-word-unread': 'bare-unread',
    'block-page': 'bare',
    'category-lookup': 'bare',
    'category-cached': 'allowed-word',
    'overlapped-layer': 'overlapped-bare',
    'connectex-layer': 'connectex-bare',
    'time-allowed': 'allowed-word',
    'time-blocked': 'block-page',
}


def request_type(name, args):
    if name == 'ioctl':
        code = CODE.search(args)
        return 'ioctl ' + (code.group(1) if code else '?')
    return name


class Kind:
    def __init__(self, ops):
        totals = [sum(op.values()) for op in ops]
        self.ops = len(ops)
        self.fewest = min(totals)
        typical = [op for op, total in zip(ops, totals) if total == self.fewest]
        self.types = collections.Counter()
        for op in typical:
            self.types.update(op)
        self.types = {t: c / len(typical) for t, c in self.types.items()}


def main():
    path = sys.argv[1]
    title = sys.argv[2] if len(sys.argv) > 2 else path
    pid_of = {}
    made_in = {}
    idle_thread = None
    process = None
    current = None
    ops = collections.OrderedDict()
    with open(path, errors='replace') as trace:
        for line in trace:
            first = FIRST_THREAD.match(line)
            if first:
                pid_of[first.group(1)] = first.group(2)
                continue
            made = NEW_THREAD.match(line)
            if made:
                pid_of[made.group(2)] = made_in.pop(made.group(1), None)
                continue
            request = REQUEST.match(line)
            if not request:
                continue
            tid, name, args = request.groups()
            if name == 'new_thread':
                # A thread made for another process (its first, at CreateProcess) is named by
                # that process's handle; only the pseudo-handle means the requester's own.
                own = re.search(r'\bprocess=ffffffff\b', args)
                made_in[tid] = pid_of.get(tid) if own else None
            if name == 'create_event':
                marker = MARKER.search(args)
                if marker:
                    process = pid_of.get(tid)
                    what = marker.group(1)
                    if what == 'op':
                        current = collections.Counter()
                        ops.setdefault(marker.group(2), []).append(current)
                    elif what == 'end':
                        current = None
                    # After "idle" the marking thread only waits for the others to finish.
                    idle_thread = tid if what == 'idle' else None
                    continue
            if (current is not None and process is not None and pid_of.get(tid) == process
                    and tid != idle_thread):
                current[request_type(name, args)] += 1
    if not ops:
        sys.exit('calls-count: no marked operations in ' + path)

    kinds = {name: Kind(kind_ops) for name, kind_ops in ops.items()}
    n = min(k.ops for k in kinds.values())
    print(f'{title}: wineserver requests per operation (the fewest of {n} operations)')
    print(f'  {"kind":<21}{"per op":>7}{"beyond":>8}  {"over":<16}top request types')
    for name, kind in kinds.items():
        ref = kinds.get(REFERENCE.get(name, ''))
        if ref:
            beyond = f'{kind.fewest - ref.fewest:+d}'
            keys = set(kind.types) | set(ref.types)
            diff = {t: kind.types.get(t, 0) - ref.types.get(t, 0) for t in keys}
            top = sorted((d for d in diff.items() if abs(d[1]) >= 0.05),
                         key=lambda d: (-abs(d[1]), d[0]))[:6]
            detail = ', '.join(f'{t} {v:+g}' for t, v in top)
            over = REFERENCE[name]
        else:
            beyond, over = '', ''
            top = sorted(kind.types.items(), key=lambda d: (-d[1], d[0]))[:6]
            detail = ', '.join(f'{t} {v:g}' for t, v in top)
        print(f'  {name:<21}{kind.fewest:7d}{beyond:>8}  {over:<16}{detail}')


if __name__ == '__main__':
    main()
