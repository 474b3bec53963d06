#!/usr/bin/env bash
# Message harvesting speed, like for like: tessaly-cli downloading a generated group of N
# messages (pacing 0), wget --recursive --no-parent mirroring the same group's message pages,
# and curl fetching the same pages by their numbers over one keep-alive connection, all through
# one simulated service in the same run; wget and curl use the cookie file of tessaly-cli's
# login. Every program saves every page into a folder of its own, fresh for each round.
#
# Every program runs the same number of rounds. Round r of every program runs back to back, the
# order rotating from one round to the next, so a slow spell of the machine falls on all of them
# alike. For each program the min, median and max over its rounds are printed of: pages per
# second, wall seconds, CPU time per page (user + system of the process and all its threads,
# from the kernel's accounting of the finished process, read with wait4) and peak memory; then the min, median and max of the per-round ratios
# tessaly / wget of pages per second and of CPU per page. tessaly-cli's page count is checked
# against the group's message count.
#
# Usage: bench/messages-vs-wget.sh [messages (default 5000)] [build folder (default build/default)]
# The build folder gives cli/tessaly-cli and groupsim/tessaly-groupsim (the service).
# Environment:
#   ROUNDS=3          rounds per program
#   PIN=1             the service on cpu 1, every client on cpu 0 (taskset): a client cannot
#                     gain by keeping a second core busy (default: unpinned)
#   PEER_BUILD=dir    also measures dir/cli/tessaly-cli the same way, against the same service,
#                     as "tessaly (peer build)", with the ratios tessaly / peer build
#   OUT_DIR=dir       where the pages go (default: /dev/shm when it is there, else a temporary
#                     folder beside the others). On a disk file system the cost of creating a
#                     file depends on what was deleted there lately (ext4 looks for an inode that
#                     was not freed recently, and after a few rounds of thousands of deleted
#                     pages that search is most of the system time of every program): the
#                     figures then say more about the file system's history than about the
#                     programs. OUT_DIR=/tmp (say) measures the disk anyway.
set -euo pipefail
export LC_ALL=C
here="$(cd "$(dirname "$0")/.." && pwd)"
messages="${1:-5000}"
build="${2:-$here/build/default}"
rounds="${ROUNDS:-3}"
peer="${PEER_BUILD:-}"
[[ "$messages" =~ ^[1-9][0-9]*$ ]] || { echo "messages must be a positive number" >&2; exit 2; }
[[ "$rounds" =~ ^[1-9][0-9]*$ ]] || { echo "ROUNDS must be a positive number" >&2; exit 2; }
for program in "$build/cli/tessaly-cli" "$build/groupsim/tessaly-groupsim" \
  ${peer:+"$peer/cli/tessaly-cli"}; do
  [ -x "$program" ] || { echo "missing: $program" >&2; exit 2; }
done
pin_service=() pin_client=()
if [ "${PIN:-0}" = 1 ]; then
  [ "$(nproc)" -ge 2 ] || { echo "PIN=1 needs two cpus" >&2; exit 2; }
  pin_service=(taskset -c 1) pin_client=(taskset -c 0)
fi

work="$(mktemp -d)"
default_out="$work"
[ -d /dev/shm ] && [ -w /dev/shm ] && default_out=/dev/shm
out_root="$(mktemp -d "${OUT_DIR:-$default_out}/pages.XXXXXX")"
trap 'kill ${sim:-0} 2>/dev/null || true; rm -rf "$work" "$out_root"' EXIT
export TESSALY_PACE=0

"${pin_service[@]}" "$build/groupsim/tessaly-groupsim" --port 0 --messages "$messages" \
  > "$work/port" &
sim=$!
for _ in $(seq 600); do [ -s "$work/port" ] && break; sleep 0.1; done
port="$(head -1 "$work/port")"
[ -n "$port" ] || { echo "tessaly-groupsim did not start" >&2; exit 1; }
export http_proxy="http://127.0.0.1:$port"
group_url="http://groups.yahoo.com/group/BigGroup"

# Each tessaly build keeps its settings, registry store and cookies in a home of its own.
home_env() {  # home_env NAME: the environment of that home
  local h="$work/$1"
  mkdir -p "$h/home" "$h/data" "$h/config" "$h/run"
  echo "HOME=$h/home XDG_DATA_HOME=$h/data XDG_CONFIG_HOME=$h/config XDG_RUNTIME_DIR=$h/run"
}
login() {  # login CLI ENV...: signs demo_member in with that program in that environment
  local cli="$1"
  shift
  echo tessaly-demo | env "$@" "$cli" login --user demo_member --password-stdin --refresh \
    >/dev/null 2>&1 || { echo "$cli login failed" >&2; exit 1; }
}
read -ra main_env <<< "$(home_env main)"
login "$build/cli/tessaly-cli" "${main_env[@]}"
cookies="$work/main/config/Tessaly2/cookies.txt"
if [ -n "$peer" ]; then
  read -ra peer_env <<< "$(home_env peer)"
  login "$peer/cli/tessaly-cli" "${peer_env[@]}"
fi

# The group's message numbers (ascending, with gaps), for curl's list of pages: from the
# service program's --list-messages, or, for a build without it, from another build's (the
# numbers depend only on the seed and the count), checked against the running service.
numbers="$work/numbers"
listed=0
for lister in "$build" ${peer:+"$peer"} "$here/build/default"; do
  if "$lister/groupsim/tessaly-groupsim" --messages "$messages" --list-messages > "$numbers" \
    2>/dev/null && [ "$(wc -l < "$numbers")" -eq "$messages" ]; then
    listed=1
    break
  fi
done
first="$(head -1 "$numbers" 2>/dev/null || true)"
last="$(tail -1 "$numbers" 2>/dev/null || true)"
if [ "$listed" != 1 ] || ! curl -s -x "$http_proxy" -b "$cookies" "$group_url/message/$last" |
  grep -q "Message $last of $last<"; then
  echo "cannot list the group's message numbers (no tessaly-groupsim with --list-messages?)" >&2
  exit 1
fi

programs=(tessaly ${peer:+peer} wget curl)
label() {
  case "$1" in
    tessaly) echo "tessaly-cli" ;;
    peer) echo "tessaly (peer build)" ;;
    *) echo "$1" ;;
  esac
}

# One round of one program into its own folder; appends "program round pages wall cpu KB".
run_round() {
  local who="$1" round="$2" dir="$out_root/$1-$2" rc=0 t0 t1 pages cmd
  case "$who" in
    tessaly)
      cmd=(env "${main_env[@]}" "$build/cli/tessaly-cli" download --password-stdin --out "$dir"
        BigGroup) ;;
    peer)
      cmd=(env "${peer_env[@]}" "$peer/cli/tessaly-cli" download --password-stdin --out "$dir"
        BigGroup) ;;
    wget)
      cmd=(wget -q -e robots=off -e use_proxy=on -e "http_proxy=$http_proxy" --load-cookies
        "$cookies" --recursive --no-parent --level=inf -P "$dir" "$group_url/message/$first") ;;
    curl)
      mkdir -p "$dir"
      awk -v base="$group_url/message/" -v dir="$dir" \
        '{ printf "url = \"%s%s\"\noutput = \"%s/%s.html\"\n", base, $1, dir, $1 }' \
        "$numbers" > "$work/curl.config"
      cmd=(curl -s -x "$http_proxy" -b "$cookies" -K "$work/curl.config") ;;
  esac
  t0=$EPOCHREALTIME
  # CPU from the kernel's accounting (it includes GNU time's own, about a millisecond, alike for
  # every program); peak memory from GNU time, whose child does not start as a copy of python.
  echo tessaly-demo | python3 "$here/bench/lib/measure.py" "$work/cpu" /usr/bin/time -f "%M" \
    -o "$work/time" "${pin_client[@]}" "${cmd[@]}" >/dev/null 2>&1 || rc=$?
  t1=$EPOCHREALTIME
  if [ "$who" = tessaly ] || [ "$who" = peer ]; then
    pages=$(find "$dir/Messages/BigGroup" -type f 2>/dev/null | wc -l)
  else
    pages=$(find "$dir" -type f | wc -l)
  fi
  [ "$rc" = 0 ] || echo "warning: $(label "$who") exited with status $rc in round $round" >&2
  if [ "$who" = tessaly ] || [ "$who" = peer ]; then
    [ "$pages" -eq "$messages" ] || echo "warning: $(label "$who") saved $pages pages in round" \
      "$round; the group has $messages messages" >&2
  fi
  paste -d' ' "$work/cpu" <(tail -1 "$work/time") |
    awk -v who="$who" -v r="$round" -v p="$pages" -v t0="$t0" -v t1="$t1" \
      '{ print who, r, p, t1 - t0, $1 + $2, $3 }' >> "$work/results"
}

# Every round to folders of its own, removed only at the end (on a file system mounted with
# discard, deleting many files slows the writes that follow).
: > "$work/results"
count=${#programs[@]}
for round in $(seq "$rounds"); do
  for k in $(seq 0 $((count - 1))); do
    run_round "${programs[$(((round - 1 + k) % count))]}" "$round"
  done
done

order="$(for who in "${programs[@]}"; do label "$who"; done | paste -sd ,)"
awk -v n="$messages" -v first="$first" -v last="$last" -v rounds="$rounds" \
  -v pinned="${PIN:-0}" -v build="$build" -v peer="$peer" -v order="$order" \
  "$(cat "$here/bench/lib/stats.awk")"'
function name(w) { return w == "tessaly" ? "tessaly-cli" : w == "peer" ? "tessaly (peer build)" : w }
{
  w = $1; r = $2
  pages[w, r] = $3; wall[w, r] = $4; cpu[w, r] = $5; kb[w, r] = $6
}
function row(w, what, fmt,   r, v) {
  for (r = 1; r <= rounds; r++) {
    if (what == "pps") v[r] = per(pages[w, r], wall[w, r])
    else if (what == "wall") v[r] = wall[w, r]
    else if (what == "cpu") v[r] = per(cpu[w, r] * 1e6, pages[w, r])
    else if (what == "mb") v[r] = kb[w, r] / 1024
    else v[r] = pages[w, r]
  }
  return mmm(v, rounds, fmt)
}
function ratio(a, b, what,   r, v, x, y) {
  for (r = 1; r <= rounds; r++) {
    if (what == "pps") { x = per(pages[a, r], wall[a, r]); y = per(pages[b, r], wall[b, r]) }
    else { x = per(cpu[a, r], pages[a, r]); y = per(cpu[b, r], pages[b, r]) }
    v[r] = per(x, y)
  }
  return mmm(v, rounds, "%10.2f")
}
END {
  printf "BigGroup of %d messages (numbers %d to %d) through tessaly-groupsim of %s\n", n, first, last, build
  shown = order
  gsub(/,/, ", ", shown)
  printf "%d rounds; in each, every program once, back to back, in the order %s,\n", rounds, shown
  printf "rotated by one each round\n"
  printf "%s\n", pinned == 1 ? "pinned: the service on cpu 1, every client on cpu 0" \
                             : "unpinned (PIN=1 puts the service on cpu 1 and every client on cpu 0)"
  printf "CPU = user + system time of the client (all its threads), per page saved, as the\n"
  printf "kernel accounts it for the finished process (wait4)\n\n"
  printf "%-22s %-14s %10s %10s %10s\n", "program", "figure", "min", "median", "max"
  count = split(order, list, ",")
  for (i = 1; i <= count; i++) {
    w = list[i] == "tessaly-cli" ? "tessaly" : list[i] == "tessaly (peer build)" ? "peer" : list[i]
    printf "%-22s %-14s %s\n", name(w), "pages saved", row(w, "pages", "%10d")
    printf "%-22s %-14s %s\n", "", "pages/s", row(w, "pps", "%10.1f")
    printf "%-22s %-14s %s\n", "", "wall s", row(w, "wall", "%10.3f")
    printf "%-22s %-14s %s\n", "", "CPU us/page", row(w, "cpu", "%10.1f")
    printf "%-22s %-14s %s\n", "", "peak MB", row(w, "mb", "%10.1f")
  }
  printf "\n%-40s %10s %10s %10s\n", "per-round ratio", "min", "median", "max"
  printf "%-40s %s\n", "pages/s, tessaly-cli / wget", ratio("tessaly", "wget", "pps")
  printf "%-40s %s\n", "CPU per page, tessaly-cli / wget", ratio("tessaly", "wget", "cpu")
  if (peer != "") {
    printf "%-40s %s\n", "pages/s, peer build / wget", ratio("peer", "wget", "pps")
    printf "%-40s %s\n", "CPU per page, peer build / wget", ratio("peer", "wget", "cpu")
    printf "%-40s %s\n", "pages/s, tessaly-cli / peer build", ratio("tessaly", "peer", "pps")
    printf "%-40s %s\n", "CPU per page, tessaly-cli / peer build", ratio("tessaly", "peer", "cpu")
  }
  printf "%-40s %s\n", "pages/s, curl / wget (for scale)", ratio("curl", "wget", "pps")
  if (peer != "") printf "peer build: %s\n", peer
}' "$work/results"
