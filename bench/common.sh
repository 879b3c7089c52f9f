# What every bench needs: the release build of the launcher and the builder,
# and nginx on loopback with the project's site configuration. Sourced after
# the bench has set repo and build.

launcher=$build/app/zarvo-launcher
builder=$build/tools/builder/zarvo-builder

# Brings the two programs up to date with the checkout (a stale build would
# measure old code).
build_tools() {
  [ -f "$build/CMakeCache.txt" ] || cmake --preset native-release -B "$build" >/dev/null
  cmake --build "$build" -j2 --target zarvo-launcher zarvo-builder >/dev/null
}

# Appends to file $1 the update site serving folder $3 on 127.0.0.1:$2, its
# connection limit in a zone of its own named after $4.
nginx_site() {
  sed -e "s|@LISTEN@|127.0.0.1:$2|" -e "s|@ROOT@|$3|" -e "s|@MAX_CONNECTIONS@|64|" \
    -e "s|zone=zarvo_update|zone=zarvo_$4|" -e "s|limit_conn zarvo_update|limit_conn zarvo_$4|" \
    "$repo/server/nginx/zarvo-update.conf" >>"$1"
}

# Runs nginx from folder $1 with the sites in $1/sites.conf and the further
# http lines $2 until the bench's shell exits, and waits until address $3
# answers. Sets nginx_pid.
start_nginx() {
  local dir=$1
  mkdir -p "$dir/tmp"
  cat >"$dir/nginx.conf" <<CONF
daemon off; master_process off; worker_processes 1;
pid $dir/nginx.pid; error_log $dir/error.log warn;
events { worker_connections 256; }
http {
  $2
  client_body_temp_path $dir/tmp/body; proxy_temp_path $dir/tmp/proxy;
  fastcgi_temp_path $dir/tmp/fastcgi; uwsgi_temp_path $dir/tmp/uwsgi; scgi_temp_path $dir/tmp/scgi;
  include $dir/sites.conf;
}
CONF
  /usr/sbin/nginx -p "$dir" -e "$dir/error.log" -c "$dir/nginx.conf" </dev/null >>"$dir/error.log" 2>&1 &
  nginx_pid=$!
  trap 'kill "$nginx_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do
    if curl -sf -o /dev/null "$3"; then return; fi
    sleep 0.1
  done
}
