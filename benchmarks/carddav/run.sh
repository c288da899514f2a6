#!/usr/bin/env bash
# The contact-sync benchmark: Pelmora against an address-book server on loopback (Radicale or
# Xandikos), and vdirsyncer syncing the same number of cards with the same server in the same run,
# for each book size in SIZES (the server's cost of storing a card grows with the book, so a series
# shows how the clients scale); then `kill -9` at random moments of syncs of KILL_N contacts with
# changes on both sides, each followed by a complete sync, checking that both sides hold the same
# contacts, none lost and none doubled.
#
#   benchmarks/carddav/run.sh [BUILD_DIR]
#     SERVER=radicale|xandikos  SIZES="500 1000 2000" (or N=10000)  KILL_N=2000 ROUNDS=30
#     PHASES="sync kill big" (any of them)  BIG_N=10000  PELMORA=path of the program (default BUILD_DIR/pelmora)
#
# `big` times both clients on a book of BIG_N cards that is written straight into Radicale's
# folder (sending them would take the server hours, see sync_series): the first sync into an empty
# database (folder), an incremental sync with 10 changes on each side, and 200 new contacts sent
# into the full book.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
pelmora=${PELMORA:-$build/pelmora}
SERVER=${SERVER:-radicale}
SIZES=${SIZES:-${N:-10000}}
KILL_N=${KILL_N:-2000}
ROUNDS=${ROUNDS:-30}
PHASES=${PHASES:-sync kill}
BIG_N=${BIG_N:-10000}
work=$(mktemp -d)
servers=$work/servers
trap 'python3 "$root/scripts/servers/servers.py" stop --dir "$servers" >/dev/null 2>&1; rm -rf "$work"' EXIT

python3 "$root/scripts/servers/servers.py" start --dir "$servers" --parent $$ carddav >/dev/null
port=$(python3 -c "import json,sys;print(json.load(open(sys.argv[1]))['carddav'][sys.argv[2] + '_port'])" \
    "$servers/servers.json" "$SERVER")
export DAV_USER=pelmora DAV_PASSWORD='s3cret pass' PELMORA_CARDDAV_PASSWORD='s3cret pass'
case $SERVER in
radicale) home_url=http://127.0.0.1:$port/pelmora/ ;;
xandikos) home_url=http://127.0.0.1:$port/user/contacts/ ;;
*) echo "SERVER is radicale or xandikos" >&2; exit 2 ;;
esac
echo "== $SERVER on loopback; $(nproc) cores, $(uptime | sed 's/.*load/load/')"
dav() { python3 "$here/dav.py" "$@"; }
seconds() { python3 -c "import time;print(time.monotonic())"; }
elapsed() { python3 -c "import sys;print(f'{float(sys.argv[2])-float(sys.argv[1]):.2f}')" "$1" "$2"; }

# A Pelmora home with a new database of $2 contacts (e-mail $3<i>@example.org) synced with book $4.
new_home() {
    local home=$1 count=$2 prefix=$3 book=$4
    mkdir -p "$home"
    "$pelmora" --home "$home" databases new Bench >/dev/null
    if ((count > 0)); then
        sqlite3 "$home/Bench/database.sqlite" "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < $count)
            INSERT INTO Contacts (LName, FName, Company, EMail, City, Phone1)
            SELECT '$prefix' || i, 'Test', 'Company ' || (i % 97), '$prefix' || i || '@example.org', 'City ' || (i % 13), '+1 555 ' || i FROM n;"
    fi
    "$pelmora" --home "$home" carddav setup "$home_url" --user pelmora --book "$book" >/dev/null
}

timed_sync() { # home -> seconds; fails when the sync reported an error
    local start end
    start=$(seconds)
    "$pelmora" --home "$1" carddav sync >"$work/last-sync.json"
    end=$(seconds)
    elapsed "$start" "$end"
}

# $2 cards, e-mail $3<i>@example.org, as .vcf files in folder $1.
card_files() {
    python3 - "$1" "$2" "$3" <<'PY'
import sys, uuid
folder, count, prefix = sys.argv[1], int(sys.argv[2]), sys.argv[3]
for i in range(count):
    uid = str(uuid.uuid4())
    with open(f"{folder}/{uid}.vcf", "w", newline="") as f:
        f.write(f"BEGIN:VCARD\r\nVERSION:3.0\r\nUID:{uid}\r\nFN:{prefix}{i} Test\r\nN:{prefix}{i};Test;;;\r\n"
                f"ORG:Company {i % 97}\r\nEMAIL;TYPE=INTERNET:{prefix}{i}@example.org\r\nADR:;;;City {i % 13};;;\r\n"
                f"TEL;TYPE=work,voice:+1 555 {i}\r\nEND:VCARD\r\n")
PY
}

sync_series() {
    local n=$1 start end up down incremental
    echo "== Pelmora, $n contacts ($(uptime | sed 's/.*load/load/'))"
    dav "$home_url" mkbook pelmora-bench-$n
    new_home "$work/up-$n" "$n" up pelmora-bench-$n
    up=$(timed_sync "$work/up-$n")
    echo "first sync to an empty book:      ${up}s  $(tr -d ' \n' <"$work/last-sync.json")"
    new_home "$work/down-$n" 0 none pelmora-bench-$n
    down=$(timed_sync "$work/down-$n")
    echo "first sync into an empty database: ${down}s  $(tr -d ' \n' <"$work/last-sync.json")"
    sqlite3 "$work/up-$n/Bench/database.sqlite" "UPDATE Contacts SET City = 'Changed' WHERE Counter IN (SELECT Counter FROM Contacts ORDER BY random() LIMIT 10)"
    dav "${home_url}pelmora-bench-$n/" change 10 seed1
    incremental=$(timed_sync "$work/up-$n")
    echo "incremental, 10 changes each side: ${incremental}s  $(tr -d ' \n' <"$work/last-sync.json")"

    echo "== vdirsyncer, $n contacts ($(uptime | sed 's/.*load/load/'))"
    dav "$home_url" mkbook vdir-bench-$n
    mkdir -p "$work/vdir-up-$n" "$work/vdir-down-$n"
    card_files "$work/vdir-up-$n" "$n" v
    vdir_config "$n" "vdir-bench-$n"
    vdir() { vdirsyncer -c "$work/vdirsyncer-$n.conf" "$@" >/dev/null 2>>"$work/vdirsyncer.log"; }
    yes | vdir discover up >/dev/null 2>&1 || true
    vdir_timed up "first sync to an empty book:     "
    yes | vdir discover down >/dev/null 2>&1 || true
    vdir_timed down "first sync into an empty folder:  "
    for f in $(ls "$work/vdir-up-$n" | shuf -n 10 --random-source=<(yes)); do
        sed -i 's/^ADR:.*/ADR:;;;Changed;;;\r/' "$work/vdir-up-$n/$f"
    done
    dav "${home_url}vdir-bench-$n/" change 10 seed2
    vdir_timed up "incremental, 10 changes each side:"
}

# Times `vdir sync PAIR` (vdir: the caller's vdirsyncer with its configuration).
vdir_timed() {
    local start end
    start=$(seconds)
    vdir sync "$1" || echo "vdirsyncer failed, see its log"
    end=$(seconds)
    echo "$2 $(elapsed "$start" "$end")s"
}

# vdirsyncer's configuration for $1 contacts and book $2: pair "up" syncs the folder vdir-up-$1,
# pair "down" the folder vdir-down-$1.
vdir_config() {
    local n=$1 book=$2
    mkdir -p "$work/vdir-status-$n"
    cat >"$work/vdirsyncer-$n.conf" <<CONF
[general]
status_path = "$work/vdir-status-$n"

[pair up]
a = "up_local"
b = "server"
collections = null
conflict_resolution = "a wins"

[pair down]
a = "down_local"
b = "server"
collections = null

[storage up_local]
type = "filesystem"
path = "$work/vdir-up-$n"
fileext = ".vcf"

[storage down_local]
type = "filesystem"
path = "$work/vdir-down-$n"
fileext = ".vcf"

[storage server]
type = "carddav"
url = "${home_url}$book/"
username = "pelmora"
password = "s3cret pass"
CONF
}

# A book of $BIG_N cards written straight into Radicale's folder, for each client its own.
big_series() {
    local n=$BIG_N start end
    [ "$SERVER" = radicale ] || { echo "the big phase fills Radicale's folder; SERVER=radicale"; return 1; }
    local store=$servers/carddav/radicale/collection-root/pelmora
    for book in pelmora-big vdir-big; do
        dav "$home_url" mkbook $book
        card_files "$store/$book" "$n" big
    done
    echo "== Pelmora, a book of $n ($(uptime | sed 's/.*load/load/'))"
    new_home "$work/big" 0 none pelmora-big
    echo "first sync into an empty database: $(timed_sync "$work/big")s  $(tr -d ' \n' <"$work/last-sync.json")"
    sqlite3 "$work/big/Bench/database.sqlite" "UPDATE Contacts SET City = 'Changed' WHERE Counter IN (SELECT Counter FROM Contacts ORDER BY random() LIMIT 10)"
    dav "${home_url}pelmora-big/" change 10 seed1
    echo "incremental, 10 changes each side: $(timed_sync "$work/big")s  $(tr -d ' \n' <"$work/last-sync.json")"
    echo "no changes:                        $(timed_sync "$work/big")s  $(tr -d ' \n' <"$work/last-sync.json")"
    sqlite3 "$work/big/Bench/database.sqlite" "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < 200)
        INSERT INTO Contacts (LName, FName, EMail) SELECT 'more' || i, 'Test', 'more' || i || '@example.org' FROM n;"
    echo "200 new contacts into the book:    $(timed_sync "$work/big")s  $(tr -d ' \n' <"$work/last-sync.json")"

    echo "== vdirsyncer, a book of $n ($(uptime | sed 's/.*load/load/'))"
    mkdir -p "$work/vdir-down-big"
    vdir_config big vdir-big
    vdir() { vdirsyncer -c "$work/vdirsyncer-big.conf" "$@" >/dev/null 2>>"$work/vdirsyncer.log"; }
    yes | vdir discover down >/dev/null 2>&1 || true
    vdir_timed down "first sync into an empty folder:  "
    for f in $(ls "$work/vdir-down-big" | shuf -n 10 --random-source=<(yes)); do
        sed -i 's/^ADR:.*/ADR:;;;Changed;;;\r/' "$work/vdir-down-big/$f"
    done
    dav "${home_url}vdir-big/" change 10 seed2
    vdir_timed down "incremental, 10 changes each side:"
    vdir_timed down "no changes:                       "
    card_files "$work/vdir-down-big" 200 more
    vdir_timed down "200 new contacts into the book:   "
}

kill_rounds() {
    echo "== kill -9 during syncs of $KILL_N contacts, $ROUNDS rounds"
    dav "$home_url" mkbook pelmora-kill
    book_url="${home_url}pelmora-kill/"
    dav "$book_url" fill $((KILL_N / 2)) server
    new_home "$work/kill" $((KILL_N / 2)) local pelmora-kill
    db=$work/kill/Bench/database.sqlite
    failures=0
    for round in $(seq 1 "$ROUNDS"); do
        # Changes on both sides (on different contacts), then a sync cut off at a random moment.
        sqlite3 "$db" "UPDATE Contacts SET City = 'round $round' WHERE Counter IN (SELECT Counter FROM Contacts WHERE Counter % 2 = 0 ORDER BY random() LIMIT 20);
            DELETE FROM Contacts WHERE Counter IN (SELECT Counter FROM Contacts WHERE Counter % 2 = 0 ORDER BY random() LIMIT 5);
            INSERT INTO Contacts (LName, FName, EMail) VALUES ('new$round', 'a', 'local-r$round-a@example.org'), ('new$round', 'b', 'local-r$round-b@example.org');"
        dav "$book_url" change 20 "c$round"
        dav "$book_url" delete 5 "d$round"
        dav "$book_url" create 2 "server-r$round-"
        "$pelmora" --home "$work/kill" carddav sync >/dev/null 2>&1 &
        pid=$!
        sleep "$(python3 -c "import random;print(round(random.uniform(0.05, 4.0), 2))")"
        kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        for attempt in 1 2 3; do
            if "$pelmora" --home "$work/kill" carddav sync >"$work/kill-sync.json" 2>"$work/kill-sync.err"; then break; fi
        done
        here_mails=$(sqlite3 "$db" "SELECT lower(EMail) FROM Contacts" | sort)
        there_mails=$(dav "$book_url" emails | tr 'A-Z' 'a-z' | sort)
        doubled=$( (echo "$here_mails"; echo "$there_mails") | sort | uniq -c | awk '$1 > 2' | wc -l)
        lost=0
        for mail in "local-r$round-a@example.org" "local-r$round-b@example.org" "server-r$round-0@example.org" "server-r$round-1@example.org"; do
            grep -qx "$mail" <<<"$here_mails" || lost=$((lost + 1))
        done
        if [ "$here_mails" != "$there_mails" ] || [ "$doubled" -ne 0 ] || [ "$lost" -ne 0 ]; then
            failures=$((failures + 1))
            echo "round $round: sides differ ($(echo "$here_mails" | wc -l) here, $(echo "$there_mails" | wc -l) there, $doubled doubled, $lost of this round's new ones lost)"
            diff <(echo "$here_mails") <(echo "$there_mails") | head -5 || true
        else
            echo "round $round: both sides equal ($(echo "$here_mails" | wc -l) contacts)"
        fi
    done
    echo "rounds with both sides equal, none doubled: $((ROUNDS - failures)) of $ROUNDS ($(echo "$here_mails" | wc -l) contacts at the end)"
}

for phase in $PHASES; do
    case $phase in
    sync) for n in $SIZES; do sync_series "$n"; done ;;
    kill) kill_rounds ;;
    big) big_series ;;
    esac
done
