#!/usr/bin/env bash
# The first sync of N contacts to an address book that answers each write after DELAY seconds
# (slowbook.py), as a server that far away over the network would; loopback servers answer at
# once and so cannot show what writing over several connections gains there.
#
#   benchmarks/carddav/latency.sh [PELMORA]      N=200 DELAY=0.03 by default
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
pelmora=${1:-$here/../../build/pelmora}
N=${N:-200}
DELAY=${DELAY:-0.03}
work=$(mktemp -d)
port=$(python3 -c "import socket;s=socket.socket();s.bind(('127.0.0.1',0));print(s.getsockname()[1])")
python3 "$here/slowbook.py" "$port" "$DELAY" &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
    (echo >"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.1
done
"$pelmora" --home "$work" databases new Bench >/dev/null
sqlite3 "$work/Bench/database.sqlite" "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < $N)
    INSERT INTO Contacts (LName, FName, EMail) SELECT 'p' || i, 'Test', 'p' || i || '@example.org' FROM n;"
PELMORA_CARDDAV_PASSWORD=x "$pelmora" --home "$work" carddav setup "http://127.0.0.1:$port/book/" --user "" >/dev/null
start=$(date +%s.%N)
result=$("$pelmora" --home "$work" carddav sync | tr -d ' \n')
end=$(date +%s.%N)
echo "first sync of $N contacts, ${DELAY}s a write: $(python3 -c "print(f'{$end - $start:.2f}')")s  $result"
