#!/usr/bin/env python3
"""Times `ferrox-script lsp` on a 1 MB game.ini: from a change sent to its diagnostics
published (median and worst of 40, a fault made and mended in turn), and a burst of changes at
100 a second for 3 seconds, after which the last change's diagnostics must come as soon as
one check takes: a server that fell behind would still be working through the burst.

    bench/lsp_latency.py build/bin/ferrox-script
Wall-clock times: run it on a quiet machine."""
import json
import os
import queue
import statistics
import subprocess
import sys
import tempfile
import threading
import time


def frame(message):
    body = json.dumps(message).encode()
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def reader(stream, out):
    while True:
        header = b""
        while not header.endswith(b"\r\n\r\n"):
            byte = stream.read(1)
            if not byte:
                return
            header += byte
        length = int(header.split(b"Content-Length:")[1].split(b"\r\n")[0])
        out.put((time.perf_counter(), json.loads(stream.read(length))))


def game_ini(size):
    lines = ["!level(s, i, i)", "$width(i, 640)"]
    total = 0
    room = 0
    while total < size:
        line = 'level("Room %d", width, %d)' % (room, 480 + room % 7)
        lines.append(line)
        total += len(line) + 1
        room += 1
    return "\n".join(lines) + "\n", len(lines)


def cpu_ms(pid):
    """The process's CPU time so far, user and system, in milliseconds."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) * 1000 / os.sysconf("SC_CLK_TCK")


def main():
    server = os.path.abspath(sys.argv[1])
    folder = tempfile.mkdtemp()
    text, count = game_ini(1 << 20)
    uri = "file://" + folder + "/game.ini"
    process = subprocess.Popen([server, "lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               cwd=folder)
    inbox = queue.Queue()
    threading.Thread(target=reader, args=(process.stdout, inbox), daemon=True).start()

    def send(message):
        process.stdin.write(frame(message))
        process.stdin.flush()

    def published(version):
        while True:
            at, message = inbox.get(timeout=30)
            params = message.get("params", {})
            if message.get("method") == "textDocument/publishDiagnostics" and \
                    params.get("version") == version:
                return at, params["diagnostics"]

    send({"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {"capabilities": {}}})
    send({"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {"textDocument": {
        "uri": uri, "languageId": "ini", "version": 1, "text": text}}})
    published(1)
    last = count - 1  # the last line, "level(...)": its width becomes a fault and back

    def change(version):
        word = "widht" if version % 2 else "width"
        send({"jsonrpc": "2.0", "method": "textDocument/didChange", "params": {
            "textDocument": {"uri": uri, "version": version}, "contentChanges": [{
                "range": {"start": {"line": last, "character": 0},
                          "end": {"line": last, "character": 200}},
                "text": 'level("Last", %s, 1)' % word}]}})

    latencies = []
    version = 1
    cpu_before = cpu_ms(process.pid)
    for _ in range(40):
        version += 1
        sent = time.perf_counter()
        change(version)
        at, diagnostics = published(version)
        assert bool(diagnostics) == bool(version % 2), diagnostics
        latencies.append((at - sent) * 1000)
    print("1 MB game.ini, change to publishDiagnostics: median %.1f ms, worst %.1f ms; "
          "the server's CPU time per change %.1f ms" %
          (statistics.median(latencies), max(latencies), (cpu_ms(process.pid) - cpu_before) / 40))

    start = time.perf_counter()
    for step in range(300):
        version += 1
        change(version)
        time.sleep(max(0.0, start + (step + 1) / 100 - time.perf_counter()))
    sent = time.perf_counter()
    at, _ = published(version)
    print("300 changes at 100 a second: the last one's diagnostics %.1f ms after it" %
          ((at - sent) * 1000))
    send({"jsonrpc": "2.0", "id": 2, "method": "shutdown"})
    send({"jsonrpc": "2.0", "method": "exit"})
    process.wait(timeout=30)
    os.rmdir(folder)


main()
