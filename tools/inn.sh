#!/usr/bin/env bash
# Starts or stops the local INN2 news server on 127.0.0.1:119 and seeds the test groups.
#   tools/inn.sh start    start innd (idempotent) and wait until it answers
#   tools/inn.sh seed     create the test and demo groups and post their articles
#   tools/inn.sh seed-bench   create the benchmark groups: 10,000 articles, one 20 MB article, and
#                         100,000 varied articles (slow the first time: minutes)
#   tools/inn.sh tls      give INN2 a certificate made here (STARTTLS on 119) and start an
#                         NNTPS reader daemon on 127.0.0.1:563; additive and idempotent: innd
#                         keeps running, and nnrpd reads inn.conf anew for every connection
#   tools/inn.sh stop
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=/usr/lib/news/bin

answers() {
    python3 - <<'PY'
import socket, sys
try:
    s = socket.create_connection(("127.0.0.1", 119), timeout=3)
    line = s.makefile("rb").readline()
    sys.exit(0 if line[:3] in (b"200", b"201") else 1)
except OSError:
    sys.exit(1)
PY
}

case "${1:-start}" in
start)
    if answers; then exit 0; fi
    grep -q '^bindaddress:' /etc/news/inn.conf || echo 'bindaddress: 127.0.0.1' >> /etc/news/inn.conf
    mkdir -p /run/news && chown news:news /run/news
    su news -s /bin/sh -c "$bin/rc.news start" > /tmp/rillpost-inn.log 2>&1 || true
    for _ in $(seq 1 60); do
        if answers; then exit 0; fi
        sleep 0.5
    done
    echo "inn.sh: innd did not answer on 127.0.0.1:119" >&2
    cat /tmp/rillpost-inn.log >&2 || true
    exit 1
    ;;
seed)
    python3 "$here/inn_seed.py"
    ;;
seed-bench)
    python3 "$here/inn_seed.py" --bench
    python3 "$here/inn_seed.py" --varied
    ;;
tls)
    # The key is made on this machine and never leaves it. Its fingerprint is printed for tests.
    dir=/etc/news/rillpost-tls
    if [ ! -s "$dir/cert.pem" ] || [ ! -s "$dir/key.pem" ]; then
        mkdir -p "$dir"
        openssl req -x509 -newkey rsa:2048 -nodes -keyout "$dir/key.pem" -out "$dir/cert.pem" -days 3650 \
            -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 > /dev/null 2>&1
        chown -R news:news "$dir"
        chmod 600 "$dir/key.pem"
    fi
    grep -q '^tlscertfile:' /etc/news/inn.conf || echo "tlscertfile: $dir/cert.pem" >> /etc/news/inn.conf
    grep -q '^tlskeyfile:' /etc/news/inn.conf || echo "tlskeyfile: $dir/key.pem" >> /etc/news/inn.conf
    if ! (exec 3<>/dev/tcp/127.0.0.1/563) 2> /dev/null; then
        su news -s /bin/sh -c "$bin/nnrpd -D -S -b 127.0.0.1 -p 563" >> /tmp/rillpost-inn.log 2>&1 || true
        for _ in $(seq 1 20); do
            (exec 3<>/dev/tcp/127.0.0.1/563) 2> /dev/null && break
            sleep 0.5
        done
    fi
    openssl x509 -in "$dir/cert.pem" -noout -fingerprint -sha256 | sed 's/^.*=//'
    ;;
stop)
    # The NNTPS reader daemon of "tls" is not innd's child: it is stopped by its own pid file.
    if [ -s /run/news/nnrpd-563.pid ]; then kill "$(cat /run/news/nnrpd-563.pid)" 2> /dev/null || true; fi
    su news -s /bin/sh -c "$bin/rc.news stop" > /dev/null 2>&1 || true
    ;;
*)
    echo "usage: $0 start|seed|seed-bench|tls|stop" >&2
    exit 2
    ;;
esac
