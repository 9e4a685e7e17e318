# What the service benchmarks share; sourced, with `work` (a temporary folder) and the array
# `pids` (processes stopped at the end) set by the script.

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

# Stops what the script started and removes its folder; installed by `trap cleanup EXIT`.
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}

# nginx with a configuration of its own under $work/nginx, serving $work/www on
# 127.0.0.1:PORT with WORKERS worker processes: start_nginx PORT WORKERS
start_nginx() {
  local nginx
  nginx=$(command -v nginx || echo /usr/sbin/nginx)
  mkdir -p "$work/nginx/logs"
  cat >"$work/nginx/nginx.conf" <<CONF
worker_processes $2;
error_log $work/nginx/logs/error.log;
pid $work/nginx/nginx.pid;
events { worker_connections 1024; }
http {
  access_log off;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  server {
    listen 127.0.0.1:$1;
    location / { root $work/www; default_type application/json; }
  }
}
CONF
  "$nginx" -p "$work/nginx" -c "$work/nginx/nginx.conf" -g 'daemon off;' 2>>"$work/nginx/logs/error.log" &
  pids+=("$!")
}
