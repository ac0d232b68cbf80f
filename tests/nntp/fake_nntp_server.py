#!/usr/bin/env python3
"""A scripted news server on 127.0.0.1 for the client tests.

  fake_nntp_server.py start DIR   start in the background; writes DIR/fake_nntp_port.txt
                                  ("<nntp port> <control port>") and DIR/fake_nntp.pid
  fake_nntp_server.py stop DIR    stop the server started for DIR

A test first connects to the control port and sends "SCENARIO <name>"; the next news connection
then follows that scenario. "LOG" on the control port answers the command lines of the last news
connection, joined by "|". The server ends by itself after ten idle minutes.
"""
import os
import signal
import socket
import sys
import threading
import time

IDLE_LIMIT = 600

GROUPS = [b"comp.lang.c 12345 1000 y", b"alt.test 10 1 n", b"..odd.group 1 1 y"]

# name -> settings; missing keys take the defaults of DEFAULT.
DEFAULT = {"greeting": b"200 fake news server ready", "auth": "381", "list": "ok", "mode": b"200 reader"}
SCENARIOS = {
    "list_ok": {},
    "auth_281_user": {"auth": "281"},
    "auth_refused": {"auth": "refuse"},
    "auth_user_rejected": {"auth": "502"},
    "auth_required": {"list": "480"},
    "greeting_502": {"greeting": b"502 no permission", "mode": b"502 no permission", "list": "502"},
    "silent_after_greeting": {"mode": None},
    "silent_mid_list": {"list": "silence"},
    "disconnect_mid_list": {"list": "disconnect"},
    "oversize_greeting": {"greeting": "oversize"},
    "oversize_list": {"list": "endless"},
    "close_at_once": {"greeting": "close"},
    "multiline_split": {"greeting": "multiline"},
}

state = {"scenario": "list_ok", "log": [], "last": time.time()}
lock = threading.Lock()


def send_pieces(conn, pieces):
    """Sends each piece in its own segment, with a pause so that the reader sees it apart."""
    for piece in pieces:
        conn.sendall(piece)
        time.sleep(0.05)


def serve_news(conn):
    with lock:
        settings = dict(DEFAULT, **SCENARIOS.get(state["scenario"], {}))
        state["scenario"] = "list_ok"
        state["log"] = []
        log = state["log"]
    conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    greeting = settings["greeting"]
    if greeting == "close":
        conn.sendall(b"200 cut")
        return
    if greeting == "oversize":
        conn.sendall(b"2" * 70000)
        time.sleep(1)
        return
    if greeting == "multiline":
        send_pieces(conn, [b"215 ok\r\nline one\r", b"\nline two\r\n.", b"\r\n"])
        time.sleep(1)
        return
    conn.sendall(greeting + b"\r\n")
    reader = conn.makefile("rb")
    while True:
        raw = reader.readline()
        if not raw:
            return
        line = raw.rstrip(b"\r\n")
        with lock:
            log.append(line.decode("latin-1"))
        upper = line.upper()
        if upper == b"MODE READER":
            if settings["mode"] is None:
                time.sleep(30)
                return
            conn.sendall(settings["mode"] + b"\r\n")
        elif upper.startswith(b"AUTHINFO USER"):
            auth = settings["auth"]
            conn.sendall({"381": b"381 password please", "refuse": b"381 password please",
                          "281": b"281 accepted early", "502": b"502 not here"}[auth] + b"\r\n")
        elif upper.startswith(b"AUTHINFO PASS"):
            good = settings["auth"] != "refuse" and line[14:] == b"secret"
            conn.sendall(b"281 welcome\r\n" if good else b"481 rejected\r\n")
        elif upper == b"LIST":
            serve_list(conn, settings["list"])
            if settings["list"] in ("disconnect", "endless"):
                return
        else:
            conn.sendall(b"500 what?\r\n")


def serve_list(conn, mode):
    if mode in ("480", "502"):
        conn.sendall(mode.encode() + b" list refused\r\n")
        return
    body = b"215 newsgroups follow\r\n" + b"".join(g + b"\r\n" for g in GROUPS)
    if mode == "ok":
        # Split inside a line, between CR and LF, and inside the terminator.
        cut = body.index(b"alt.test") + 3
        send_pieces(conn, [body[:cut], body[cut:-1], body[-1:] + b".\r", b"\n"])
    elif mode == "silence":
        conn.sendall(body)
        time.sleep(30)
    elif mode == "disconnect":
        conn.sendall(body[:-5])
    elif mode == "endless":
        conn.sendall(b"215 newsgroups follow\r\n")
        try:
            for i in range(200000):
                conn.sendall(b"group.number.%d 1 1 y\r\n" % i)
        except OSError:
            pass


def serve_control(conn):
    reader = conn.makefile("rb")
    for raw in reader:
        words = raw.decode("latin-1").split()
        if not words:
            continue
        with lock:
            if words[0] == "SCENARIO" and len(words) == 2 and words[1] in SCENARIOS:
                state["scenario"] = words[1]
                answer = "OK"
            elif words[0] == "LOG":
                answer = "|".join(state["log"])
            else:
                answer = "ERR"
        conn.sendall(answer.encode("latin-1") + b"\r\n")


def accept_loop(listener, handler):
    while True:
        conn, _ = listener.accept()
        state["last"] = time.time()

        def run(c=conn):
            try:
                handler(c)
            except OSError:
                pass
            finally:
                c.close()

        threading.Thread(target=run, daemon=True).start()


def listen():
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", 0))
    s.listen(8)
    return s


def run_server(directory):
    news, control = listen(), listen()
    threading.Thread(target=accept_loop, args=(news, serve_news), daemon=True).start()
    threading.Thread(target=accept_loop, args=(control, serve_control), daemon=True).start()
    with open(os.path.join(directory, "fake_nntp.pid"), "w") as f:
        f.write(str(os.getpid()))
    tmp = os.path.join(directory, "fake_nntp_port.tmp")
    with open(tmp, "w") as f:
        f.write("%d %d\n" % (news.getsockname()[1], control.getsockname()[1]))
    os.replace(tmp, os.path.join(directory, "fake_nntp_port.txt"))
    while time.time() - state["last"] < IDLE_LIMIT:
        time.sleep(1)


def main():
    command, directory = sys.argv[1], os.path.abspath(sys.argv[2])
    port_file = os.path.join(directory, "fake_nntp_port.txt")
    pid_file = os.path.join(directory, "fake_nntp.pid")
    if command == "stop":
        try:
            with open(pid_file) as f:
                os.kill(int(f.read()), signal.SIGTERM)
        except (OSError, ValueError):
            pass
        for path in (pid_file, port_file):
            if os.path.exists(path):
                os.remove(path)
        return 0
    if os.path.exists(port_file):
        os.remove(port_file)
    if os.fork() == 0:
        os.setsid()
        devnull = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(devnull, fd)
        run_server(directory)
        os._exit(0)
    for _ in range(100):
        if os.path.exists(port_file):
            return 0
        time.sleep(0.1)
    print("fake news server did not start", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
