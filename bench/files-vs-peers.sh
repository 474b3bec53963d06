#!/usr/bin/env bash
# Files section download speed, like for like, from one simulated service in the same run.
#
# Part 1, many small files: tessaly-cli downloading the Files section of a generated group with
# FILES files of SIZE bytes in one folder (--threads 4, pacing 0; its time includes the sign-in,
# the group's pages and the Files index), against wget -i (one file after another), aria2c -j4 -i
# and curl -Z --parallel-max 4 fetching the same file addresses.
# Part 2, one big file: tessaly-cli downloading a group whose only file has BIG bytes, against
# curl -o.
#
# Every program runs the same number of rounds; round r of every program runs back to back, the
# order rotating from round to round, so a slow spell of the machine falls on all alike. For each
# program: min, median and max over the rounds of files (or MB) per second, wall seconds, CPU
# seconds (user + system of the process and all its threads, from the kernel's accounting read
# with wait4) and peak memory (GNU time); then min, median and max of the per-round ratios.
#
# Usage: bench/files-vs-peers.sh [build folder (default build/default)]
# Environment:
#   ROUNDS=3         rounds per program
#   FILES=2000 SIZE=16384 BIG=1073741824   the two groups (BIG=0 skips part 2)
#   PIN=1            the service on cpu 1, every client on cpu 0 (taskset): no client can gain by
#                    keeping a second core busy
#   OUT_DIR=dir      where the files go (default /dev/shm when it is there): on a disk the cost of
#                    creating files depends on what was deleted there lately
set -euo pipefail
export LC_ALL=C
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build/default}"
rounds="${ROUNDS:-3}" files="${FILES:-2000}" size="${SIZE:-16384}" big="${BIG:-1073741824}"
for v in "$rounds" "$files" "$size"; do
  [[ "$v" =~ ^[1-9][0-9]*$ ]] || { echo "ROUNDS, FILES and SIZE must be positive numbers" >&2; exit 2; }
done
[[ "$big" =~ ^[0-9]+$ ]] || { echo "BIG must be a number" >&2; exit 2; }
for program in "$build/cli/tessaly-cli" "$build/groupsim/tessaly-groupsim"; do
  [ -x "$program" ] || { echo "missing: $program" >&2; exit 2; }
done
for tool in wget aria2c curl; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (bash scripts/bootstrap)" >&2; exit 2; }
done
pin_service=() pin_client=()
if [ "${PIN:-0}" = 1 ]; then
  [ "$(nproc)" -ge 2 ] || { echo "PIN=1 needs two cpus" >&2; exit 2; }
  pin_service=(taskset -c 1) pin_client=(taskset -c 0)
fi

work="$(mktemp -d)"
default_out="$work"
[ -d /dev/shm ] && [ -w /dev/shm ] && default_out=/dev/shm
out_root="$(mktemp -d "${OUT_DIR:-$default_out}/files.XXXXXX")"
trap 'kill ${sim:-0} 2>/dev/null || true; rm -rf "$work" "$out_root"' EXIT
export TESSALY_PACE=0

service=("$build/groupsim/tessaly-groupsim" --bench-files "$files" --bench-file-size "$size")
[ "$big" -gt 0 ] && service+=(--bench-big-file "$big")
"${service[@]}" --list-bench-files > "$work/all"
head -n "$files" "$work/all" > "$work/small"
tail -n +"$((files + 1))" "$work/all" > "$work/big"
"${pin_service[@]}" "${service[@]}" --port 0 > "$work/port" &
sim=$!
for _ in $(seq 600); do [ -s "$work/port" ] && break; sleep 0.1; done
port="$(head -1 "$work/port")"
[ -n "$port" ] || { echo "tessaly-groupsim did not start" >&2; exit 1; }
export http_proxy="http://127.0.0.1:$port"

h="$work/home"
mkdir -p "$h/home" "$h/data" "$h/config" "$h/run"
tessaly_env=(HOME="$h/home" XDG_DATA_HOME="$h/data" XDG_CONFIG_HOME="$h/config"
  XDG_RUNTIME_DIR="$h/run")
echo tessaly-demo | env "${tessaly_env[@]}" "$build/cli/tessaly-cli" login --user demo_member \
  --password-stdin --refresh >/dev/null 2>&1 || { echo "tessaly-cli login failed" >&2; exit 1; }

# curl's list: one output file per address.
curl_config() {  # curl_config LIST DIR
  awk -v dir="$2" '{ n = split($0, p, "/"); printf "url = \"%s\"\noutput = \"%s/%s\"\n", $0, dir, p[n] }' "$1"
}

# One round of one program; appends "part program round files bytes wall cpu KB".
run_round() {
  local part="$1" who="$2" round="$3" dir="$out_root/$1-$2-$3" rc=0 t0 t1 cmd list group
  mkdir -p "$dir"
  if [ "$part" = many ]; then list="$work/small" group=BenchFiles; else list="$work/big" group=BenchBig; fi
  case "$who" in
    tessaly)
      cmd=(env "${tessaly_env[@]}" "$build/cli/tessaly-cli" download --password-stdin --section
        files --threads 4 --no-ignore-duplicates --out "$dir" "$group") ;;
    wget)
      cmd=(wget -q -e use_proxy=on -e "http_proxy=$http_proxy" -i "$list" -P "$dir") ;;
    aria2c)
      cmd=(aria2c -q -j4 -x1 --all-proxy="$http_proxy" --auto-file-renaming=false
        --allow-overwrite=true -i "$list" -d "$dir") ;;
    curl)
      curl_config "$list" "$dir" > "$work/curl.config"
      if [ "$part" = many ]; then
        cmd=(curl -s -Z --parallel-max 4 -x "$http_proxy" -K "$work/curl.config")
      else
        cmd=(curl -s -x "$http_proxy" -K "$work/curl.config")
      fi ;;
  esac
  t0=$EPOCHREALTIME
  echo tessaly-demo | python3 "$here/bench/lib/measure.py" "$work/cpu" /usr/bin/time -f "%M" \
    -o "$work/time" "${pin_client[@]}" "${cmd[@]}" >/dev/null 2>&1 || rc=$?
  t1=$EPOCHREALTIME
  local count bytes
  count=$(find "$dir" -type f | wc -l)
  bytes=$(find "$dir" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
  [ "$rc" = 0 ] || echo "warning: $who exited with status $rc ($part, round $round)" >&2
  [ "$count" -eq "$(wc -l < "$list")" ] ||
    echo "warning: $who saved $count of $(wc -l < "$list") files ($part, round $round)" >&2
  paste -d' ' "$work/cpu" <(tail -1 "$work/time") |
    awk -v part="$part" -v who="$who" -v r="$round" -v c="$count" -v b="$bytes" -v t0="$t0" \
      -v t1="$t1" '{ print part, who, r, c, b, t1 - t0, $1 + $2, $3 }' >> "$work/results"
  # A big file goes at once: a few rounds of it would fill a memory file system.
  [ "$part" = big ] && rm -rf "$dir"
  return 0
}

: > "$work/results"
rounds_of() {  # rounds_of PART PROGRAM...
  local part="$1"
  shift
  local programs=("$@") count=$#
  for round in $(seq "$rounds"); do
    for k in $(seq 0 $((count - 1))); do
      run_round "$part" "${programs[$(((round - 1 + k) % count))]}" "$round"
    done
  done
}
rounds_of many tessaly wget aria2c curl
[ "$big" -gt 0 ] && rounds_of big tessaly curl

awk -v rounds="$rounds" -v files="$files" -v size="$size" -v big="$big" -v pinned="${PIN:-0}" \
  "$(cat "$here/bench/lib/stats.awk")"'
{ p = $1; w = $2; r = $3; n[p, w, r] = $4; b[p, w, r] = $5; wall[p, w, r] = $6; cpu[p, w, r] = $7; kb[p, w, r] = $8 }
function speed(p, w, r) { return p == "many" ? per(n[p, w, r], wall[p, w, r]) : per(b[p, w, r] / 1048576, wall[p, w, r]) }
function show(p, w,   r, v1, v2, v3, v4) {
  for (r = 1; r <= rounds; r++) { v1[r] = speed(p, w, r); v2[r] = wall[p, w, r]; v3[r] = cpu[p, w, r]; v4[r] = kb[p, w, r] / 1024 }
  printf "  %-8s %s %s  wall s %s  cpu s %s  peak MB %s\n", w, (p == "many" ? "files/s" : "MB/s   "),
    mmm(v1, rounds, "%8.1f"), mmm(v2, rounds, "%6.2f"), mmm(v3, rounds, "%6.2f"), mmm(v4, rounds, "%6.1f")
}
function ratio(p, a, c, what,   r, v) {
  for (r = 1; r <= rounds; r++) v[r] = what == "speed" ? per(speed(p, a, r), speed(p, c, r)) : per(cpu[p, a, r], cpu[p, c, r])
  printf "  %-8s / %-7s %-5s %s\n", a, c, what, mmm(v, rounds, "%6.2f")
}
END {
  printf "Files section, %d rounds per program, min median max%s\n", rounds, pinned == 1 ? " (service on cpu 1, clients on cpu 0)" : ""
  printf "\n%d files of %d bytes in one folder, 4 at a time (wget: one at a time)\n", files, size
  show("many", "tessaly"); show("many", "wget"); show("many", "aria2c"); show("many", "curl")
  ratio("many", "tessaly", "wget", "speed"); ratio("many", "tessaly", "curl", "speed"); ratio("many", "tessaly", "aria2c", "speed")
  ratio("many", "tessaly", "wget", "cpu"); ratio("many", "tessaly", "curl", "cpu")
  if (big > 0) {
    printf "\none file of %d bytes\n", big
    show("big", "tessaly"); show("big", "curl")
    ratio("big", "tessaly", "curl", "speed"); ratio("big", "tessaly", "curl", "cpu")
  }
}' "$work/results"
