#!/usr/bin/env bash
# The browsable archive of a big group against the walk that downloads it. The walk is
# tessaly-cli downloading a generated group of WALK messages from the simulated service at
# pacing 0 (no designed waits: the fastest it can go). WALK is N by default: a walk of 5,000
# messages ran 6 to 16 % fewer pages per second than one of 100,000 (its sign-in and start
# weigh more), so scaling a short walk up made the walk look longer than it is.
#
# Two sets of pages are built. The walk's own: the same pages it saved, like for like. And N
# pages written by bench/ArchivePages.cpp: the service's own message page for each, with texts
# of 40 to 200 words from a vocabulary of thousands (the service's generated texts are a few
# short lines), so the reading and the search index meet realistic texts; these pages average
# 3.9 KB against the walk's 2.4 KB and are the harder case for the build.
#
# Per round, in turn (so both meet the same load of a shared machine): the walk and the build of
# its pages, then on the generated group a build from scratch (wall and CPU seconds, peak
# memory), a build with nothing changed, then 100 new messages written (and the last one
# rewritten, as a download with --resume does) and a build again. Printed: min, median and max
# over the rounds; each round's build against that round's walk, in wall time and in CPU time
# (the build reads with two threads: its CPU seconds are the time both cores spent, so a build
# that only looks fast by using the second core shows here), target under a tenth; peak memory
# (target under 100 MB) and the build after 100 new messages (target under a second).
#
# Usage: bench/archive-vs-walk.sh [N (default 100000)] [build folder (default build/default)]
# Environment: ROUNDS=3; WALK=N (messages of the measured walk; a smaller walk is scaled to N);
# OUT_DIR (default /dev/shm when there, where the pages go: on a disk, the first build also
# pays for reading the pages from it).
set -euo pipefail
export LC_ALL=C
here="$(cd "$(dirname "$0")/.." && pwd)"
n="${1:-100000}"
build="${2:-$here/build/default}"
rounds="${ROUNDS:-3}"
walk="${WALK:-$n}"
for v in "$n" "$rounds" "$walk"; do
  [[ "$v" =~ ^[1-9][0-9]*$ ]] || { echo "counts must be positive numbers" >&2; exit 2; }
done
cli="$build/cli/tessaly-cli"
for program in "$cli" "$build/groupsim/tessaly-groupsim" "$build/bench/archive_bench_pages"; do
  [ -x "$program" ] || { echo "missing: $program" >&2; exit 2; }
done

work="$(mktemp -d)"
default_out="$work"
[ -d /dev/shm ] && [ -w /dev/shm ] && default_out=/dev/shm
out_root="$(mktemp -d "${OUT_DIR:-$default_out}/archive.XXXXXX")"
trap 'kill ${sim:-0} 2>/dev/null || true; rm -rf "$work" "$out_root"' EXIT
export TESSALY_PACE=0 HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" \
  XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"

# measure LABEL ROUND COMMAND...: appends "label round wall cpu peak-KB" to the results.
measure() {
  local label="$1" round="$2" t0 t1
  shift 2
  t0=$EPOCHREALTIME
  echo tessaly-demo | python3 "$here/bench/lib/measure.py" "$work/cpu" /usr/bin/time -f "%M" \
    -o "$work/time" "$@" > "$work/last.out" 2>&1 || { cat "$work/last.out" >&2; exit 1; }
  t1=$EPOCHREALTIME
  paste -d' ' "$work/cpu" <(tail -1 "$work/time") |
    awk -v l="$label" -v r="$round" -v t0="$t0" -v t1="$t1" '{ print l, r, t1 - t0, $1 + $2, $3 }' \
    >> "$work/results"
}
: > "$work/results"
: > "$work/reread"

# The generated group of N messages.
gen="$out_root/generated"
mkdir -p "$gen/Messages/BigGroup"
t0=$EPOCHREALTIME
"$build/bench/archive_bench_pages" "$gen/Messages/BigGroup" 1 "$n"
t1=$EPOCHREALTIME
size=$(du -sm "$gen/Messages" | cut -f1)
last=$n

# The walk: a generated group of WALK messages from the simulated service.
"$build/groupsim/tessaly-groupsim" --port 0 --messages "$walk" > "$work/port" &
sim=$!
for _ in $(seq 600); do [ -s "$work/port" ] && break; sleep 0.1; done
export http_proxy="http://127.0.0.1:$(head -1 "$work/port")"
echo tessaly-demo | "$cli" login --user demo_member --password-stdin --refresh >/dev/null 2>&1

# Each round walks and builds in turn, so both meet the same load of the machine.
for round in $(seq "$rounds"); do
  dir="$out_root/walk-$round"
  measure walk "$round" "$cli" download --password-stdin --out "$dir" BigGroup
  saved=$(find "$dir/Messages/BigGroup" -type f | wc -l)
  [ "$saved" -eq "$walk" ] || echo "warning: the walk saved $saved pages of $walk" >&2
  measure walkbuild "$round" "$cli" archive build "$dir"
  rm -rf "$dir"
  rm -rf "$gen/Archive"
  measure build "$round" "$cli" archive build "$gen"
  measure same "$round" "$cli" archive build "$gen"
  "$build/bench/archive_bench_pages" "$gen/Messages/BigGroup" "$last" 101 $((last + 100))
  last=$((last + 100))
  measure new100 "$round" "$cli" archive build "$gen"
  # It reads the pages of the block of 1000 numbers the new messages fall in.
  sed -n 's/.*; \([0-9]*\) saved pages read.*/\1/p' "$work/last.out" >> "$work/reread"
done
kill $sim 2>/dev/null || true
reread="$(sort -n "$work/reread" | paste -sd' ')"
site=$(du -sm "$gen/Archive" | cut -f1)
index=$(du -sm "$gen/Archive/search" | cut -f1)

awk -v n="$n" -v walk="$walk" -v rounds="$rounds" -v gen="$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')" \
  -v size="$size" -v site="$site" -v index_mb="$index" -v reread="$reread" "$(cat "$here/bench/lib/stats.awk")"'
{ wall[$1, $2] = $3; cpu[$1, $2] = $4; kb[$1, $2] = $5 }
function col(l, what, fmt,   r, v) {
  for (r = 1; r <= rounds; r++)
    v[r] = what == "wall" ? wall[l, r] : what == "cpu" ? cpu[l, r] : what == "mb" ? kb[l, r] / 1024 : per(walk, wall[l, r])
  return mmm(v, rounds, fmt)
}
function line(title, l) {
  printf "  %-34s %s s wall, %s s CPU, %s MB peak\n", title, col(l, "wall", "%7.2f"), col(l, "cpu", "%7.2f"), col(l, "mb", "%6.1f")
}
END {
  printf "%d rounds; figures are min median max over them\n", rounds
  printf "The walk: tessaly-cli download of %d messages from tessaly-groupsim at pacing 0\n", walk
  line("download", "walk")
  printf "  %-34s %s\n", "pages per second", col("walk", "pps", "%7.0f")
  line("archive build of those pages", "walkbuild")
  for (r = 1; r <= rounds; r++) {
    wb[r] = per(wall["walkbuild", r], wall["walk", r])
    wbc[r] = per(cpu["walkbuild", r], wall["walk", r])
  }
  printf "  %-34s %s\n", "build wall / walk wall (same pages)", mmm(wb, rounds, "%7.3f")
  printf "  %-34s %s\n", "build CPU / walk wall (same pages)", mmm(wbc, rounds, "%7.3f")
  printf "The archive of %d generated pages (%d MB; written in %.1f s)\n", n, size, gen
  line("build from scratch", "build")
  line("build with nothing changed", "same")
  line("build after 100 new messages", "new100")
  printf "    (pages it read again, by round: %s)\n", reread
  printf "  the site: %d MB, of it the search index %d MB\n", site, index_mb
  for (r = 1; r <= rounds; r++) {
    walkN[r] = n / per(walk, wall["walk", r])
    walkCpuN[r] = cpu["walk", r] * n / walk
    ratio[r] = per(wall["build", r], walkN[r])
    cpuRatio[r] = per(cpu["build", r], walkN[r])
    cpuCpu[r] = per(cpu["build", r], walkCpuN[r])
    paced[r] = per(wall["build", r], n * 1.5)
  }
  printf "Against the walk of %d messages (each round: its build against its walk)\n", n
  printf "  %-34s %s s wall\n", "walk at pacing 0 (N / pages per s)", mmm(walkN, rounds, "%7.1f")
  printf "  %-34s %s s CPU (tessaly-cli alone)\n", "  its CPU (the walk CPU times N/WALK)", mmm(walkCpuN, rounds, "%7.1f")
  printf "  %-34s %s (target under 0.1)\n", "build wall / walk wall", mmm(ratio, rounds, "%7.3f")
  printf "  %-34s %s (the time of both cores: also under 0.1)\n", "build CPU / walk wall", mmm(cpuRatio, rounds, "%7.3f")
  printf "  %-34s %s\n", "build CPU / walk CPU", mmm(cpuCpu, rounds, "%7.3f")
  printf "  %-34s %s (the designed 1.5 s per message)\n", "build / walk as paced", mmm(paced, rounds, "%9.5f")
  printf "  %-34s %s MB (target under 100)\n", "peak memory of the build", col("build", "mb", "%6.1f")
  printf "  %-34s %s s (target under 1)\n", "build after 100 new messages", col("new100", "wall", "%6.2f")
}' "$work/results"
