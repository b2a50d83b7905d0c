#!/usr/bin/env bash
# Starts the real program on the X server xvfb-run gave us: the tip window comes up over
# the main window, Esc closes it, the main window shows its task pane and its list, and a
# second Esc ends the program.
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
# Wait until the tip window is gone before looking at the main window.
for _ in $(seq 100); do
  xdotool search --onlyvisible --name '^Tip of the Day$' >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --onlyvisible --name '^Tip of the Day$' >/dev/null 2>&1 && fail "Esc left the tip window open"

# The task pane has its own colour; the list is a white report with a header row.
import -window "$main" "$work/main.png"
pixel() { /usr/bin/convert "$work/main.png" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:; }
pane="$(pixel 445 300)"
[ "$pane" = "111,148,216" ] || fail "task pane colour at (445,300) is $pane"
list="$(pixel 20 110)"
[ "$list" = "255,255,255" ] || fail "list background at (20,110) is $list"

xdotool windowfocus --sync "$main" key Escape
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "Esc did not end the program"
wait "$pid"
echo "started, showed its windows and quit on Esc"
