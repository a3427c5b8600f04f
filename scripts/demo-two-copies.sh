#!/usr/bin/env bash
# Two desktop programs on one display exchange notes, as a person would do it,
# and the screen is saved as docs/two_copies.png. Needs Xvfb, xdotool and
# ImageMagick (apt-get install xvfb xdotool imagemagick) and a build in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
work=$(mktemp -d)
display=:97

Xvfb "$display" -screen 0 1280x700x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display
sleep 1

# ann listens on 7781, bob on 7782; each has the other in the host list, with the
# other's port after the address.
settings() { # folder nickname port peer peer-port left right
    mkdir -p "$work/$1/Tessaro"
    cat >"$work/$1/Tessaro/Blipnote.conf" <<CONF
[Settings]
version=2
greetings=1
Nickname=$2
IP Port=$3
Use AutoAdd=0
flags=0
rcNormal=0020 $6 $7 0640

[FingerD-Settings]
Use FingerD=0

[Hosts]
Host 0=$4/\$0127.0.0.1:$5/\$1office/\$2
CONF
}
settings a ann 7781 bob 7782 0010 0630
settings b bob 7782 ann 7781 0650 1270

XDG_CONFIG_HOME=$work/a "$top/build/blipnote" >/dev/null 2>&1 &
XDG_CONFIG_HOME=$work/b "$top/build/blipnote" >/dev/null 2>&1 &
sleep 2
# Without a window manager a click is what moves the keyboard focus.
focus() { # x y
    xdotool mousemove "$1" "$2" click 1
    sleep 0.3
}

# ann writes to bob and sends.
focus 500 57 # ann's toolbar
xdotool key ctrl+n
sleep 0.8
xdotool key ctrl+a
xdotool type --delay 20 bob
xdotool key Tab Tab
xdotool type --delay 8 "Hi Bob, shall we go for lunch at noon? The new place on the corner has a table by the window."
xdotool key ctrl+s
sleep 1.5

# bob answers from the note that arrived.
focus 1140 57 # bob's toolbar
xdotool key ctrl+r
sleep 0.8
xdotool key Tab Tab ctrl+Home
xdotool type --delay 8 "Yes, see you at noon!"
xdotool key Return Return ctrl+s
sleep 1.5

import -window root "$top/docs/two_copies.png"
echo "docs/two_copies.png written"
