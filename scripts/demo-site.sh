# Starts and stops the bundled demo site for the run scripts (sourced, not run).
#   demo_site_start SITE-PROGRAM NAME   sets demo_address, demo_work and demo_site_pid
#   demo_site_stop [quiet]              stops it and removes its work folder
# NAME prefixes the messages of a site that does not start.

demo_site_pid=""
demo_work=""
demo_address=""

demo_site_stop() {
  if [ -n "$demo_site_pid" ] && kill -0 "$demo_site_pid" 2>/dev/null; then
    kill -INT "$demo_site_pid"
    wait "$demo_site_pid" 2>/dev/null || true
    if [ -z "${1:-}" ]; then
      echo "Demo site stopped; $(tail -n 1 "$demo_work/site.log" | sed 's/^zumr-demo-site: stopped; //')"
    fi
  fi
  demo_site_pid=""
  if [ -n "$demo_work" ]; then
    rm -rf "$demo_work"
  fi
}

demo_site_start() {
  local site=$1 name=$2
  demo_work=$(mktemp -d)
  "$site" --port 0 --chapters 6 --pages 4 --layout "${ZUMR_DEMO_LAYOUT:-designed}" --ready-file "$demo_work/ready" \
    >"$demo_work/site.log" 2>&1 &
  demo_site_pid=$!
  for _ in $(seq 1 100); do
    [ -s "$demo_work/ready" ] && break
    if ! kill -0 "$demo_site_pid" 2>/dev/null; then
      echo "$name: the demo site did not start:" >&2
      cat "$demo_work/site.log" >&2
      exit 1
    fi
    sleep 0.1
  done
  if [ ! -s "$demo_work/ready" ]; then
    echo "$name: the demo site did not report its address" >&2
    exit 1
  fi
  demo_address=$(head -n 1 "$demo_work/ready")
  echo "Demo site serving $demo_address"
}
