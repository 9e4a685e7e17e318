#!/usr/bin/env bash
# The HTTP library under the service, measured: libmicrohttpd (what tanzel-serve stands on) and
# Boost.Beast each serve the same JSON to every request, configured as the service would
# configure them (MHD's epoll pool, Asio's io_context run by as many threads), and nginx serves it
# as a static file; each gets a thread (a worker) for every core but the one wrk runs on.
# wrk loads each at 64 connections, taking turns, three rounds:
#   bench/serve/transport-bench.sh [SECONDS]
# Prints requests/s, the 99th percentile and the server's CPU time per request (user + system,
# from /proc: on a shared machine the steadier figure). 127.0.0.1 only; writes only under a
# temporary folder.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
seconds=${1:-5}
for tool in wrk curl python3 g++ pkg-config; do
  command -v "$tool" >/dev/null || { echo "transport-bench.sh: $tool is needed" >&2; exit 2; }
done
[[ -f /usr/include/boost/beast.hpp ]] || { echo "transport-bench.sh: libboost-dev is needed" >&2; exit 2; }

work=$(mktemp -d)
chmod 755 "$work"
pids=()
source "$here/common.sh"
trap cleanup EXIT
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# Boost 1.74's Asio misses an include under C++20: built as C++17.
g++ -O2 -std=c++17 "$here/transport.cpp" -o "$work/transport" $(pkg-config --cflags --libs libmicrohttpd) -pthread

# The answer of GET /v1/codes/1000001, as the service writes it.
mkdir -p "$work/www/v1/codes"
cat >"$work/www/v1/codes/1000001" <<'JSON'
{"code":"1000001","results":[{"city":"千代田区","cityKana":"チヨダク","code":"1000001","localGovCode":"13101","localGovCodeWithCheckDigit":"131016","office":null,"prefecture":"東京都","prefectureKana":"トウキョウト","town":"千代田","townKana":"チヨダ","townKanaWithoutNote":"チヨダ","townWithoutNote":"千代田"}]}
JSON
chmod -R a+rX "$work/www"

threads=$(($(nproc) > 1 ? $(nproc) - 1 : 1))
declare -A ports
for library in mhd beast; do
  ports[$library]=$(free_port)
  "$work/transport" "$library" "${ports[$library]}" "$work/www/v1/codes/1000001" "$threads" &
  pids+=("$!")
  eval "pid_$library=$!"
done
ports[nginx]=$(free_port)
start_nginx "${ports[nginx]}" "$threads"
for name in mhd beast nginx; do
  for _ in $(seq 50); do curl -sf "http://127.0.0.1:${ports[$name]}/v1/codes/1000001" >/dev/null && break; sleep 0.1; done
done

# CPU of a server: its own process, or nginx's workers.
server_pids() {
  case $1 in
    mhd) echo "$pid_mhd" ;;
    beast) echo "$pid_beast" ;;
    nginx) pgrep -P "$(cat "$work/nginx/nginx.pid")" ;;
  esac
}
echo "== GET /v1/codes/1000001, 64 connections, wrk on one thread, servers on $threads, ${seconds} s, 3 rounds"
for round in 1 2 3; do
  for name in mhd beast nginx; do
    before=0
    for pid in $(server_pids "$name"); do before=$((before + $(cpu_ticks "$pid"))); done
    out=$(wrk --latency -t1 -c64 -d"${seconds}s" "http://127.0.0.1:${ports[$name]}/v1/codes/1000001")
    after=0
    for pid in $(server_pids "$name"); do after=$((after + $(cpu_ticks "$pid"))); done
    echo "$out" | awk -v name="$name" -v round="$round" -v ticks=$((after - before)) -v hz="$(getconf CLK_TCK)" '
      /requests in/ {n=$1} /Requests\/sec/ {rps=$2} $1=="99%" {p99=$2}
      END {printf "round %d %-6s %10.0f requests/s  p99 %8s  %5.1f us CPU per request\n", round, name, rps, p99, ticks / hz * 1e6 / n}'
  done
done
