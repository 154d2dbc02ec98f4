# Sourced by the test and benchmark scripts: starts a private Xvfb server when there is no display (stopped when
# the calling script exits) and selects SDL's dummy audio driver unless another is asked for.
if [ -z "${DISPLAY:-}" ]; then
  headless_display=:$((90 + RANDOM % 100))
  Xvfb "$headless_display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  headless_xvfb_pid=$!
  trap 'kill $headless_xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY=$headless_display
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
