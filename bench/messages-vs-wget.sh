#!/usr/bin/env bash
# Message harvesting speed: tessaly-cli downloading a generated group of N messages (pacing 0)
# against wget --recursive --no-parent mirroring the same group's message pages through the same
# simulated service in the same run, wget using the program's cookie file. Prints pages per
# second, the ratio and the peak memory of each.
# For scale it also times curl fetching the same pages over one keep-alive connection into
# /dev/null: what any one-page-at-a-time client could reach through this service here.
# Usage: bench/messages-vs-wget.sh [messages (default 5000)] [build folder (default build/default)]
# ROUNDS (default 2) sets the rounds; OUT_DIR puts the downloaded pages elsewhere (for instance
# /dev/shm, to leave the disk out of the comparison).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
messages="${1:-5000}"
build="${2:-$here/build/default}"
work="$(mktemp -d)"
out_root="$(mktemp -d "${OUT_DIR:-$work}/pages.XXXXXX")"
trap 'kill ${sim:-0} 2>/dev/null || true; rm -rf "$work" "$out_root"' EXIT
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
# Several rounds, the programs taking turns, and the faster round of each: on a noisy machine
# one round says little. Every round writes to folders of its own, removed only at the end (on
# a file system mounted with discard, deleting many files slows the writes that follow).
rounds="${ROUNDS:-2}"
t_secs=1e9; w_secs=1e9; c_secs=1e9; t_kb=0; w_kb=0
for round in $(seq "$rounds"); do
  read -r secs kb < <(echo tessaly-demo | measure "$build/cli/tessaly-cli" download --password-stdin --out "$out_root/t$round" BigGroup)
  t_pages=$(find "$out_root/t$round/Messages/BigGroup" -type f | wc -l)
  t_secs=$(awk -v a="$t_secs" -v b="$secs" 'BEGIN { print (b < a ? b : a) }')
  t_kb=$((kb > t_kb ? kb : t_kb))
  read -r secs kb < <(measure wget -q -e robots=off -e use_proxy=on -e "http_proxy=$http_proxy" \
    --load-cookies "$work/config/Tessaly2/cookies.txt" --recursive --no-parent --level=inf -P "$out_root/w$round" \
    "http://groups.yahoo.com/group/BigGroup/message/1")
  w_pages=$(find "$out_root/w$round" -type f | wc -l)
  w_secs=$(awk -v a="$w_secs" -v b="$secs" 'BEGIN { print (b < a ? b : a) }')
  w_kb=$((kb > w_kb ? kb : w_kb))
  read -r secs kb < <(measure curl -s -x "$http_proxy" -b "$work/config/Tessaly2/cookies.txt" -o /dev/null \
    "http://groups.yahoo.com/group/BigGroup/message/[1-$messages]")
  c_secs=$(awk -v a="$c_secs" -v b="$secs" 'BEGIN { print (b < a ? b : a) }')
done

awk -v tp="$t_pages" -v ts="$t_secs" -v tk="$t_kb" -v wp="$w_pages" -v ws="$w_secs" -v wk="$w_kb" -v n="$messages" -v cs="$c_secs" 'BEGIN {
  tr = tp / ts; wr = wp / ws;
  printf "group of %d messages through tessaly-groupsim (best of the rounds, peak memory of all)\n", n;
  printf "tessaly-cli download: %6d pages in %6.2f s = %7.1f pages/s, peak %6.1f MB\n", tp, ts, tr, tk / 1024;
  printf "wget --recursive:     %6d pages in %6.2f s = %7.1f pages/s, peak %6.1f MB\n", wp, ws, wr, wk / 1024;
  printf "ratio tessaly / wget: %.2f (target >= 1.5)\n", tr / wr;
  printf "for scale, curl into /dev/null over one connection: %7.1f pages/s (%.2f x wget)\n", n / cs, (n / cs) / wr;
}'
