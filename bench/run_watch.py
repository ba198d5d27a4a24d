#!/usr/bin/env python3
"""Runs a command and watches it with everything it starts, for the benchmarks run by hand.

Prints one line: the wall time, the peak resident size of the command plus its descendants (the
offices) summed, and the peak of the command alone. With --stop-office-at N OUTDIR, once OUTDIR
holds N PDF files, one office (soffice.bin among the descendants) is stopped with SIGSTOP, as an
office that hangs; the line then also gives how long until that office was gone (replaced by the
run) and how many PDFs there were at the end.

Usage: run_watch.py [--stop-office-at N OUTDIR] -- COMMAND...
"""
import os
import signal
import subprocess
import sys
import time


def children_of():
    """Each process's children, from /proc."""
    kids = {}
    for name in os.listdir('/proc'):
        if not name.isdigit():
            continue
        try:
            with open('/proc/%s/stat' % name) as f:
                stat = f.read()
        except OSError:
            continue
        ppid = int(stat[stat.rfind(')') + 2:].split()[1])
        kids.setdefault(ppid, []).append(int(name))
    return kids


def descendants(pid):
    kids = children_of()
    out, todo = [], [pid]
    while todo:
        p = todo.pop()
        out.append(p)
        todo.extend(kids.get(p, []))
    return out


def rss_kb(pid):
    try:
        with open('/proc/%d/status' % pid) as f:
            for line in f:
                if line.startswith('VmRSS:'):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def command_name(pid):
    try:
        with open('/proc/%d/comm' % pid) as f:
            return f.read().strip()
    except OSError:
        return ''


def pdfs(folder):
    try:
        return sum(1 for n in os.listdir(folder) if n.endswith('.pdf'))
    except OSError:
        return 0


def main():
    args = sys.argv[1:]
    stop_at, out_dir = None, None
    if args[:1] == ['--stop-office-at']:
        stop_at, out_dir = int(args[1]), args[2]
        args = args[3:]
    if args[:1] == ['--']:
        args = args[1:]
    start = time.monotonic()
    proc = subprocess.Popen(args, stdout=subprocess.DEVNULL)
    peak_all = peak_main = 0
    stopped, stopped_at, gone_after = None, None, None
    while proc.poll() is None:
        tree = descendants(proc.pid)
        peak_all = max(peak_all, sum(rss_kb(p) for p in tree))
        peak_main = max(peak_main, rss_kb(proc.pid))
        if stop_at is not None and stopped is None and pdfs(out_dir) >= stop_at:
            offices = [p for p in tree if command_name(p) == 'soffice.bin']
            if offices:
                stopped, stopped_at = offices[-1], time.monotonic()
                os.kill(stopped, signal.SIGSTOP)
        if stopped is not None and gone_after is None and stopped not in descendants(proc.pid):
            gone_after = time.monotonic() - stopped_at
        time.sleep(0.1)
    wall = time.monotonic() - start
    line = 'exit %d  wall %.1f s  peak RSS %d MB (the program alone %d MB)' % (
        proc.returncode, wall, peak_all // 1024, peak_main // 1024)
    if stop_at is not None:
        if stopped is None:
            line += '  (no office was stopped)'
        else:
            line += '  stopped office gone after %s  %d PDFs' % (
                '%.1f s' % gone_after if gone_after is not None else 'never', pdfs(out_dir))
    print(line)
    return proc.returncode


if __name__ == '__main__':
    sys.exit(main())
