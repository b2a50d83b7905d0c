#!/usr/bin/env bash
# The real program under a window manager: captions exact, the tip window over the main window,
# "Always on Top" from the keyboard sets the "above" state on the same window, Esc ends it.
set -euo pipefail
work="$(mktemp -d)"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
unset QT_QPA_PLATFORM
fail() { echo "FAIL: $*" >&2; exit 1; }
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
"$1" &
pids+=($!)
find_window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -1; }
title() { xprop -id "$1" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'; }
centre() { eval "$(xdotool getwindowgeometry --shell "$1")"; echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"; }
above() { xprop -id "$1" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; }

tips="$(find_window 'Tip of the Day')" || fail "no tip window"
main="$(find_window 'Picture to icon')" || fail "no main window"
[ "$(title "$tips")" = "Tip of the Day" ] || fail "tip window caption: $(title "$tips")"
[ "$(title "$main")" = "Brevane v.2.0 ::: Picture to icon" ] || fail "main window caption: $(title "$main")"
# The window manager may still be placing the windows: look again for a few seconds.
for _ in $(seq 20); do
  read -r tx ty < <(centre "$tips")
  read -r mx my < <(centre "$main")
  [ $(((tx - mx) * (tx - mx) + (ty - my) * (ty - my))) -le 1600 ] && break
  sleep 0.2
done
[ $(((tx - mx) * (tx - mx) + (ty - my) * (ty - my))) -le 1600 ] \
  || fail "tip window centred at $tx,$ty, main window at $mx,$my; tip: $(xdotool getwindowgeometry "$tips" | tr "\n" " ")"

xdotool windowactivate --sync "$tips" key Escape sleep 0.5 windowactivate --sync "$main" sleep 0.3
above "$main" && fail "above before asked"
# Shift+Tab from the list reaches "more tips !"; Shift+F10 there opens the window menu, whose
# last entry is "Always on Top".
xdotool key shift+Tab sleep 0.3
for expected in yes no; do
  xdotool key shift+F10 sleep 0.5 key Up Return
  for _ in $(seq 50); do
    if above "$main"; then state=yes; else state=no; fi
    [ "$state" = "$expected" ] && break
    sleep 0.1
  done
  [ "$(find_window 'Picture to icon')" = "$main" ] || fail "the main window was made anew"
  [ "$state" = "$expected" ] || fail "above is $state, expected $expected"
  xdotool windowactivate --sync "$main" sleep 0.3
done
xdotool key Escape
for _ in $(seq 100); do kill -0 "${pids[1]}" 2>/dev/null || break; sleep 0.1; done
kill -0 "${pids[1]}" 2>/dev/null && fail "Esc did not end the program"
echo "captions exact, tips over the main window, Always on Top kept the window"
