#!/usr/bin/env python3
"""Creates the demo newsgroups on the local INN2 server and posts a few articles into each.

Idempotent: a group that already holds articles is left alone.
"""
import socket
import subprocess
import sys
import time

GROUPS = ["rillpost.test", "rillpost.demo", "cn.rillpost.chat"]


def ctlinnd(*args):
    subprocess.run(["su", "news", "-s", "/bin/sh", "-c",
                    "/usr/lib/news/bin/ctlinnd " + " ".join(args)],
                   check=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Nntp:
    def __init__(self):
        self.sock = socket.create_connection(("127.0.0.1", 119), timeout=10)
        self.file = self.sock.makefile("rb")
        self.line()

    def line(self):
        return self.file.readline().decode("latin-1").rstrip("\r\n")

    def cmd(self, text):
        self.sock.sendall(text.encode("latin-1") + b"\r\n")
        return self.line()

    def post(self, raw):
        reply = self.cmd("POST")
        if not reply.startswith("340"):
            raise RuntimeError("POST refused: " + reply)
        body = raw.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        lines = [(b"." + l if l.startswith(b".") else l) for l in body.split(b"\r\n")]
        self.sock.sendall(b"\r\n".join(lines) + b"\r\n.\r\n")
        reply = self.line()
        if not reply.startswith("240"):
            raise RuntimeError("posting failed: " + reply)


def article(group, n):
    subject = "Test article %d in %s" % (n, group)
    if group.startswith("cn."):
        # "你好" in GB2312, as an encoded word.
        subject = "=?gb2312?B?xOO6ww==?= %d" % n
    return ("From: Demo Poster <demo@example.com>\n"
            "Newsgroups: %s\n"
            "Subject: %s\n"
            "Message-ID: <seed.%s.%d@rillpost.test>\n"
            "\n"
            "This is article %d of %s.\n"
            ".A line that starts with a dot.\n" % (group, subject, group, n, n, group)).encode("latin-1")


def main():
    for group in GROUPS:
        ctlinnd("newgroup", group, "y")
    time.sleep(0.5)
    conn = Nntp()
    conn.cmd("MODE READER")
    for group in GROUPS:
        reply = conn.cmd("GROUP " + group)
        if not reply.startswith("211"):
            print("inn_seed: no group %s: %s" % (group, reply), file=sys.stderr)
            return 1
        count = int(reply.split()[1])
        if count > 0:
            continue
        for n in range(1, 6):
            conn.post(article(group, n))
    conn.cmd("QUIT")
    print("inn_seed: groups ready: " + ", ".join(GROUPS))
    return 0


if __name__ == "__main__":
    sys.exit(main())
