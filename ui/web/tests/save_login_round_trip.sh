#!/usr/bin/env bash
# How a player gets the cookie file the command-line program and a daily
# timer use: quillet --sandbox --save-login F shows the simulator's login page
# on a virtual X display, the demo account signs in by typing into it, the
# program writes F and exits; then quillet-cli --sandbox --cookie-file F info
# must sign in with F alone.
# Usage: save_login_round_trip.sh QUILLET QUILLET_CLI
set -euo pipefail
quillet=$1
cli=$2
tmp=$(mktemp -d)
xvfb=
trap '[ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null; rm -rf "$tmp"' EXIT
mkdir -m 700 "$tmp/runtime"
file="$tmp/cookies.txt"

cat > "$tmp/steps.sh" <<'STEPS'
set -euo pipefail
# The colour of the page's 登录 button at (x, y), as "r g b".
pixel() { /usr/bin/python3 -c 'import sys; from PIL import ImageGrab; print(*ImageGrab.grab().getpixel((int(sys.argv[1]), int(sys.argv[2])))[:3])' "$1" "$2"; }
# The display answers before the program connects to it.
for _ in $(seq 100); do pixel 0 0 >/dev/null 2>&1 && break; sleep 0.1; done
"$QUILLET" --sandbox --save-login "$FILE" >"$TMP/quillet.log" 2>&1 &
pid=$!
# The page has loaded once its button is drawn (blue); at most 60 s.
loaded=no
for _ in $(seq 600); do
  read -r r g b < <(pixel 230 221 2>/dev/null || echo "0 0 0")
  if [ "$b" -gt 180 ] && [ "$r" -lt 120 ]; then loaded=yes; break; fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ "$loaded" != yes ]; then echo "round trip: the login page never showed" >&2; kill "$pid" 2>/dev/null || true; exit 1; fi
# The QQ and password fields, then the button (the window's client area
# starts at 50,50: no window manager draws a frame here).
xdotool mousemove 230 145 click 1; sleep 0.2; xdotool type --delay 20 358791246
xdotool mousemove 230 182 click 1; sleep 0.2; xdotool type --delay 20 demo
xdotool mousemove 230 221 click 1
rc=0
for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then echo "round trip: quillet did not exit after the login" >&2; kill "$pid"; exit 1; fi
wait "$pid" || rc=$?
exit "$rc"
STEPS

# A display of our own: the server picks a free number and writes it once it
# accepts connections; it never resets between clients.
Xvfb -displayfd 3 -screen 0 1024x700x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { echo "round trip: the X server did not start" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
rc=0
DISPLAY=":$(tr -d '\n' <"$tmp/display")" HOME="$tmp" XDG_RUNTIME_DIR="$tmp/runtime" \
  QTWEBENGINE_DISABLE_SANDBOX=1 QT_QPA_PLATFORM=xcb QUILLET="$quillet" FILE="$file" TMP="$tmp" \
  timeout 150 bash "$tmp/steps.sh" || rc=$?
if [ "$rc" -ne 0 ]; then
  echo "round trip: quillet --save-login exited with $rc" >&2
  cat "$tmp/quillet.log" "$tmp/xvfb.log" >&2 || true
  exit 1
fi
[ -s "$file" ] || { echo "round trip: $file was not written" >&2; exit 1; }
mode=$(stat -c %a "$file")
[ "$mode" = 600 ] || { echo "round trip: $file has mode $mode, not 600" >&2; exit 1; }

out=$(HOME="$tmp" "$cli" --sandbox --cookie-file "$file" info 2>&1) || {
  echo "round trip: quillet-cli info failed with the saved file:" >&2
  echo "$out" >&2
  exit 1
}
grep -q "QQ：【358791246】 - 【夜雨飞霜】 登录成功" <<<"$out" ||
  { echo "round trip: quillet-cli did not sign in with the saved file:" >&2; echo "$out" >&2; exit 1; }
echo "round trip: quillet --save-login wrote an owner-only file; quillet-cli signed in with it"
