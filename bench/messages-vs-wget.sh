#!/usr/bin/env bash
# Message harvesting speed: tessaly-cli downloading a generated group of N messages (pacing 0)
# against wget --recursive --no-parent mirroring the same group's message pages through the same
# simulated service in the same run, wget using the program's cookie file. Prints pages per
# second, the ratio and the peak memory of each.
# Usage: bench/messages-vs-wget.sh [messages (default 5000)] [build folder (default build/default)]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
messages="${1:-5000}"
build="${2:-$here/build/default}"
work="$(mktemp -d)"
trap 'kill ${sim:-0} 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/data" "$work/config" "$work/run"
export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
export TESSALY_PACE=0

"$build/groupsim/tessaly-groupsim" --port 0 --messages "$messages" > "$work/port" &
sim=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port="$(head -1 "$work/port")"
export http_proxy="http://127.0.0.1:$port"
echo tessaly-demo | "$build/cli/tessaly-cli" login --user demo_member --password-stdin --refresh >/dev/null 2>&1

measure() {  # prints "seconds peak-KB"
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1 || true
  cat "$work/time"
}
# Two rounds, the two programs taking turns, and the faster round of each: on a noisy machine
# (and a file system that gets slower after many deletions) one round says little.
rounds="${ROUNDS:-2}"
t_secs=1e9; w_secs=1e9; t_kb=0; w_kb=0
for round in $(seq "$rounds"); do
  rm -rf "$work/out" "$work/wget"
  read -r secs kb < <(echo tessaly-demo | measure "$build/cli/tessaly-cli" download --password-stdin --out "$work/out" BigGroup)
  t_pages=$(find "$work/out/Messages/BigGroup" -type f | wc -l)
  t_secs=$(awk -v a="$t_secs" -v b="$secs" 'BEGIN { print (b < a ? b : a) }')
  t_kb=$((kb > t_kb ? kb : t_kb))
  read -r secs kb < <(measure wget -q -e robots=off -e use_proxy=on -e "http_proxy=$http_proxy" \
    --load-cookies "$work/config/Tessaly2/cookies.txt" --recursive --no-parent --level=inf -P "$work/wget" \
    "http://groups.yahoo.com/group/BigGroup/message/1")
  w_pages=$(find "$work/wget" -type f | wc -l)
  w_secs=$(awk -v a="$w_secs" -v b="$secs" 'BEGIN { print (b < a ? b : a) }')
  w_kb=$((kb > w_kb ? kb : w_kb))
done

awk -v tp="$t_pages" -v ts="$t_secs" -v tk="$t_kb" -v wp="$w_pages" -v ws="$w_secs" -v wk="$w_kb" -v n="$messages" 'BEGIN {
  tr = tp / ts; wr = wp / ws;
  printf "group of %d messages through tessaly-groupsim (best of the rounds, peak memory of all)\n", n;
  printf "tessaly-cli download: %6d pages in %6.2f s = %7.1f pages/s, peak %6.1f MB\n", tp, ts, tr, tk / 1024;
  printf "wget --recursive:     %6d pages in %6.2f s = %7.1f pages/s, peak %6.1f MB\n", wp, ws, wr, wk / 1024;
  printf "ratio tessaly / wget: %.2f (target >= 1.5)\n", tr / wr;
}'
