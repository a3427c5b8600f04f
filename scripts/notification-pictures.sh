#!/usr/bin/env bash
# Pictures of how an arriving note meets the desktop: the desktop notification
# and the tray icon asking for attention, with its tip. Runs the desktop program
# with a tray (trayer) and a notification server (dunst) on a private display
# and session bus, sends it notes, and saves docs/notification.png and
# docs/tray_attention.png. Needs what scripts/install-deps.sh installs,
# ImageMagick and a build in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
if [ -z "${BLIPNOTE_PICTURES_BUS:-}" ]; then
    exec env BLIPNOTE_PICTURES_BUS=1 dbus-run-session \
        --config-file="$top/tests/support/private-session-bus.conf" -- "$0" "$@"
fi
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config

Xvfb -displayfd 3 -screen 0 900x500x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
while [ ! -s "$work/display" ]; do sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
convert -size 900x500 gradient:'#4a6f8f-#1e3348' "$work/desk.png"
display -window root "$work/desk.png" >/dev/null 2>&1 &
trayer --edge bottom --align right --widthtype request --height 40 --tint 0x303030 \
    --transparent true --alpha 40 >/dev/null 2>&1 &
cat >"$work/dunstrc" <<'CONF'
[global]
    font = Liberation Sans 11
    width = 360
    offset = 16x16
    frame_width = 1
    frame_color = "#8fa8c0"
    corner_radius = 6
    format = "<b>%s</b>\n%b"
    icon_position = left
    min_icon_size = 40
    max_icon_size = 40
[urgency_normal]
    background = "#20262e"
    foreground = "#e8edf2"
    timeout = 0
CONF
dunst -config "$work/dunstrc" >/dev/null 2>&1 &
sleep 1

port=17797
mkdir -p "$XDG_CONFIG_HOME/Tessaro"
printf '[Settings]\nversion=2\ngreetings=1\nIP Port=%s\nUse Sound=0\nUse PopUp=0\nUse TrayArea=1\n\n[FingerD-Settings]\nUse FingerD=0\n' \
    "$port" >"$XDG_CONFIG_HOME/Tessaro/Blipnote.conf"
"$top/build/blipnote" --hidden >/dev/null 2>&1 &
sleep 2
send() { "$top/build/blipnote-cli" send --port "$port" "$@" 127.0.0.1 >/dev/null; }
send --nick ann --title Lunch --text "Shall we go for lunch at noon?
The new place on the corner has a table by the window."
sleep 1.5
import -window root -crop 420x130+470+0 "$top/docs/notification.png"

send --nick bob --text "The printer on the second floor works again."
sleep 1
# The icon at twice its size, then its tip, which shows when the pointer rests
# on it.
import -window root -crop 60x50+840+450 "$work/icon1.png"
convert "$work/icon1.png" -scale 200% "$work/icon.png"
xdotool mousemove 876 482 sleep 0.3 mousemove 878 483
sleep 2.5
import -window root -crop 330x100+570+400 "$work/tip.png"
convert "$work/icon.png" "$work/tip.png" -background '#1e3348' -gravity south +append \
    "$top/docs/tray_attention.png"
echo "docs/notification.png and docs/tray_attention.png written"
