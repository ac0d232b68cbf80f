#!/usr/bin/env python3
"""A scripted news server with TLS for the client's secure-connection tests.

  tls_nntp_server.py start DIR   make certificates in DIR with openssl, start in the background;
                                 writes DIR/tls_nntp_ports.txt ("<scenario> <port>" lines),
                                 DIR/good.sha256 (fingerprint of the good certificate) and
                                 DIR/tls_nntp.pid
  tls_nntp_server.py stop DIR    stop the server started for DIR

Every scenario listens on its own ephemeral port of 127.0.0.1. The commands of the last
connection of a scenario are in DIR/log_<scenario>.txt joined by "|", each one received over TLS
prefixed "tls:" so that a test sees what went in clear. The last posted article is in
DIR/posted_<scenario>.txt. Certificates and keys exist only in DIR, made at start.

Scenarios:
  nntps       TLS from the first byte, the good certificate (self-signed, for 127.0.0.1)
  starttls    plain; CAPABILITIES offers STARTTLS, which switches to TLS with the good certificate
  nostarttls  plain; CAPABILITIES does not offer STARTTLS
  refused     plain; STARTTLS offered but answered 580
  cleartail   plain; STARTTLS offered, answered 382 with clear text behind it in the same write
  expired     TLS, a certificate whose dates have passed
  wrongname   TLS, a certificate for another host name
  badsig      TLS, a certificate for another host name whose signature has one bit flipped
  crl         TLS, a certificate for 127.0.0.1 issued by an authority of the test's own, naming
              a revocation list at an address where nothing answers (http://127.0.0.9:1/);
              DIR/crl.sha256 holds its fingerprint, DIR/crl_ca.pem the authority's certificate
  cut0, cut5, cut100, cut1000
              TLS whose handshake stops after that many bytes from the server, then closes
  garbage     a plain greeting where the TLS handshake should be
  silent      accepts and never answers
  midrecord   TLS; the reply to LIST ends in the middle of a record and the connection closes
  closenotify TLS; the reply to LIST stops after its first line with a close_notify
  renegotiate, renegotiate_cert
              TLS 1.2 from openssl s_server, the good certificate; after LIST the server asks
              for a new handshake (the second also asks for a client certificate), waits for it,
              then sends the list. The log holds the commands only (no "tls:" prefix).
The server ends by itself after ten idle minutes.
"""
import os
import signal
import socket
import ssl
import subprocess
import sys
import threading
import time

IDLE_LIMIT = 600
ARTICLE_BODY = b"Body over TLS.\r\n..dot-stuffed line\r\n"

CA_CONFIG = """[ca]
default_ca = test
[test]
database = {dir}/ca_index.txt
new_certs_dir = {dir}
serial = {dir}/ca_serial
default_md = sha256
policy = any
copy_extensions = copy
[any]
commonName = supplied
"""


def openssl(*args):
    subprocess.run(["openssl"] + list(args), check=True, capture_output=True)


def make_certificate(folder, name, common_name, start=None, end=None):
    key, cert = os.path.join(folder, name + ".key"), os.path.join(folder, name + ".pem")
    san = "subjectAltName=IP:127.0.0.1" if common_name == "127.0.0.1" else "subjectAltName=DNS:" + common_name
    if start is None:
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert, "-days", "30",
                "-subj", "/CN=" + common_name, "-addext", san)
    else:
        # Dates in the past need the ca command; it signs the request with its own key.
        csr = os.path.join(folder, name + ".csr")
        config = os.path.join(folder, "ca.cnf")
        with open(config, "w") as f:
            f.write(CA_CONFIG.format(dir=folder))
        open(os.path.join(folder, "ca_index.txt"), "w").close()
        with open(os.path.join(folder, "ca_serial"), "w") as f:
            f.write("01\n")
        openssl("req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", csr,
                "-subj", "/CN=" + common_name, "-addext", san)
        openssl("ca", "-batch", "-notext", "-selfsign", "-keyfile", key, "-in", csr, "-out", cert,
                "-startdate", start, "-enddate", end, "-config", config)
    return cert, key


def corrupt_signature(cert):
    """The signature is the end of the certificate's encoding: its last bit is flipped."""
    with open(cert) as f:
        der = bytearray(ssl.PEM_cert_to_DER_cert(f.read()))
    der[-1] ^= 1
    with open(cert, "w") as f:
        f.write(ssl.DER_cert_to_PEM_cert(bytes(der)))


def make_issued_certificate(folder, name, authority, extensions):
    """A certificate for 127.0.0.1 signed by `authority` (cert, key); the served file holds the
    authority's certificate after its own."""
    key, cert = os.path.join(folder, name + ".key"), os.path.join(folder, name + ".pem")
    csr, extfile = os.path.join(folder, name + ".csr"), os.path.join(folder, name + ".ext")
    with open(extfile, "w") as f:
        f.write("subjectAltName=IP:127.0.0.1\n" + extensions + "\n")
    openssl("req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", csr, "-subj", "/CN=127.0.0.1")
    openssl("x509", "-req", "-in", csr, "-CA", authority[0], "-CAkey", authority[1], "-set_serial", "2", "-days",
            "30", "-extfile", extfile, "-out", cert)
    chain = os.path.join(folder, name + "_chain.pem")
    with open(chain, "w") as f:
        f.write(open(cert).read() + open(authority[0]).read())
    return chain, key


def fingerprint(cert):
    out = subprocess.run(["openssl", "x509", "-in", cert, "-noout", "-fingerprint", "-sha256"],
                         check=True, capture_output=True, text=True).stdout
    return out.strip().split("=", 1)[1] + "\n"


def context(cert_key):
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(*cert_key)
    return ctx


class Stream:
    """One connection, plain or TLS over memory BIOs so that the bytes on the wire stay ours."""

    def __init__(self, conn):
        self.conn = conn
        self.tls = None
        self.buffer = b""

    def handshake(self, ctx, cut=None):
        incoming, outgoing = ssl.MemoryBIO(), ssl.MemoryBIO()
        tls = ctx.wrap_bio(incoming, outgoing, server_side=True)
        if self.buffer:
            incoming.write(self.buffer)
            self.buffer = b""
        sent = 0
        while True:
            try:
                tls.do_handshake()
                done = True
            except ssl.SSLWantReadError:
                done = False
            data = outgoing.read()
            if cut is not None and data and sent + len(data) >= cut:
                self.conn.sendall(data[:cut - sent])
                return False
            self.conn.sendall(data)
            sent += len(data)
            if done:
                break
            more = self.conn.recv(65536)
            if not more:
                return False
            incoming.write(more)
        self.tls, self.incoming, self.outgoing = tls, incoming, outgoing
        return True

    def send(self, data, cut_half=False):
        if self.tls is None:
            self.conn.sendall(data)
            return
        self.tls.write(data)
        wire = self.outgoing.read()
        self.conn.sendall(wire[:len(wire) // 2] if cut_half else wire)

    def close_notify(self):
        try:
            self.tls.unwrap()
        except ssl.SSLWantReadError:
            pass
        self.conn.sendall(self.outgoing.read())

    def readline(self):
        while b"\n" not in self.buffer:
            if self.tls is not None:
                try:
                    self.buffer += self.tls.read(65536)
                    continue
                except ssl.SSLWantReadError:
                    pass
                except (ssl.SSLZeroReturnError, ssl.SSLError):
                    return None
            more = self.conn.recv(65536)
            if not more:
                return None
            if self.tls is not None:
                self.incoming.write(more)
            else:
                self.buffer += more
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line + b"\n"


def relay(source, target):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            target.sendall(data)
    except OSError:
        pass
    finally:
        try:
            target.shutdown(socket.SHUT_WR)
        except OSError:
            pass


def serve_renegotiating(server, name, conn, cert_key):
    """Python's ssl cannot start a renegotiation, s_server can: it is given the connection through
    a relay and driven through its console, where a line "r" (or "R", asking for a client
    certificate too) renegotiates and any other line goes to the client."""
    child = subprocess.Popen(["openssl", "s_server", "-accept", "127.0.0.1:0", "-cert", cert_key[0], "-key",
                              cert_key[1], "-tls1_2", "-naccept", "1", "-crlf"],
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    try:
        line = child.stdout.readline()
        while line and not line.startswith(b"ACCEPT"):
            line = child.stdout.readline()
        upstream = socket.create_connection(("127.0.0.1", int(line.rsplit(b":", 1)[1])))
        threading.Thread(target=relay, args=(conn, upstream), daemon=True).start()
        threading.Thread(target=relay, args=(upstream, conn), daemon=True).start()

        def say(text):
            child.stdin.write(text)
            child.stdin.flush()

        say(b"200 renegotiating news server ready\n")
        log = []
        # s_server's console also carries its own reports; the client's lines end in CR LF.
        for line in iter(child.stdout.readline, b""):
            if not line.endswith(b"\r\n"):
                continue
            command = line.rstrip(b"\r\n")
            log.append(command)
            server.write(name, "log", b"|".join(log))
            verb = command.split(b" ", 1)[0].upper()
            if verb == b"MODE":
                say(b"200 reader mode\n")
            elif verb == b"LIST":
                say(b"R\n" if name == "renegotiate_cert" else b"r\n")
                # Application data in the middle of the new handshake would break it: the
                # client has the time to answer the server's request first.
                time.sleep(2)
                say(b"215 list follows\nalt.renegotiated 3 1 y\n.\n")
            elif verb == b"QUIT":
                say(b"205 bye\n")
                break
            else:
                say(b"500 what?\n")
    except (OSError, ValueError, IndexError):
        pass
    finally:
        child.kill()
        child.wait()
        conn.close()


class Server:
    def __init__(self, folder):
        self.folder = folder
        self.last_activity = time.time()
        good = make_certificate(folder, "good", "127.0.0.1")
        self.good = context(good)
        self.good_files = good
        self.contexts = {
            "expired": context(make_certificate(folder, "expired", "127.0.0.1", "20200101000000Z", "20200201000000Z")),
            "wrongname": context(make_certificate(folder, "wrongname", "other.invalid")),
        }
        badsig = make_certificate(folder, "badsig", "other.invalid")
        corrupt_signature(badsig[0])
        self.contexts["badsig"] = context(badsig)
        authority = make_certificate(folder, "crl_ca", "authority.invalid")
        self.contexts["crl"] = context(make_issued_certificate(
            folder, "crl", authority, "crlDistributionPoints=URI:http://127.0.0.9:1/x.crl"))
        for name in ("good", "crl"):
            with open(os.path.join(folder, name + ".sha256"), "w") as f:
                f.write(fingerprint(os.path.join(folder, name + ".pem")))

    def write(self, name, kind, text):
        with open(os.path.join(self.folder, "%s_%s.txt" % (kind, name)), "wb") as f:
            f.write(text)

    def serve(self, name, conn):
        self.last_activity = time.time()
        stream = Stream(conn)
        log = []
        self.write(name, "log", b"")
        if name.startswith("renegotiate"):
            serve_renegotiating(self, name, conn, self.good_files)
            return
        try:
            if name == "silent":
                time.sleep(45)
                return
            if name == "garbage":
                conn.sendall(b"200 a plain news server\r\n")
                conn.recv(65536)
                return
            if name.startswith("cut"):
                stream.handshake(self.good, int(name[3:]))
                return
            if name in ("nntps", "midrecord", "closenotify", "expired", "wrongname", "badsig", "crl"):
                if not stream.handshake(self.contexts.get(name, self.good)):
                    return
            stream.send(b"200 fake TLS news server ready\r\n")
            while True:
                line = stream.readline()
                if line is None:
                    return
                command = line.rstrip(b"\r\n")
                log.append((b"tls:" if stream.tls else b"") + command)
                self.write(name, "log", b"|".join(log))
                if not self.answer(name, stream, command.decode("latin-1")):
                    return
        except OSError:
            pass
        finally:
            conn.close()

    def answer(self, name, stream, command):
        verb = command.split(" ", 1)[0].upper()
        if verb == "MODE":
            stream.send(b"200 reader mode\r\n")
        elif verb == "CAPABILITIES":
            offer = stream.tls is None and name in ("starttls", "refused", "cleartail")
            stream.send(b"101 capabilities\r\nVERSION 2\r\nREADER\r\n" + (b"STARTTLS\r\n" if offer else b"") +
                        b"AUTHINFO USER\r\n.\r\n")
        elif verb == "STARTTLS":
            if name == "cleartail" and stream.tls is None:
                stream.send(b"382 continue with TLS negotiation\r\n200 injected in clear\r\n")
                return stream.handshake(self.good)
            if name != "starttls" or stream.tls is not None:
                stream.send(b"580 can not initiate TLS negotiation\r\n")
                return True
            stream.send(b"382 continue with TLS negotiation\r\n")
            return stream.handshake(self.good)
        elif verb == "AUTHINFO":
            stream.send(b"381 password please\r\n" if "USER" in command.upper() else b"281 welcome\r\n")
        elif verb == "LIST" and name == "closenotify":
            stream.send(b"215 list follows\r\n")
            stream.close_notify()
            return False
        elif verb == "LIST":
            stream.send(b"215 list follows\r\ntls.test 3 1 y\r\nalt.secure 10 1 y\r\n.\r\n", name == "midrecord")
            return name != "midrecord"
        elif verb == "GROUP":
            stream.send(b"211 3 1 3 tls.test\r\n")
        elif verb == "ARTICLE":
            stream.send(b"220 1 " + command.split(" ", 1)[1].encode() + b"\r\nFrom: a@b.invalid\r\n"
                        b"Subject: over TLS\r\nNewsgroups: tls.test\r\n\r\n" + ARTICLE_BODY + b".\r\n")
        elif verb == "POST":
            stream.send(b"340 send article\r\n")
            article = b""
            while True:
                line = stream.readline()
                if line is None:
                    return False
                article += line
                if line == b".\r\n":
                    break
            self.write(name, "posted", article)
            stream.send(b"240 article posted\r\n")
        elif verb == "QUIT":
            stream.send(b"205 bye\r\n")
            return False
        else:
            stream.send(b"500 what?\r\n")
        return True


SCENARIOS = ["nntps", "starttls", "nostarttls", "refused", "cleartail", "expired", "wrongname", "badsig", "crl", "cut0", "cut5", "cut100",
             "cut1000", "garbage", "silent", "midrecord", "closenotify", "renegotiate", "renegotiate_cert"]


def run(folder):
    server = Server(folder)
    lines = []
    for name in SCENARIOS:
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", 0))
        listener.listen(8)
        lines.append("%s %d\n" % (name, listener.getsockname()[1]))

        def accept(listener=listener, name=name):
            while True:
                conn, _ = listener.accept()
                threading.Thread(target=server.serve, args=(name, conn), daemon=True).start()

        threading.Thread(target=accept, daemon=True).start()
    # Written whole and then renamed: "start" waits for the name to appear.
    with open(os.path.join(folder, "tls_nntp_ports.tmp"), "w") as f:
        f.writelines(lines)
    os.replace(os.path.join(folder, "tls_nntp_ports.tmp"), os.path.join(folder, "tls_nntp_ports.txt"))
    while time.time() - server.last_activity < IDLE_LIMIT:
        time.sleep(5)


def main():
    action, folder = sys.argv[1], os.path.abspath(sys.argv[2])
    pid_file = os.path.join(folder, "tls_nntp.pid")
    if action == "stop":
        try:
            with open(pid_file) as f:
                os.kill(int(f.read()), signal.SIGTERM)
        except (OSError, ValueError):
            pass
        return 0
    if action == "serve":
        run(folder)
        return 0
    ports = os.path.join(folder, "tls_nntp_ports.txt")
    if os.path.exists(ports):
        os.remove(ports)
    child = subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", folder],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    with open(pid_file, "w") as f:
        f.write(str(child.pid))
    for _ in range(300):
        if os.path.exists(ports):
            return 0
        time.sleep(0.1)
    return 1


if __name__ == "__main__":
    sys.exit(main())
