#!/usr/bin/env bash
# Starts the real program on the X server xvfb-run gave us: the tip window comes up over
# the main window, Esc closes it, and Esc on the main window ends the program.
set -euo pipefail
program="$1"
work="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
unset QT_QPA_PLATFORM

"$program" &
pid=$!

fail() { echo "FAIL: $*" >&2; exit 1; }
find_window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -1; }

tips="$(find_window '^Tip of the Day$')" || fail "no tip window"
xdotool windowfocus --sync "$tips" key Escape
main="$(find_window '^Brevane v\.2\.0 ::: Picture to icon$')" || fail "no main window"
for _ in $(seq 100); do
  xdotool search --onlyvisible --name '^Tip of the Day$' >/dev/null 2>&1 || break
  sleep 0.1
done

xdotool windowfocus --sync "$main" key Escape
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "Esc did not end the program"
wait "$pid"
echo "started, showed its windows and quit on Esc"
