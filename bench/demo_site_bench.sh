#!/usr/bin/env bash
# Throughput of the demo site: pictures served per second over keep-alive
# connections, measured with wrk (or curl --parallel when wrk is missing)
# against `tarvik --serve-demo`.
#   bench/demo_site_bench.sh [--build-dir DIR | --tarvik PATH] [--seconds N]
#                            [--connections N] [--min RATE]
# Prints one line "demo_site: <rate> pictures/s ..." and exits 1 when the
# rate is below --min (default 5000) or any answer was not a 200.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
tarvik=""
seconds=10
connections=10
min_rate=5000
while [[ $# -gt 0 ]]; do
  case "$1" in
    --build-dir) build_dir="$2"; shift 2 ;;
    --tarvik) tarvik="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    --connections) connections="$2"; shift 2 ;;
    --min) min_rate="$2"; shift 2 ;;
    *) echo "demo_site_bench: unknown argument $1" >&2; exit 2 ;;
  esac
done
if [[ -z "$tarvik" ]]; then
  tarvik=$(find "$build_dir" -type f -name tarvik -perm -u+x 2>/dev/null | head -1)
fi
if [[ -z "$tarvik" || ! -x "$tarvik" ]]; then
  echo "demo_site_bench: no tarvik executable (build it, or pass --tarvik PATH)" >&2
  exit 2
fi

work=$(mktemp -d)
server=""
cleanup() {
  if [[ -n "$server" ]]; then
    kill -INT "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

"$tarvik" --serve-demo --port 0 >"$work/serve.out" 2>&1 &
server=$!
port=""
for _ in $(seq 100); do
  port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9][0-9]*\).*/\1/p' "$work/serve.out")
  [[ -n "$port" ]] && break
  sleep 0.1
done
if [[ -z "$port" ]]; then
  echo "demo_site_bench: the demo site did not start:" >&2
  cat "$work/serve.out" >&2
  exit 2
fi

# The first gallery always has at least 8 pictures; the requests cycle
# through them with the gallery page as Referer, as the crawler sends them.
gallery=1001
referer="http://www.example.com/xinggan/$gallery.html"
for m in 1 2 3 4 5 6 7 8; do  # draw each picture once before timing
  curl -s -o /dev/null --connect-to "img.example.com:80:127.0.0.1:$port" -e "$referer" \
    "http://img.example.com/pic/$gallery/$m.jpg"
done

if command -v wrk >/dev/null; then
  client="wrk"
  cat >"$work/pictures.lua" <<LUA
local n = 0
wrk.headers["Host"] = "img.example.com"
wrk.headers["Referer"] = "$referer"
request = function()
  n = n % 8 + 1
  return wrk.format("GET", "/pic/$gallery/" .. n .. ".jpg")
end
LUA
  wrk -t2 -c"$connections" -d"${seconds}s" -s "$work/pictures.lua" \
    "http://127.0.0.1:$port/" >"$work/client.out" 2>&1
  rate=$(awk '/^Requests\/sec:/ {print $2}' "$work/client.out")
  bad=$(awk '/Non-2xx or 3xx responses:/ {print $NF}' "$work/client.out")
  errors=$(sed -n 's/.*Socket errors: *//p' "$work/client.out")
  [[ -n "$errors" ]] && echo "demo_site_bench: socket errors: $errors" >&2
  bad=${bad:-0}
else
  client="curl --parallel"
  count=$((seconds * 2000))
  for ((i = 0; i < count; i++)); do
    echo "url = \"http://img.example.com/pic/$gallery/$((i % 8 + 1)).jpg\""
    echo 'output = "/dev/null"'
  done >"$work/urls.cfg"
  start=$(date +%s.%N)
  curl -s --no-progress-meter --parallel --parallel-max "$connections" \
    --connect-to "img.example.com:80:127.0.0.1:$port" -e "$referer" \
    -w '%{http_code}\n' --config "$work/urls.cfg" >"$work/codes.out"
  end=$(date +%s.%N)
  rate=$(awk -v n="$count" -v a="$start" -v b="$end" 'BEGIN {printf "%.2f", n / (b - a)}')
  bad=$(grep -vc '^200$' "$work/codes.out" || true)
fi

if [[ -z "$rate" ]]; then
  echo "demo_site_bench: no result from $client:" >&2
  cat "$work/client.out" >&2
  exit 1
fi
printf 'demo_site: %.0f pictures/s over %d keep-alive connections (%s, %ss, %s non-200)\n' \
  "$rate" "$connections" "$client" "$seconds" "$bad"
awk -v r="$rate" -v m="$min_rate" -v b="$bad" 'BEGIN {exit !(r >= m && b == 0)}'
