#!/usr/bin/env bash
# tanzel-serve under load, on 127.0.0.1 only, with wrk:
#   bench/serve/serve-bench.sh [BUILDDIR] [SECONDS] [WRK_THREADS]
# 1. GET /v1/codes/1000001 at 64 connections, against tanzel-serve and against nginx serving
#    a static file of the same JSON, in the same run, three rounds taking turns: requests/s and
#    the 99th percentile. wrk runs on the same machine, by default on one thread; tanzel-serve
#    gets a thread for each core wrk leaves (--threads): a service thread that shares a core
#    with wrk waits for it, and its connections with it; nginx gets as many workers.
# 2. POST /v1/resolve with 10,000 addresses made from the data: addresses/s (median of 5).
# 3. Resident memory at rest (after start, after the index is built) and after the load.
# 4. An import that switches the edition while wrk runs: answers that are not 2xx.
# Imports the archives into BUILDDIR/bin when needed; writes only under a temporary folder.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
seconds=${2:-10}
wrk_threads=${3:-1}
for tool in wrk nginx curl python3; do
  command -v "$tool" >/dev/null || [[ -x /usr/sbin/$tool ]] || { echo "serve-bench.sh: $tool is needed" >&2; exit 2; }
done
archives=$("$root/scripts/find-archives.sh")
"$root/scripts/import-data.sh" "$build/bin" "$archives" >/dev/null

work=$(mktemp -d)
chmod 755 "$work"
pids=()
source "$here/common.sh"
trap cleanup EXIT

rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
wait_ready() {
  for _ in $(seq 100); do
    curl -sf "http://127.0.0.1:$1/readyz" >/dev/null && return 0
    sleep 0.1
  done
  echo "serve-bench.sh: the service did not start" >&2
  exit 1
}
# "requests/s p99" of a wrk run.
wrk_figures() {
  wrk --latency -t"$wrk_threads" -c64 -d"${seconds}s" "$1" |
    awk '/Requests\/sec/ {rps=$2} $1=="99%" {p99=$2} END {print rps, p99}'
}

# The data as served: an edition of its own, so that the switch does not touch BUILDDIR.
data=$work/data
import() { "$build/bin/tanzel-import" --ken "$archives/ken_all.zip" --jig "$archives/jigyosyo.zip" --out "$data" >/dev/null; }
import
port=$(free_port)
serve_threads=$(($(nproc) > wrk_threads ? $(nproc) - wrk_threads : 1))
"$build/bin/tanzel-serve" --data "$data" --listen "127.0.0.1:$port" --threads "$serve_threads" >"$work/serve.log" 2>&1 &
serve=$!
pids+=("$serve")
wait_ready "$port"
echo "tanzel-serve: resident at start $(rss_kib "$serve") KiB"
curl -sf "http://127.0.0.1:$port/v1/resolve?address=1" >/dev/null  # builds the address index
echo "tanzel-serve: resident at rest, index built $(rss_kib "$serve") KiB"

# nginx with a configuration of its own, serving the same answer as a file.
mkdir -p "$work/www/v1/codes"
curl -sf "http://127.0.0.1:$port/v1/codes/1000001" >"$work/www/v1/codes/1000001"
chmod -R a+rX "$work/www"
nport=$(free_port)
start_nginx "$nport" "$serve_threads"
for _ in $(seq 50); do curl -sf "http://127.0.0.1:$nport/v1/codes/1000001" >/dev/null && break; sleep 0.1; done

echo "== GET /v1/codes/1000001, 64 connections, wrk on $wrk_threads thread(s), tanzel-serve on $serve_threads, ${seconds} s each, 3 rounds (requests/s, p99)"
figures=()
for round in 1 2 3; do
  read -r serve_rps serve_p99 < <(wrk_figures "http://127.0.0.1:$port/v1/codes/1000001")
  read -r nginx_rps nginx_p99 < <(wrk_figures "http://127.0.0.1:$nport/v1/codes/1000001")
  echo "round $round: tanzel-serve $serve_rps p99 $serve_p99 | nginx $nginx_rps p99 $nginx_p99"
  figures+=("$serve_rps $serve_p99 $nginx_rps $nginx_p99")
done
python3 - "${figures[@]}" <<'PY'
import statistics, sys
def ms(t):
    return float(t[:-2]) if t.endswith("ms") else float(t[:-2]) / 1000 if t.endswith("us") else float(t[:-1]) * 1000
rounds = [r.split() for r in sys.argv[1:]]
ratio = statistics.median(float(r[0]) / float(r[2]) for r in rounds)
print(f"median: {ratio:.2f} of nginx; p99 tanzel-serve {statistics.median(ms(r[1]) for r in rounds):.2f} ms, "
      f"nginx {statistics.median(ms(r[3]) for r in rounds):.2f} ms")
PY
# Every code of the data in turn: no answer comes from the service's cache.
cut -d, -f3 "$data"/current/KEN*.CSV | tr -d '"' | sort -u >"$work/codes.txt"
echo "== GET /v1/codes/ of all $(wc -l <"$work/codes.txt") codes in turn, 64 connections (tanzel-serve alone)"
wrk --latency -t"$wrk_threads" -c64 -d"${seconds}s" -s "$here/count-failures.lua" \
  "http://127.0.0.1:$port/v1/codes/1000001" -- "$work/codes.txt" |
  awk '/Requests\/sec/ {rps=$2} $1=="99%" {p99=$2} /non-2xx/ {bad=$3} END {print "tanzel-serve", rps, "p99", p99, "non-2xx", bad}'

echo "== POST /v1/resolve, 10,000 addresses (5 runs)"
python3 "$here/make_addresses.py" "$data" 10000 "$work/addresses.json"
times=()
for _ in 1 2 3 4 5; do
  times+=("$(curl -sf -o /dev/null -w '%{time_total}' -H 'Content-Type: application/json' \
    --data-binary @"$work/addresses.json" "http://127.0.0.1:$port/v1/resolve")")
done
python3 -c "
import statistics, sys
t = sorted(float(x) for x in sys.argv[1:])
print(f'median {statistics.median(t) * 1000:.1f} ms: {10000 / statistics.median(t):,.0f} addresses/s (runs {t[0]*1000:.1f}-{t[-1]*1000:.1f} ms)')
" "${times[@]}"
echo "tanzel-serve: resident after the load $(rss_kib "$serve") KiB"

echo "== an edition switch under load (tanzel-import into the served folder while wrk runs)"
wrk -t2 -c64 -d"$((seconds + 20))s" -s "$here/count-failures.lua" "http://127.0.0.1:$port/v1/codes/1000001" \
  -- "$work/codes.txt" >"$work/switch.txt" &
load=$!
sleep 2
before=$(curl -sf "http://127.0.0.1:$port/v1/edition")
import
after=$(curl -sf "http://127.0.0.1:$port/v1/edition")
wait "$load"
grep -E "requests in|Non-2xx|Socket errors|non-2xx answers" "$work/switch.txt"
python3 -c "
import json, sys
a, b = json.loads(sys.argv[1]), json.loads(sys.argv[2])
print('edition before', a.get('id'), 'after', b.get('id'), '(switched)' if a.get('id') != b.get('id') else '(NOT switched)')
" "$before" "$after"
echo "tanzel-serve: resident at the end $(rss_kib "$serve") KiB"
