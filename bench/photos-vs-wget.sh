#!/usr/bin/env bash
# Photos section download speed against wget, from one simulated service in the same run:
# tessaly-cli downloading the Photos section of a generated group of PHOTOS pictures of SIZE
# bytes in albums of 100 (pacing 0; its time includes the sign-in, the album list pages, one
# view page per picture, and the Photos index), against wget -i fetching the same pictures by
# their addresses. Pictures per second, wall and CPU seconds (user + system of the process and
# all its threads, the kernel's accounting read with wait4), peak memory; min, median and max
# over the rounds, which alternate (round r of both programs back to back, the order rotating);
# then the per-round ratios tessaly / wget.
#
# Usage: bench/photos-vs-wget.sh [build folder (default build/default)]
# Environment: ROUNDS=3, PHOTOS=2000, SIZE=16384, PIN=1 (service on cpu 1, clients on cpu 0),
# OUT_DIR (default /dev/shm when it is there).
set -euo pipefail
export LC_ALL=C
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build/default}"
rounds="${ROUNDS:-3}" photos="${PHOTOS:-2000}" size="${SIZE:-16384}"
for v in "$rounds" "$photos" "$size"; do
  [[ "$v" =~ ^[1-9][0-9]*$ ]] || { echo "ROUNDS, PHOTOS and SIZE must be positive numbers" >&2; exit 2; }
done
for program in "$build/cli/tessaly-cli" "$build/groupsim/tessaly-groupsim"; do
  [ -x "$program" ] || { echo "missing: $program" >&2; exit 2; }
done
command -v wget >/dev/null || { echo "missing: wget (bash scripts/bootstrap)" >&2; exit 2; }
pin_service=() pin_client=()
if [ "${PIN:-0}" = 1 ]; then
  [ "$(nproc)" -ge 2 ] || { echo "PIN=1 needs two cpus" >&2; exit 2; }
  pin_service=(taskset -c 1) pin_client=(taskset -c 0)
fi

work="$(mktemp -d)"
default_out="$work"
[ -d /dev/shm ] && [ -w /dev/shm ] && default_out=/dev/shm
out_root="$(mktemp -d "${OUT_DIR:-$default_out}/photos.XXXXXX")"
trap 'kill ${sim:-0} 2>/dev/null || true; rm -rf "$work" "$out_root"' EXIT
export TESSALY_PACE=0

service=("$build/groupsim/tessaly-groupsim" --bench-photos "$photos" --bench-photo-size "$size")
"${service[@]}" --list-bench-photos > "$work/list"
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

run_round() {  # run_round PROGRAM ROUND: appends "program round pictures wall cpu KB"
  local who="$1" round="$2" dir="$out_root/$1-$2" rc=0 t0 t1 cmd count
  mkdir -p "$dir"
  case "$who" in
    tessaly)
      cmd=(env "${tessaly_env[@]}" "$build/cli/tessaly-cli" download --password-stdin --section
        photos --threads 4 --no-ignore-duplicates --out "$dir" BenchPhotos) ;;
    wget)
      cmd=(wget -q -e use_proxy=on -e "http_proxy=$http_proxy" -i "$work/list" -P "$dir") ;;
  esac
  t0=$EPOCHREALTIME
  echo tessaly-demo | python3 "$here/bench/lib/measure.py" "$work/cpu" /usr/bin/time -f "%M" \
    -o "$work/time" "${pin_client[@]}" "${cmd[@]}" >/dev/null 2>&1 || rc=$?
  t1=$EPOCHREALTIME
  count=$(find "$dir" -type f | wc -l)
  [ "$rc" = 0 ] || echo "warning: $who exited with status $rc (round $round)" >&2
  [ "$count" -eq "$photos" ] || echo "warning: $who saved $count of $photos pictures (round $round)" >&2
  paste -d' ' "$work/cpu" <(tail -1 "$work/time") |
    awk -v who="$who" -v r="$round" -v c="$count" -v t0="$t0" -v t1="$t1" \
      '{ print who, r, c, t1 - t0, $1 + $2, $3 }' >> "$work/results"
}

: > "$work/results"
programs=(tessaly wget)
for round in $(seq "$rounds"); do
  for k in 0 1; do run_round "${programs[$(((round - 1 + k) % 2))]}" "$round"; done
done

awk -v rounds="$rounds" -v photos="$photos" -v size="$size" -v pinned="${PIN:-0}" \
  "$(cat "$here/bench/lib/stats.awk")"'
{ w = $1; r = $2; n[w, r] = $3; wall[w, r] = $4; cpu[w, r] = $5; kb[w, r] = $6 }
function show(w,   r, v1, v2, v3, v4) {
  for (r = 1; r <= rounds; r++) { v1[r] = per(n[w, r], wall[w, r]); v2[r] = wall[w, r]; v3[r] = cpu[w, r]; v4[r] = kb[w, r] / 1024 }
  printf "  %-8s pictures/s %s  wall s %s  cpu s %s  peak MB %s\n", w, mmm(v1, rounds, "%8.1f"),
    mmm(v2, rounds, "%6.2f"), mmm(v3, rounds, "%6.2f"), mmm(v4, rounds, "%6.1f")
}
END {
  printf "Photos section, %d pictures of %d bytes in albums of 100, %d rounds per program, min median max%s\n",
    photos, size, rounds, pinned == 1 ? " (service on cpu 1, clients on cpu 0)" : ""
  show("tessaly"); show("wget")
  for (r = 1; r <= rounds; r++) { s[r] = per(per(n["tessaly", r], wall["tessaly", r]), per(n["wget", r], wall["wget", r])); c[r] = per(cpu["tessaly", r], cpu["wget", r]) }
  printf "  tessaly / wget  pictures/s %s   cpu %s\n", mmm(s, rounds, "%6.2f"), mmm(c, rounds, "%6.2f")
}' "$work/results"
