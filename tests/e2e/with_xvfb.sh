#!/usr/bin/env bash
# Runs a command on a private Xvfb display that this script starts and stops; exits 77 (skipped)
# with a message when no X server can be started here.
set -u
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "SKIP: Xvfb is not installed" >&2
  exit 77
fi
fifo_dir=$(mktemp -d)
trap 'rm -rf "$fifo_dir"' EXIT
mkfifo "$fifo_dir/display"
# -displayfd picks a free display number and writes it once the server accepts connections.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo_dir/display" 2>"$fifo_dir/log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$fifo_dir"' EXIT
display=""
read -r -t 20 display <"$fifo_dir/display" || true
if [ -z "$display" ]; then
  echo "SKIP: Xvfb could not start: $(head -c 400 "$fifo_dir/log")" >&2
  exit 77
fi
export DISPLAY=":$display"
export XDG_RUNTIME_DIR="$fifo_dir"
unset WAYLAND_DISPLAY
"$@"
