#!/usr/bin/env python3
"""A scripted news server for the client and plug-in tests.

  fake_nntp_server.py start DIR   start in the background; writes DIR/fake_nntp_port.txt
                                  and DIR/fake_nntp.pid
  fake_nntp_server.py stop DIR    stop the server started for DIR

It listens on an ephemeral port of 127.0.0.1 and on port 119 of the first free address of
127.0.0.2 ... 127.0.0.20 (the plug-in always connects to port 119, and INN2 holds 127.0.0.1:119).
The port file holds one line: "<news port> <control port> <port-119 address or ->".

Both listeners serve the same news: the LIST below, the group "fake.test" with articles 1..5
(one of them with body lines "." and ".." that go dot-stuffed over the wire) and the empty group
"fake.empty".

Control port, one command a line, one answer line each:
  SCENARIO <name> [KEEP] [<key>=<value>...]
        The next news connection follows the scenario; with KEEP every one does until the next
        SCENARIO or RESET. Values override the scenario's settings (see DEFAULT). Also forgets the
        command log of earlier connections. Answers OK or ERR <why>.
  LOG     the commands of the last news connection, joined by "|"
  LOGALL  the commands of every news connection since the last SCENARIO or RESET, each
          connection joined by "|", the connections in order of arrival joined by "||"
  POSTED  the bytes of the last article received after POST, as they came (the terminating
          "." line included), in hexadecimal
  RESET   back to the default scenario, log forgotten
The server ends by itself after ten idle minutes.

How a command is answered is its mode (a setting named after the command):
  ok         the normal reply at once
  split      the normal reply in pieces: cut in mid-line, between CR and LF, inside "."
  NNN        the single line "NNN <text>" (an error code; the command has no effect)
  silence    no reply; the connection stays open for HOLD_SECONDS, then closes
  cut:N      the first N bytes of the normal reply (N < 0: all but the last -N), then close
  stall:N    the same, then silence
  endless    the reply's first four bytes, then a line that never ends
  huge:N     the normal reply grown to about N bytes (filler lines, or a long status line)
  trickle:S  the normal reply, one byte every S seconds (S may have decimals)
"""
import os
import re
import signal
import socket
import sys
import threading
import time
import zlib

IDLE_LIMIT = 600
HOLD_SECONDS = 45  # longer than the clients' 30-second reply time-out
HUGE_BYTES = 30 * 1024 * 1024
ENDLESS_CAP = 256 * 1024 * 1024
PORT_119_ADDRESSES = ["127.0.0.%d" % n for n in range(2, 21)]

# As the groups are named; the line of ".odd.group" goes dot-stuffed over the wire.
LIST_GROUPS = [b"comp.lang.c 12345 1000 y", b"alt.test 10 1 n", b".odd.group 1 1 y"]

GROUP = "fake.test"
ARTICLE_IDS = re.compile(r"^<(\d+)\.fake\.test@rillpost\.invalid>$")

# number -> (subject, author, references, body lines) of the articles of fake.test. Numbers
# that a chosen range adds get generated articles.
ARTICLES = {
    1: ("Hello from the fake server", "Alice <alice@fake.invalid>", "", ["First article.", "Plain text."]),
    2: ("Re: Hello from the fake server", "Bob <bob@fake.invalid>", "<1.fake.test@rillpost.invalid>",
        ["Alice wrote:", "> First article.", "", "A reply."]),
    3: ("Lines with dots", "Carol <carol@fake.invalid>", "", [".", "..", ".hidden", "end of dots"]),
    4: ("=?gb2312?B?xOO6ww==?=", "Dan <dan@fake.invalid>", "", ["An encoded subject."]),
    5: ("Last article", "Eve <eve@fake.invalid>",
        "<1.fake.test@rillpost.invalid> <2.fake.test@rillpost.invalid>", ["The end."]),
}

# What XOVER of fake.test answers for articles 1..5 with overview=odd: the overview lines of a
# careless server.
ODD_OVERVIEW = {
    1: b"1\t\tAlice <alice@fake.invalid>\tMon, 01 Jan 2024 10:01:00 +0000\t<1.fake.test@rillpost.invalid>\t\t300\t2",
    2: b"2\tNo References field\tBob <bob@fake.invalid>\tMon, 01 Jan 2024 10:02:00 +0000"
       b"\t<2.fake.test@rillpost.invalid>\t400\t4",
    3: b"3\tToo few fields\tCarol <carol@fake.invalid>",
    4: b"4\tA subject with\ra carriage return\tDan <dan@fake.invalid>\tMon, 01 Jan 2024 10:04:00 +0000"
       b"\t<4.fake.test@rillpost.invalid>\t\t500\t1",
    5: b"5",
}

ERROR_TEXTS = {
    "281": "authentication accepted", "401": "MODE-READER", "411": "no such group", "412": "no group selected",
    "420": "no current article", "423": "no such article number", "430": "no such article",
    "440": "posting not permitted", "441": "posting failed", "480": "authentication required", "481": "authentication rejected",
    "502": "permission denied",
}

# Settings of a connection. Upper-case keys are the modes of the commands ("AUTHINFO USER" is
# written AUTHINFO_USER in a SCENARIO line); the others:
#   greeting_text  the greeting, sent as it stands
#   range          (count, first, last) of fake.test in the reply to GROUP
#   overview       normal, odd (ODD_OVERVIEW), none (every XOVER list is empty) or low (every
#                  line numbered 5 below its article: a server that lies about the range)
#   gate           1: GROUP, XOVER, ARTICLE and POST answer "401 MODE-READER" until MODE READER
#   article        how the article after "340" is read: ok (to its "." line), cut:N (close after
#                  N bytes), stall:N (stop reading after N bytes, answer nothing)
#   posted         the answer once the article is in: ok (240), NNN, or silence
#   groups         N more groups in the LIST reply (big.group000001 to N), listed from N down
#   posting_host   an address for an NNTP-Posting-Host field in every article (none by default)
#   compress       what follows a 206 to COMPRESS DEFLATE: ok (every reply deflated and flushed,
#                  every command inflated), corrupt (the next reply starts with a block of a type
#                  that does not exist), cut (half of the next reply's deflated bytes, then close)
#   caps           what CAPABILITIES lists, comma-separated (READER,OVER); "none": the command is
#                  unknown, as to a server from before it (500), and so is OVER unless listed
DEFAULT = {
    "GREETING": "ok", "MODE": "ok", "AUTHINFO USER": "ok", "AUTHINFO PASS": "ok", "LIST": "split",
    "GROUP": "ok", "XOVER": "ok", "OVER": "ok", "CAPABILITIES": "ok", "ARTICLE": "ok", "POST": "ok", "QUIT": "ok",
    "caps": "none", "compress": "ok", "COMPRESS": "ok",
    "greeting_text": b"200 fake news server ready\r\n", "range": (5, 1, 5), "overview": "normal", "gate": 0,
    "article": "ok", "posted": "ok", "groups": 0, "posting_host": "",
}

SCENARIOS = {
    "normal": {},
    "list_ok": {},
    "auth_281_user": {"AUTHINFO USER": "281"},
    "auth_refused": {"AUTHINFO PASS": "481"},
    "auth_user_rejected": {"AUTHINFO USER": "502"},
    "auth_required": {"LIST": "480"},
    "greeting_502": {"GREETING": "502", "MODE": "502", "LIST": "502"},
    "silent_after_greeting": {"MODE": "silence"},
    "silent_mid_list": {"LIST": "stall:-3"},
    "disconnect_mid_list": {"LIST": "cut:-8"},
    "oversize_greeting": {"GREETING": "endless"},
    "oversize_list": {"LIST": "huge:5000000"},
    "close_at_once": {"GREETING": "cut:7"},
    "multiline_split": {"GREETING": "split", "greeting_text": b"215 ok\r\nline one\r\nline two\r\n.\r\n"},
    "replies_at_once": {"greeting_text": b"200 ready\r\n215 ok\r\nline one\r\n.\r\n200 after\r\n"},
    "mode_reader_required": {"gate": 1},
    "overview_odd": {"overview": "odd"},
    "xover_empty": {"overview": "none"},
    "group_range": {"range": (5000, 15001, 20000)},
    "post_refused": {"POST": "440"},
    "post_failed": {"posted": "441"},
    "post_silent": {"posted": "silence"},
    "post_stall": {"article": "stall:100"},
    "post_cut": {"article": "cut:100"},
    "caps_reader": {"caps": "VERSION 2,READER"},
    "caps_over": {"caps": "VERSION 2,READER,OVER"},
    "caps_silent": {"caps": "READER", "CAPABILITIES": "silence"},
    "deflate": {"caps": "READER,OVER,COMPRESS DEFLATE"},
    "deflate_refused": {"caps": "READER,OVER,COMPRESS DEFLATE", "COMPRESS": "403"},
    "deflate_corrupt": {"caps": "READER,OVER,COMPRESS DEFLATE", "compress": "corrupt"},
    "deflate_cut": {"caps": "READER,OVER,COMPRESS DEFLATE", "compress": "cut"},
}
# group_411, xover_420, article_430, ...: the command answers that error code.
for command, codes in (("GROUP", "411 480 502"), ("XOVER", "412 420 423 480 502"),
                       ("ARTICLE", "420 423 430 480 502")):
    for code in codes.split():
        SCENARIOS["%s_%s" % (command.lower(), code)] = {command: code}
# group_silent, xover_cut, article_huge, ...: the command's reply in that mode.
for command in ("GROUP", "XOVER", "ARTICLE"):
    for suffix, mode in (("silent", "silence"), ("cut", "cut:100"), ("stall", "stall:100"),
                         ("endless", "endless"), ("huge", "huge:%d" % HUGE_BYTES), ("split", "split")):
        SCENARIOS["%s_%s" % (command.lower(), suffix)] = {command: mode}

MODE_SYNTAX = re.compile(r"^(ok|split|\d{3}|silence|endless|(cut|stall):-?\d+|huge:\d+|trickle:\d+(\.\d+)?)$")

state = {"scenario": {}, "keep": False, "logs": [], "posted": b"", "last": time.time()}
lock = threading.Lock()


class Reply:
    """A reply before it is sent: the status line and, for a multi-line reply, its lines."""

    def __init__(self, status, lines=None):
        self.status, self.lines = status, lines

    def render(self):
        if self.lines is None:
            return self.status + b"\r\n"
        body = b"".join((b"." + l if l.startswith(b".") else l) + b"\r\n" for l in self.lines)
        return self.status + b"\r\n" + body + b".\r\n"

    def grow(self, size):
        if self.lines is None:
            self.status += b"x" * max(0, size - len(self.status))
            return
        filler, total, n = [], len(self.render()), 0
        while total < size:
            n += 1
            line = b"Filler line %07d " % n + b"x" * 60
            filler.append(line)
            total += len(line) + 2
        self.lines = self.lines + filler


def article_text(number, posting_host=""):
    subject, author, references, body = ARTICLES.get(
        number, ("Article %d" % number, "Poster <poster@fake.invalid>", "", ["Body of article %d." % number]))
    headers = ["From: " + author, "Newsgroups: " + GROUP, "Subject: " + subject,
               "Date: Mon, 01 Jan 2024 10:%02d:00 +0000" % (number % 60), "Message-ID: " + message_id(number)]
    if references:
        headers.append("References: " + references)
    if posting_host:
        headers.append("NNTP-Posting-Host: " + posting_host)
    return [l.encode("latin-1") for l in headers + [""] + body]


def message_id(number):
    return "<%d.fake.test@rillpost.invalid>" % number


def overview_line(number, kind, posting_host="", article_mode="ok"):
    if kind == "odd" and number in ODD_OVERVIEW:
        return ODD_OVERVIEW[number]
    lines = article_text(number, posting_host)
    fields = [b"%d" % (number - 5 if kind == "low" else number)] + [header_value(lines, name) for name in
                                 (b"Subject", b"From", b"Date", b"Message-ID", b"References")]
    size = sum(len(l) + 2 for l in lines)
    if article_mode.startswith("huge:"):
        # With ARTICLE=huge:N the overview tells the grown article's size, as a server does.
        size = grown_size(number, lines, int(article_mode[5:]))
    body_lines = len(lines) - lines.index(b"") - 1
    return b"\t".join(fields + [b"%d" % size, b"%d" % body_lines, b"Xref: fake.example %s:%d" % (GROUP.encode(), number)])


def grown_size(number, lines, size):
    """The bytes of the article's lines (CR LF each) once grown as ARTICLE=huge:size grows them."""
    reply = Reply(b"220 %d %s article" % (number, message_id(number).encode()), lines)
    reply.grow(size)
    return sum(len(l) + 2 for l in reply.lines)


def header_value(lines, name):
    for l in lines:
        if l.startswith(name + b": "):
            return l[len(name) + 2:]
    return b""


class Connection:
    """One news connection: its settings, its command log, the selected group, reader mode."""

    def __init__(self, conn, settings, log):
        self.conn, self.settings, self.log = conn, settings, log
        self.reader = conn.makefile("rb")
        self.group = None
        self.reader_mode = False
        self.handlers = {
            "GREETING": lambda words: Reply(self.settings["greeting_text"][:-2]),
            "MODE": self.mode, "AUTHINFO USER": lambda words: Reply(b"381 password please"),
            "AUTHINFO PASS": self.password, "LIST": self.list_groups,
            "GROUP": self.select_group, "XOVER": self.xover, "OVER": self.over, "CAPABILITIES": self.capabilities,
            "ARTICLE": self.article, "POST": self.post, "COMPRESS": self.compress,
            "QUIT": lambda words: Reply(b"205 bye"),
        }

    def list_groups(self, words):
        """The LIST reply; groups=N adds N generated groups, listed in descending order."""
        extra = [b"big.group%06d 10 1 y" % n for n in range(self.settings["groups"], 0, -1)]
        return Reply(b"215 newsgroups follow", LIST_GROUPS + extra)

    def articles(self):
        """The numbers of the selected group's articles."""
        if self.group != GROUP:
            return range(0)
        _, first, last = self.settings["range"]
        return range(first, last + 1)

    def mode(self, words):
        self.reader_mode = True
        return Reply(b"200 reader")

    def password(self, words):
        return Reply(b"281 welcome" if words[2:] == ["secret"] else b"481 rejected")

    def select_group(self, words):
        name = words[1] if len(words) > 1 else ""
        if name == GROUP:
            count, first, last = self.settings["range"]
        elif name == "fake.empty":
            count, first, last = 0, 1, 0
        else:
            return error_reply("411")
        self.group = name
        return Reply(b"211 %d %d %d %s" % (count, first, last, name.encode("latin-1")))

    def xover(self, words):
        if self.group is None:
            return error_reply("412")
        numbers = self.articles()
        text = words[1] if len(words) > 1 else str(numbers.start)
        low, _, high = text.partition("-")
        try:
            low = int(low)
            high = int(high) if high else (numbers.stop - 1 if "-" in text else low)
        except ValueError:
            return error_reply("423")
        wanted = range(max(low, numbers.start), min(high, numbers.stop - 1) + 1)
        if self.settings["overview"] == "none" or not wanted:
            return Reply(b"224 No articles in " + text.encode("latin-1"), [])
        kind = self.settings["overview"]
        host, article_mode = self.settings["posting_host"], self.settings["ARTICLE"]
        return Reply(b"224 Overview information follows", [overview_line(n, kind, host, article_mode) for n in wanted])

    def listed(self):
        caps = self.settings["caps"]
        return [] if caps == "none" else caps.split(",")

    def capabilities(self, words):
        if self.settings["caps"] == "none":
            return Reply(b"500 what?")
        return Reply(b"101 capability list", [c.encode("latin-1") for c in self.listed()])

    def compress(self, words):
        """206, then everything both ways goes through the deflate streams."""
        if "COMPRESS DEFLATE" not in self.listed() or words[1:] != ["DEFLATE"]:
            return Reply(b"500 what?")
        self.conn.sendall(b"206 compression active\r\n")
        self.conn = self.reader = Deflated(self.conn, self.reader, self.settings["compress"])
        return None

    def over(self, words):
        """XOVER as OVER: an empty range is 423 rather than an empty list."""
        if "OVER" not in self.listed():
            return Reply(b"500 what?")
        reply = self.xover(words)
        return error_reply("423") if reply.lines == [] else reply

    def article(self, words):
        wanted = words[1] if len(words) > 1 else ""
        found = ARTICLE_IDS.match(wanted)
        if found:
            number = int(found.group(1))
            _, first, last = self.settings["range"]
            if not first <= number <= last:
                return error_reply("430")
            shown = 0
        else:
            if self.group is None:
                return error_reply("412")
            numbers = self.articles()
            if not wanted:
                if not numbers:
                    return error_reply("420")
                wanted = str(numbers.start)
            number = int(wanted) if wanted.isdigit() else -1
            if number not in numbers:
                return error_reply("423")
            shown = number
        status = b"220 %d %s article" % (shown, message_id(number).encode())
        return Reply(status, article_text(number, self.settings["posting_host"]))

    def post(self, words):
        """Reads the article as the settings say; None when the connection is to end."""
        self.conn.sendall(b"340 send article\r\n")
        kind, _, arg = self.settings["article"].partition(":")
        limit = int(arg) if arg else None
        received = bytearray()
        while True:
            raw = self.reader.readline() if limit is None else self.reader.readline(max(1, limit - len(received)))
            received += raw
            with lock:
                state["posted"] = bytes(received)
            if not raw or raw == b".\r\n":
                break
            if limit is not None and len(received) >= limit:
                if kind == "stall":
                    time.sleep(HOLD_SECONDS)
                return None
        posted = self.settings["posted"]
        if posted == "silence":
            time.sleep(HOLD_SECONDS)
            return None
        return Reply(b"240 article received") if posted == "ok" else error_reply(posted)

    def answer(self, key, words):
        """Sends the reply to one command as its mode says. False when the connection ends."""
        mode = self.settings.get(key, "ok")
        if self.settings["gate"] and not self.reader_mode and key in ("GROUP", "XOVER", "OVER", "ARTICLE", "POST"):
            mode = "401"
        if mode.isdigit():
            self.conn.sendall(error_reply(mode).render())
            return True
        if mode == "silence":
            time.sleep(HOLD_SECONDS)
            return False
        reply = self.handlers[key](words)
        if reply is None:
            return key == "COMPRESS"

        kind, _, arg = mode.partition(":")
        if kind == "huge":
            reply.grow(int(arg))
        data = reply.render()
        if kind in ("ok", "huge"):
            self.conn.sendall(data)
        elif kind == "split":
            send_pieces(self.conn, data)
        elif kind in ("cut", "stall"):
            self.conn.sendall(data[:int(arg)])
            if kind == "stall":
                time.sleep(HOLD_SECONDS)
            return False
        elif kind == "trickle":
            # The whole reply, one byte every so many seconds: each read gets something, the
            # reply never gets anywhere.
            for i in range(len(data)):
                self.conn.sendall(data[i:i + 1])
                time.sleep(float(arg))
        elif kind == "endless":
            self.conn.sendall(data[:4])
            chunk, sent = b"x" * 65536, 0
            while sent < ENDLESS_CAP:
                self.conn.sendall(chunk)
                sent += len(chunk)
            return False
        return key != "QUIT"

    def serve(self):
        if not self.answer("GREETING", []):
            return
        while True:
            raw = self.reader.readline()
            if not raw:
                return
            line = raw.rstrip(b"\r\n").decode("latin-1")
            with lock:
                self.log.append(line)
            words = line.split(" ")
            key = words[0].upper()
            if key == "AUTHINFO" and len(words) > 1:
                key += " " + words[1].upper()
            if key not in self.handlers or key == "GREETING":
                self.conn.sendall(b"500 what?\r\n")
            elif not self.answer(key, words):
                return


class Deflated:
    """A connection after COMPRESS DEFLATE, in place of both the socket (sendall) and its reader
    (readline): raw deflate both ways, every write flushed."""

    def __init__(self, conn, reader, damage):
        self.conn, self.raw, self.damage = conn, reader, damage
        self.deflater = zlib.compressobj(9, zlib.DEFLATED, -15)
        self.inflater = zlib.decompressobj(-15)
        self.pending = b""

    def sendall(self, data):
        block = self.deflater.compress(data) + self.deflater.flush(zlib.Z_SYNC_FLUSH)
        if self.damage == "corrupt":
            block = b"\x07\x00\x00\x00" + block  # a final block of the reserved type 3
        elif self.damage == "cut":
            self.conn.sendall(block[:len(block) // 2])
            # The reader made from the socket would keep it open.
            self.conn.shutdown(socket.SHUT_RDWR)
            raise OSError("cut in mid-block")
        self.conn.sendall(block)

    def readline(self, limit=-1):
        while b"\n" not in self.pending and (limit < 0 or len(self.pending) < limit):
            chunk = self.raw.read1(4096)
            if not chunk:
                break
            self.pending += self.inflater.decompress(chunk)
        end = self.pending.find(b"\n") + 1 or len(self.pending)
        if limit >= 0:
            end = min(end, limit)
        line, self.pending = self.pending[:end], self.pending[end:]
        return line


def error_reply(code):
    return Reply(("%s %s" % (code, ERROR_TEXTS.get(code, "refused"))).encode())


def send_pieces(conn, data):
    """Sends data cut after every CR and in the middle of every line, each piece on its own."""
    cuts, start = [], 0
    for end in [i + 1 for i, c in enumerate(data) if c == 13] + [len(data)]:
        cuts += [(start + end) // 2, end]
        start = end
    previous = 0
    for cut in sorted(set(cuts)):
        if cut > previous:
            conn.sendall(data[previous:cut])
            previous = cut
            time.sleep(0.03)


def serve_news(conn):
    with lock:
        settings = dict(DEFAULT, **state["scenario"])
        if not state["keep"]:
            state["scenario"] = {}
        log = []
        state["logs"].append(log)
    conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    conn.settimeout(HOLD_SECONDS + 15)
    Connection(conn, settings, log).serve()


def parse_scenario(words):
    """The settings of a SCENARIO line's words after the name, or an error text."""
    if not words or words[0] not in SCENARIOS:
        return None, False, "unknown scenario"
    settings, keep = dict(SCENARIOS[words[0]]), False
    for word in words[1:]:
        if word == "KEEP":
            keep = True
            continue
        key, _, value = word.partition("=")
        key = key.replace("_", " ") if key.startswith("AUTHINFO") else key
        if key.isupper() and key in DEFAULT and MODE_SYNTAX.match(value):
            settings[key] = value
        elif key == "range" and re.match(r"^\d+:\d+:\d+$", value):
            settings[key] = tuple(int(n) for n in value.split(":"))
        elif key == "overview" and value in ("normal", "odd", "none", "low"):
            settings[key] = value
        elif key == "groups" and value.isdigit():
            settings[key] = int(value)
        elif key == "gate" and value in ("0", "1"):
            settings[key] = int(value)
        elif key == "article" and re.match(r"^(ok|(cut|stall):\d+)$", value):
            settings[key] = value
        elif key == "posted" and re.match(r"^(ok|silence|\d{3})$", value):
            settings[key] = value
        elif key == "posting_host" and re.match(r"^[0-9A-Za-z.:-]+$", value):
            settings[key] = value
        elif key == "compress" and value in ("ok", "corrupt", "cut"):
            settings[key] = value
        elif key == "caps" and re.match(r"^[0-9A-Za-z ,-]+$", value):
            settings[key] = value
        else:
            return None, False, "bad setting " + word
    return settings, keep, None


def serve_control(conn):
    reader = conn.makefile("rb")
    for raw in reader:
        words = raw.decode("latin-1").split()
        if not words:
            continue
        with lock:
            if words[0] == "SCENARIO":
                settings, keep, why = parse_scenario(words[1:])
                if why:
                    answer = "ERR " + why
                else:
                    state.update(scenario=settings, keep=keep, logs=[], posted=b"")
                    answer = "OK"
            elif words[0] == "RESET":
                state.update(scenario={}, keep=False, logs=[])
                answer = "OK"
            elif words[0] == "LOG":
                answer = "|".join(state["logs"][-1]) if state["logs"] else ""
            elif words[0] == "POSTED":
                answer = state["posted"].hex()
            elif words[0] == "LOGALL":
                answer = "||".join("|".join(log) for log in state["logs"])
            else:
                answer = "ERR unknown command"
        conn.sendall(answer.encode("latin-1") + b"\r\n")


def accept_loop(listener, handler):
    while True:
        conn, _ = listener.accept()
        state["last"] = time.time()

        def run(c=conn):
            try:
                handler(c)
                # The reader made from the socket keeps it open: shut it down explicitly.
                c.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            finally:
                c.close()

        threading.Thread(target=run, daemon=True).start()


def listen(address, port):
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind((address, port))
    s.listen(8)
    return s


def listen_119():
    """A listener on port 119 of the first free address, or None."""
    for address in PORT_119_ADDRESSES:
        try:
            return listen(address, 119)
        except OSError:
            continue
    return None


def run_server(directory):
    news, control, news119 = listen("127.0.0.1", 0), listen("127.0.0.1", 0), listen_119()
    for listener, handler in ((news, serve_news), (control, serve_control), (news119, serve_news)):
        if listener:
            threading.Thread(target=accept_loop, args=(listener, handler), daemon=True).start()
    with open(os.path.join(directory, "fake_nntp.pid"), "w") as f:
        f.write(str(os.getpid()))
    tmp = os.path.join(directory, "fake_nntp_port.tmp")
    with open(tmp, "w") as f:
        f.write("%d %d %s\n" % (news.getsockname()[1], control.getsockname()[1],
                                news119.getsockname()[0] if news119 else "-"))
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
