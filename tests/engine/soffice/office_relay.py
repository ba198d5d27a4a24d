#!/usr/bin/env python3
"""Runs an office behind a relay on its pipe, for the office pool's tests of an office that stops
answering. Usage: office_relay.py FROZEN-FILE OFFICE-COMMAND...

The office is started on a pipe of its own; this process listens on the pipe the pool named and
passes the bytes both ways. On SIGUSR1 it stops passing them on (the connection stays open, no
answer comes) and creates FROZEN-FILE. Both processes stay in the pool's process group; the relay
ends with the office's exit code."""
import os
import select
import signal
import socket
import subprocess
import sys
import time

ACCEPT = '--accept=pipe,name='

frozen_file = sys.argv[1]
command = sys.argv[2:]
at = next(i for i, arg in enumerate(command) if arg.startswith(ACCEPT))
name = command[at][len(ACCEPT):].split(';', 1)[0]
inner = name + 'r'
command[at] = command[at].replace(ACCEPT + name, ACCEPT + inner, 1)


def socket_path(pipe):
    folder = '/tmp' if os.access('/tmp', os.W_OK) else '/var/tmp'
    return '%s/OSL_PIPE_%d_%s' % (folder, os.getuid(), pipe)


frozen = False


def freeze(_signum, _frame):
    global frozen
    frozen = True
    with open(frozen_file, 'w'):
        pass


signal.signal(signal.SIGUSR1, freeze)
office = subprocess.Popen(command)
listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
listener.bind(socket_path(name))
listener.listen(4)


def connect_inner():
    """A connection to the office once it listens; None when it ended first."""
    while office.poll() is None:
        conn = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        try:
            conn.connect(socket_path(inner))
            # Nobody else is to reach the office: its socket goes from the shared folder.
            os.unlink(socket_path(inner))
            return conn
        except OSError:
            conn.close()
            time.sleep(0.05)
    return None


def relay(client, server):
    """Passes bytes both ways until one side closes; nothing once frozen."""
    peers = {client: server, server: client}
    while office.poll() is None:
        if frozen:
            time.sleep(0.1)
            continue
        try:
            readable, _, _ = select.select(list(peers), [], [], 0.1)
        except InterruptedError:
            continue
        for conn in readable:
            if frozen:
                break
            data = conn.recv(65536)
            if not data:
                return
            peers[conn].sendall(data)


while office.poll() is None:
    readable, _, _ = select.select([listener], [], [], 0.1)
    if not readable:
        continue
    client, _ = listener.accept()
    server = connect_inner()
    if server is not None:
        relay(client, server)
        server.close()
    client.close()
os.unlink(socket_path(name))
sys.exit(office.returncode)
