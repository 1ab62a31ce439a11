#!/usr/bin/env python3
"""Hostile traffic against the bridge on 127.0.0.1:47651 while the module runs in the simulated
game: random bytes, NUL bytes, 64 KB headers, half-open connections, peers that close at once,
peers that trickle during the request and after the answer, then a long run of well-formed and
malformed requests in a row. Afterwards the bridge must still answer within its bounds, and the
module's log must hold exactly one request line per request that sent a byte.

Usage: hostile_traffic.py LOG_FILE REQUESTS SEED
Prints what it did and what held; exits 1 on any failure. Loopback only, every loop bounded.
"""
import json
import random
import socket
import sys
import threading
import time

HOST, PORT = "127.0.0.1", 47651
# The bridge ends a connection 1700 ms after accepting it whatever the peer does; a little more
# is allowed for the loaded machine and the client's own time.
CONNECTION_BOUND_S = 1.7 + 0.8
# An ordinary request on an idle bridge.
ANSWER_BOUND_S = 0.5
# Lines of the bridge that are not a request's own line.
OTHER_BRIDGE_LINES = ("[BRIDGE] Listening on ", "[BRIDGE] HTTP bridge stopped.", "[BRIDGE] Action: ",
                      "[BRIDGE] Setting applied: ", "[BRIDGE] Command queue full")


class Tally:
    def __init__(self):
        self.lock = threading.Lock()
        self.sent = 0          # connections that delivered at least one byte: one log line each
        self.connections = 0
        self.slowest = 0.0
        self.failures = []

    def record(self, delivered, seconds, what, bound_s=CONNECTION_BOUND_S):
        with self.lock:
            self.connections += 1
            self.sent += 1 if delivered else 0
            self.slowest = max(self.slowest, seconds)
            if seconds > bound_s:
                self.failures.append("%s held the connection %.2f s" % (what, seconds))


def connect():
    sock = socket.create_connection((HOST, PORT), timeout=5)
    sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    return sock


def read_to_end(sock, limit_s=5.0):
    """Everything until the server closes (or resets), at most limit_s."""
    data = b""
    end = time.monotonic() + limit_s
    sock.settimeout(0.2)
    while time.monotonic() < end:
        try:
            chunk = sock.recv(65536)
        except socket.timeout:
            continue
        except OSError:
            break
        if not chunk:
            break
        data += chunk
    return data


def one(tally, what, payload, pieces=1, pause_s=0.0, after=None, shut=None, bound_s=CONNECTION_BOUND_S):
    """One connection: payload sent in pieces with pauses, then the answer read to the end.
    The peer shuts its sending side after the payload (shut) unless it holds a blank line, so
    the server sees the request end instead of waiting out its read time-out. after(sock) may go
    on talking once the answer is in. Returns the answer bytes."""
    if shut is None:
        shut = b"\r\n\r\n" not in payload
    start = time.monotonic()
    delivered = False
    answer = b""
    try:
        sock = connect()
    except OSError as error:
        tally.failures.append("%s: cannot connect (%s)" % (what, error))
        return b""
    try:
        step = max(1, -(-len(payload) // pieces)) if payload else 1
        for at in range(0, len(payload), step):
            try:
                sock.sendall(payload[at:at + step])
                delivered = True
            except OSError:
                break  # the server stopped reading: it has what it will handle
            if pause_s:
                time.sleep(pause_s)
        if shut:
            try:
                sock.shutdown(socket.SHUT_WR)
            except OSError:
                pass
        answer = read_to_end(sock)
        if after:
            after(sock)
    finally:
        sock.close()
    tally.record(delivered, time.monotonic() - start, what, bound_s)
    return answer


def status_of(answer):
    if not answer.startswith(b"HTTP/1.1 ") or len(answer) < 12:
        return 0
    return int(answer[9:12])


def request(target, extra=b""):
    return b"GET " + target + b" HTTP/1.1\r\nOrigin: http://stress.hostile\r\n" + extra + b"\r\n"


def well_formed_and_malformed(rng, index):
    """A request of the long run: a page's ordinary request or a broken one."""
    kind = index % 12
    if kind == 0:
        return request(b"/state")
    if kind == 1:
        return request(b"/setting?name=sfxVolume&value=%d" % rng.randrange(-50, 150))
    if kind == 2:
        return request(b"/bind?action=%d&type=%d&key=%d" % (rng.randrange(-2, 62), rng.randrange(-1, 4), rng.randrange(0, 2000)))
    if kind == 3:  # never "exit": it would close the game
        return request(b"/action?name=" + rng.choice([b"continue", b"capture_on", b"capture_off", b"loading_hide", b"bogus", b""]))
    if kind == 4:
        return b"OPTIONS /anything HTTP/1.1\r\nOrigin: null\r\n\r\n"
    if kind == 5:
        return b"POST /action?name=exit HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello"
    if kind == 6:
        return b"GET  HTTP/1.1\r\n\r\n"
    if kind == 7:
        return request(b"/st%61te?%zz=%4&&=&" + bytes(rng.randrange(33, 127) for _ in range(rng.randrange(0, 40))))
    if kind == 8:
        return b"GET /state"  # no line end at all: handled after the peer goes quiet or closes
    if kind == 9:
        return request(b"/setting?name=" + b"A" * rng.randrange(0, 3000) + b"&value=99999999999999")
    if kind == 10:
        return b"\r\n\r\n"
    return b"get /state HTTP/1.1\r\nORIGIN: x\r\norigin: \x01\x02\x7f\xff\r\n\r\n"


def silent_open(tally, what, hold_s, waiting_behind):
    """Connects and sends nothing: the server gives up on it after its read time-out, once it
    has given up on the silent peers before it."""
    start = time.monotonic()
    sock = connect()
    read_to_end(sock, hold_s)
    sock.close()
    tally.record(False, time.monotonic() - start, what, (waiting_behind + 1) * 1.3 + CONNECTION_BOUND_S)


def close_at_once(tally):
    start = time.monotonic()
    sock = connect()
    sock.close()
    tally.record(False, time.monotonic() - start, "peer closing at once")


def trickle_after(sock):
    """Keeps sending a byte every 100 ms after the answer, until the server cuts it off."""
    for _ in range(30):
        try:
            sock.sendall(b"x")
        except OSError:
            return
        time.sleep(0.1)


def request_lines(log_file):
    with open(log_file, "rb") as handle:
        text = handle.read().decode("utf-8", "replace")
    lines = [line[15:] for line in text.split("\r\n") if len(line) >= 15]
    return [line for line in lines if line.startswith("[BRIDGE] ") and not line.startswith(OTHER_BRIDGE_LINES)]


def main():
    log_file, total, seed = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    rng = random.Random(seed)
    tally = Tally()
    lines_before = len(request_lines(log_file))
    phases = []

    def phase(name, body):
        started = time.monotonic()
        sent_before, failures_before = tally.sent, len(tally.failures)
        body()
        phases.append("%-34s %6d requests  %6.1f s  %s" % (
            name, tally.sent - sent_before, time.monotonic() - started,
            "held" if len(tally.failures) == failures_before else "FAILED"))

    def random_bytes():
        for index in range(200):
            payload = bytes(rng.randrange(256) for _ in range(rng.randrange(1, 3000)))
            # A few peers keep the connection open: the server waits out its read time-out.
            one(tally, "random bytes", payload, shut=index % 40 != 0)
    phase("random bytes", random_bytes)
    phase("NUL bytes", lambda: [one(tally, "NUL bytes", payload) for payload in (
        b"\x00", b"\x00" * 5000, b"GET /state\x00 HTTP/1.1\r\n\r\n", b"GET /action?name=cont\x00inue HTTP/1.1\r\n\r\n",
        b"GET /state HTTP/1.1\r\nOrigin: a\x00b\r\n\r\n") for _ in range(20)])
    big = b"GET /state HTTP/1.1\r\nX-Big: " + b"a" * 65536 + b"\r\n\r\n"
    phase("64 KB headers", lambda: [one(tally, "64 KB header", big) for _ in range(20)])
    phase("64 KB without a blank line", lambda: [one(tally, "64 KB no end", b"GET /state HTTP/1.1\r\nX: " + b"b" * 65536)
                                                 for _ in range(10)])

    def half_open():
        for _ in range(10):
            one(tally, "half-closed request", request(b"/state"), shut=True)
            one(tally, "half-closed partial", b"GET /sta", shut=True)
            # Half a request and then nothing: the server answers what it has after its time-out.
            one(tally, "unfinished request left open", b"GET /sta", shut=False)
        # Several silent peers at once: each costs the server one read time-out, in turn.
        silent = [threading.Thread(target=silent_open, args=(tally, "silent open peer", 8.0, 4)) for _ in range(4)]
        for thread in silent:
            thread.start()
        # It waits for the silent peers before it, each for the server's read time-out.
        time.sleep(0.2)
        answer = one(tally, "request behind silent peers", request(b"/state"), bound_s=4 * 1.3 + CONNECTION_BOUND_S)
        for thread in silent:
            thread.join()
        if status_of(answer) != 200:
            tally.failures.append("a request queued behind silent peers got no answer")
    phase("half-open connections", half_open)
    phase("peers closing at once", lambda: [close_at_once(tally) for _ in range(200)])
    phase("trickling during the request", lambda: [one(tally, "trickle in request", request(b"/state"), pieces=40, pause_s=0.05)
                                                   for _ in range(6)])
    phase("trickling after the answer", lambda: [one(tally, "trickle after answer", request(b"/state"), after=trickle_after)
                                                 for _ in range(6)])

    def long_run():
        statuses = {}
        for index in range(total):
            answer = one(tally, "request %d of the long run" % index, well_formed_and_malformed(rng, index))
            statuses[status_of(answer)] = statuses.get(status_of(answer), 0) + 1
        phases.append("  answers by status: " + ", ".join("%d: %d" % item for item in sorted(statuses.items())))
    phase("well-formed and malformed in a row", long_run)

    # Afterwards: the bridge answers as for any page, at once and with a valid document.
    def afterwards():
        for _ in range(20):
            start = time.monotonic()
            answer = one(tally, "ordinary request afterwards", request(b"/state"))
            took = time.monotonic() - start
            body = answer.split(b"\r\n\r\n", 1)[-1]
            try:
                json.loads(body)
                valid = True
            except ValueError:
                valid = False
            if status_of(answer) != 200 or not valid or took > ANSWER_BOUND_S:
                tally.failures.append("afterwards: status %d, valid JSON %s, %.3f s" % (status_of(answer), valid, took))
    phase("ordinary requests afterwards", afterwards)

    time.sleep(0.5)  # the last line reaches the log
    logged = len(request_lines(log_file)) - lines_before
    for line in phases:
        print("  " + line)
    print("  %d connections, %d delivered a request, %d request lines logged, slowest connection %.2f s"
          % (tally.connections, tally.sent, logged, tally.slowest))
    if logged != tally.sent:
        tally.failures.append("%d requests but %d request lines in the log" % (tally.sent, logged))
    for failure in tally.failures[:20]:
        print("  FAILED: " + failure)
    return 1 if tally.failures else 0


if __name__ == "__main__":
    sys.exit(main())
