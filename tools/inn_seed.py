#!/usr/bin/env python3
"""Creates the test and demo newsgroups on the local INN2 server and posts their articles.

  inn_seed.py           the groups of GROUPS
  inn_seed.py --bench   the benchmark group of BENCH_GROUPS
  inn_seed.py --varied  the 100,000-article group of VARIED_GROUPS (takes minutes)

Idempotent: a group gets only the articles it still lacks, counted from the server's GROUP
reply, so a second run posts nothing.
"""
import base64
import binascii
import random
import socket
import subprocess
import sys
import time

# A 24x16 picture: a yellow disc on blue.
PHOTO_GIF = base64.b64decode(
    "R0lGODlhGAAQAPEAAO3OQjBgwDtnuXmKkCH5BAAAAAAALAAAAAAYABAAAAIsjI+py+0pxGsDgDFm"
    "qrYDfXgiyIlWNpljqnZa606libIqGAiqhAcl1gsKEwUAOw==")


def ctlinnd(*args):
    subprocess.run(["su", "news", "-s", "/bin/sh", "-c",
                    "/usr/lib/news/bin/ctlinnd " + " ".join(args)],
                   check=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Nntp:
    def __init__(self):
        self.sock = socket.create_connection(("127.0.0.1", 119), timeout=30)
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


def headers(group, n, subject, extra=""):
    return ("From: Demo Poster <demo@example.com>\n"
            "Newsgroups: %s\n"
            "Subject: %s\n"
            "Message-ID: <seed.%s.%d@rillpost.test>\n%s"
            "\n" % (group, subject, group, n, extra))


def plain(group, n):
    subject = "Test article %d in %s" % (n, group)
    if group.startswith("cn."):
        # "你好" in GB2312, as an encoded word.
        subject = "=?gb2312?B?xOO6ww==?= %d" % n
    return (headers(group, n, subject) +
            "This is article %d of %s.\n"
            ".A line that starts with a dot.\n" % (n, group)).encode("latin-1")


def uuencoded_picture(group, n):
    rows = [binascii.b2a_uu(PHOTO_GIF[i:i + 45], backtick=True).decode("ascii")
            for i in range(0, len(PHOTO_GIF), 45)]
    return (headers(group, n, "A uuencoded picture") +
            "A picture follows.\n\nbegin 644 photo.gif\n" + "".join(rows) + "`\nend\n\n"
            "After the picture.\n").encode("latin-1")


def mime_picture(group, n):
    boundary = "=_rillpost_seed"
    encoded = base64.encodebytes(PHOTO_GIF).decode("ascii")
    return (headers(group, n, "A MIME picture",
                    "MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=\"%s\"\n" % boundary) +
            "This is a multi-part message in MIME format.\n\n"
            "--%s\nContent-Type: text/plain; charset=us-ascii\n\nA picture follows.\n\n"
            "--%s\nContent-Type: image/gif; name=\"A.GIF\"\nContent-Transfer-Encoding: base64\n"
            "Content-Disposition: attachment; filename=\"A.GIF\"\n\n%s"
            "--%s--\n" % (boundary, boundary, encoded, boundary)).encode("latin-1")


def yenc_picture(group, n):
    # One whole file in one block, 128 characters a line, with the escapes of the yEnc rules.
    lines, line = [], bytearray()
    for i, byte in enumerate(PHOTO_GIF):
        c = (byte + 42) & 0xFF
        last = i + 1 == len(PHOTO_GIF) or len(line) >= 127
        if c in (0, 10, 13, 61) or (not line and c in (9, 32, 46)) or (last and c in (9, 32)):
            line += bytes([61, (c + 64) & 0xFF])
        else:
            line.append(c)
        if len(line) >= 128 or i + 1 == len(PHOTO_GIF):
            lines.append(bytes(line))
            line = bytearray()
    block = (b"=ybegin line=128 size=%d name=photo.gif\n" % len(PHOTO_GIF) + b"\n".join(lines) +
             b"\n=yend size=%d crc32=%08x\n" % (len(PHOTO_GIF), binascii.crc32(PHOTO_GIF)))
    return (headers(group, n, "A yEnc picture") + "A picture follows.\n\n").encode("latin-1") + block + \
        b"\nAfter the picture.\n"


def dot_lines(group, n):
    # Goes dot-stuffed over the wire both ways: ".." and "..." on the wire.
    return (headers(group, n, "Lines of dots") +
            "Lines that are only dots follow.\n.\n..\n...\n.. two dots and text\nEnd.\n").encode("latin-1")


def big_article(group, n):
    # About 20 MB of 76-character text lines, for the retrieval benchmark.
    line = ("%s article %d " % (group, n)).ljust(75, "x") + "\n"
    return (headers(group, n, "A 20 MB article") + line * (20 * 1024 * 1024 // len(line) + 1)).encode("latin-1")


# name, number of articles, maker of article n. Tests count these articles: the last five
# groups are never posted to by a test.
GROUPS = [
    ("rillpost.test", 5, plain),
    ("rillpost.demo", 5, plain),
    ("cn.rillpost.chat", 5, plain),
    ("rillpost.fixed", 12, plain),
    ("rillpost.empty", 0, plain),
    ("rillpost.pictures.uu", 1, uuencoded_picture),
    ("rillpost.pictures.mime", 1, mime_picture),
    ("rillpost.dots", 1, dot_lines),
    ("rillpost.pictures.yenc", 1, yenc_picture),
]
WORDS = ("alpha bravo camera lens noise filter kernel driver patch release question answer build linker "
         "garden river mountain weather forecast recipe bread coffee guitar string tuning chess opening "
         "endgame telescope comet orbit battery charger router firmware backup archive").split()
FIRST = "Anna Bernd Chloe Dmitri Elena Farid Grace Hiro Ines Jonas Kemal Lena Mateo Nora Olu Priya".split()
LAST = "Keller Novak Rossi Tanaka Silva Moreau Haddad Larsen Okafor Weber Costa Ivanova Berg Kim".split()


def varied(group, n):
    """An article whose overview fields differ the way a real group's do: authors, subjects,
    ids and threads drawn from a generator seeded with the article's number."""
    rng = random.Random(n)
    first, last = rng.choice(FIRST), rng.choice(LAST)
    author = "%s %s <%s.%s%d@%s.example>" % (first, last, first.lower(), last.lower()[:3], rng.randrange(1000),
                                             rng.choice(("mail", "news", "post", "home", "work")))
    subject = " ".join(rng.choice(WORDS) for _ in range(rng.randint(2, 9))).capitalize()
    if n > 1 and rng.random() < 0.5:
        subject = "Re: " + subject
    ident = "<%016x.%d@%s.example>" % (rng.getrandbits(64), n, rng.choice(("news", "srv", "feed", "post")))
    extra = ""  # the server dates each article: it refuses dates too far in the past
    if n > 1 and rng.random() < 0.6:
        extra += "References: <%016x.%d@news.example>\n" % (rng.getrandbits(64), rng.randrange(1, n))
    body = "\n".join(" ".join(rng.choice(WORDS) for _ in range(rng.randint(3, 12)))
                     for _ in range(rng.randint(1, 30)))
    return ("From: %s\nNewsgroups: %s\nSubject: %s\nMessage-ID: %s\n%s\n%s\n" %
            (author, group, subject, ident, extra, body)).encode("latin-1")


BENCH_GROUPS = [("rillpost.bench", 10000, plain), ("rillpost.bench.big", 1, big_article)]
# A group whose overview compresses as a real one does (the plain bench group repeats itself).
VARIED_GROUPS = [("rillpost.bench.varied", 100000, varied)]


def seed(groups):
    for name, _, _ in groups:
        ctlinnd("newgroup", name, "y")
    time.sleep(0.5)
    conn = Nntp()
    conn.cmd("MODE READER")
    ready = []
    for name, wanted, make in groups:
        reply = conn.cmd("GROUP " + name)
        if not reply.startswith("211"):
            print("inn_seed: no group %s: %s" % (name, reply), file=sys.stderr)
            return 1
        have = int(reply.split()[1])
        for n in range(have + 1, wanted + 1):
            conn.post(make(name, n))
        ready.append("%s (%d)" % (name, max(have, wanted)))
    conn.cmd("QUIT")
    print("inn_seed: groups ready: " + ", ".join(ready))
    return 0


if __name__ == "__main__":
    choice = {"--bench": BENCH_GROUPS, "--varied": VARIED_GROUPS}
    sys.exit(seed(choice.get(" ".join(sys.argv[1:]), GROUPS)))
