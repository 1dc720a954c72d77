# Sourced by the entry points: start_xvfb WxHxD starts a virtual X server on a
# free display, exports DISPLAY and stops the server when the shell exits.
start_xvfb() {
  local geometry=${1:-1920x1080x24} n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "$geometry" -nolisten tcp >/dev/null 2>&1 &
  VASK_XVFB_PID=$!
  trap 'kill $VASK_XVFB_PID 2>/dev/null || true' EXIT
  export DISPLAY=":$n"
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start on :$n" >&2
  return 1
}
