#!/usr/bin/env python3
"""Prints the demo groups of the local news server and the overviews of their articles."""
import socket
import sys


def main():
    sock = socket.create_connection(("127.0.0.1", 119), timeout=10)
    lines = sock.makefile("rb")

    def ask(text):
        sock.sendall(text.encode("latin-1") + b"\r\n")
        return lines.readline().decode("latin-1").rstrip("\r\n")

    def block():
        out = []
        while True:
            line = lines.readline().decode("latin-1").rstrip("\r\n")
            if line == ".":
                return out
            out.append(line[1:] if line.startswith("..") else line)

    print("server: " + lines.readline().decode("latin-1").strip())
    print("MODE READER: " + ask("MODE READER"))
    for group in ("rillpost.test", "rillpost.demo", "cn.rillpost.chat"):
        reply = ask("GROUP " + group)
        print(reply)
        if not reply.startswith("211"):
            return 1
        _, count, first, last, _ = reply.split()
        if ask("XOVER %s-%s" % (first, last)).startswith("224"):
            for line in block():
                fields = line.split("\t")
                print("   %s  %s  (%s bytes)" % (fields[0], fields[1], fields[6] if len(fields) > 6 else "?"))
    ask("QUIT")
    return 0


if __name__ == "__main__":
    sys.exit(main())
