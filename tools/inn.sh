#!/usr/bin/env bash
# Starts or stops the local INN2 news server on 127.0.0.1:119 and seeds the test groups.
#   tools/inn.sh start    start innd (idempotent) and wait until it answers
#   tools/inn.sh seed     create the test and demo groups and post their articles
#   tools/inn.sh seed-bench   create the benchmark groups: 10,000 articles, and one 20 MB article (slow the first time)
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
    ;;
stop)
    su news -s /bin/sh -c "$bin/rc.news stop" > /dev/null 2>&1 || true
    ;;
*)
    echo "usage: $0 start|seed|seed-bench|stop" >&2
    exit 2
    ;;
esac
