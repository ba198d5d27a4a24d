#!/usr/bin/env bash
# Mail benchmark, run by hand: 999 pay slips as PDFs e-mailed to the local test server.
#   1. vexlo-merge makes the 999 documents and PDFs (time, peak memory);
#   2. mail_bench sends those PDFs through the delivery loop alone (time, peak memory);
#   3. vexlo-merge makes them again and e-mails them in one run (time, peak memory).
# Every run is checked: 999 messages arrive. Usage: bench/mail_bench.sh [COUNT] (default 999).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${VEXLO_BUILD_DIR:-$root/build}"
count="${1:-999}"
work=$(mktemp -d)
server_pid=""
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
  -addext subjectAltName=IP:127.0.0.1 -keyout key.pem -out cert.pem >/dev/null 2>&1
export VEXLO_SMTP_PASSWORD=bench-password
start_server() {
  rm -rf box port && mkdir box
  /usr/bin/python3 "$root/tests/mail/smtp_test_server.py" --folder box --port-file port \
    --cert cert.pem --key key.pem --user clerk --password "$VEXLO_SMTP_PASSWORD" 2>server.log &
  server_pid=$!
  for _ in $(seq 100); do [ -s port ] && break; sleep 0.1; done
}
stop_server() { kill "$server_pid"; wait "$server_pid" 2>/dev/null || true; server_pid=""; }
received() { find box -name '*.eml' | wc -l; }

cp "$root/tests/data/merge/模板.docx" 模板.docx
/usr/bin/python3 - "$count" <<'PY'
import sys
n = int(sys.argv[1])
with open("名单.csv", "w", encoding="utf-8") as f:
    f.write("姓名,邮箱,部门,ID,IDENTITY\n")
    for i in range(1, n + 1):
        f.write("员工%04d,person%d@example.cn,部门%d,%d,编号%d\n" % (i, i, i % 17, 1000 + i, i))
PY
timed() { /usr/bin/time -f "%e s, peak memory %M KB" "$@"; }

echo "== $count documents and PDFs (vexlo-merge --pdf)"
timed "$build/vexlo-merge" --data 名单.csv --template 模板.docx --out pdfs --pdf >/dev/null 2>err.txt || { cat err.txt; exit 1; }
tail -1 err.txt

start_server
echo "== sending $count PDFs (mail_bench)"
"$build/bench/mail_bench" pdfs "smtp://127.0.0.1:$(cat port)" cert.pem clerk
echo "received: $(received)"
stop_server

start_server
echo "== $count documents, PDFs and messages in one run (vexlo-merge --mail-column ...)"
timed "$build/vexlo-merge" --data 名单.csv --template 模板.docx --out run --mail-column 邮箱 \
  --smtp "smtp://127.0.0.1:$(cat port)" --smtp-user clerk --smtp-ca cert.pem \
  --mail-from '人事部 <hr@example.cn>' --mail-subject '姓名：2026年11月工资条' --mail-rate 6000 \
  >/dev/null 2>err.txt || { cat err.txt; exit 1; }
grep -E '已发送|peak' err.txt
echo "received: $(received)"
stop_server
