# Sourced by the entry points: start_xvfb WxHxD starts a virtual X server on a
# free display, exports DISPLAY and stops the server when the shell exits.
# The server picks the display itself (-displayfd) and reports it once it
# accepts connections, so two servers started at the same moment (parallel
# runs on one machine) never share a display.
start_xvfb() {
  local geometry=${1:-1920x1080x24} report n=
  report=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp 3>"$report" >/dev/null 2>&1 &
  VASK_XVFB_PID=$!
  trap 'kill $VASK_XVFB_PID 2>/dev/null || true' EXIT
  for _ in $(seq 100); do
    n=$(tr -d '\n' <"$report")
    [ -z "$n" ] || break
    kill -0 "$VASK_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$report"
  if [ -z "$n" ]; then
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$n"
}
