#!/usr/bin/env bash
# Pages per second from the simulated service and from nginx serving a static file of the same
# size, both measured with wrk over keep-alive connections in the same run.
# Usage: bench/groupsim-vs-nginx.sh [path to tessaly-groupsim] [seconds] [connections]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
groupsim="${1:-$here/build/default/groupsim/tessaly-groupsim}"
seconds="${2:-5}"
connections="${3:-1}"
command -v wrk >/dev/null || { echo "wrk is missing (scripts/bootstrap installs it)"; exit 1; }
nginx_bin="$(command -v nginx || echo /usr/sbin/nginx)"

work="$(mktemp -d)"
cleanup() {
  [ -n "${sim_pid:-}" ] && kill "$sim_pid" 2>/dev/null || true
  [ -f "$work/nginx.pid" ] && kill "$(cat "$work/nginx.pid")" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$groupsim" --port 0 > "$work/port" &
sim_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port="$(head -1 "$work/port")"

# Sign in once through the form and keep the session cookie.
proxy="http://127.0.0.1:$port"
page="$(curl -s -x "$proxy" -c "$work/jar" http://login.yahoo.com/)"
field() { echo "$page" | grep -o "name=\"$1\" value=\"[^\"]*" | sed 's/.*value="//'; }
curl -s -x "$proxy" -c "$work/jar" -b "$work/jar" -o /dev/null \
  --data-urlencode ".tries=1" --data-urlencode ".src=ygrp" --data-urlencode ".intl=us" \
  --data-urlencode ".done=http://groups.yahoo.com/mygroups" --data-urlencode ".u=$(field .u)" \
  --data-urlencode ".challenge=$(field .challenge)" --data-urlencode "login=demo_member" \
  --data-urlencode "passwd=tessaly-demo" --data-urlencode ".save=Sign In" "http://login.yahoo.com/config/login?"
cookie="Y=$(awk '$6 == "Y" { print $7 }' "$work/jar")"
path=/group/DemoGroup/message/3
curl -s -x "$proxy" -H "Cookie: $cookie" "http://groups.yahoo.com$path" > "$work/page.html"
size=$(stat -c %s "$work/page.html")
grep -q "Message 3 of" "$work/page.html" || { echo "could not fetch the message page"; exit 1; }

# nginx with the same page as a static file.
mkdir -p "$work/www/group/DemoGroup/message" "$work/tmp"
cp "$work/page.html" "$work/www/group/DemoGroup/message/3"
nginx_port=$((port + 1))
cat > "$work/nginx.conf" <<CONF
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  client_body_temp_path $work/tmp; proxy_temp_path $work/tmp; fastcgi_temp_path $work/tmp;
  uwsgi_temp_path $work/tmp; scgi_temp_path $work/tmp;
  default_type text/html;
  keepalive_requests 1000000;
  server { listen 127.0.0.1:$nginx_port; root $work/www; }
}
CONF
"$nginx_bin" -c "$work/nginx.conf" -p "$work"
sleep 0.5

rate() { wrk -t1 -c"$connections" -d"${seconds}s" "$@" | awk '/Requests\/sec/ { print $2 }'; }
sim_rate=$(rate -H "Host: groups.yahoo.com" -H "Cookie: $cookie" "http://127.0.0.1:$port$path")
nginx_rate=$(rate "http://127.0.0.1:$nginx_port$path")
echo "page: $path, $size bytes; wrk, $connections keep-alive connection(s), ${seconds}s each"
echo "tessaly-groupsim: $sim_rate pages/s"
echo "nginx (static):   $nginx_rate pages/s"
awk -v a="$sim_rate" -v b="$nginx_rate" 'BEGIN { printf "ratio groupsim / nginx: %.2f (target >= 0.80)\n", a / b }'
