#!/bin/bash
# The desktop program as the package installs it, with the file capability to
# bind ports below 1024, run by a user without privilege in a network namespace
# of its own (port 79 free there, nothing leaves it), on the offscreen display:
# its finger server answers on port 79, it holds no capability once started,
# and the note port of its settings, 99, is not bound (as for any user).
#   finger_capability_test.sh BLIPNOTE
set -euo pipefail
program=$1
skip() {
    echo "skipped: $*"
    exit 77
}
[[ $(id -u) == 0 ]] || skip "setting a file capability and running as another user need root"
for tool in setcap setpriv unshare ip; do
    command -v "$tool" >/dev/null || skip "$tool is missing"
done
unshare -n true 2>/dev/null || skip "cannot make a network namespace here"
user=65534 # nobody

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
cp "$program" "$work/blipnote"
setcap cap_net_bind_service=ep "$work/blipnote" 2>"$work/setcap.err" ||
    skip "setcap failed (a file system without extended attributes?): $(cat "$work/setcap.err")"
home=$work/home
mkdir -p "$home/config/Tessaro" "$home/runtime"
cat >"$home/config/Tessaro/Blipnote.conf" <<'EOF'
[Settings]
version=2
greetings=1
IP Port=99
Use Sound=0
Use PopUp=0
Use Priority=0
Use TrayArea=0

[FingerD-Settings]
Use FingerD=1
Send User=1
EOF
chown -R "$user:$user" "$home"
chmod 700 "$home/runtime"

# Everything below runs inside the namespace; its exit code is the test's. The
# inner shell expands the variables, from the exports.
export work home user
# shellcheck disable=SC2016
unshare -n bash -euo pipefail -c '
ip link set lo up
env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/config" \
    XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=offscreen \
    DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent QT_LOGGING_RULES=blipnote.net.warning=true \
    setpriv --reuid="$user" --regid="$user" --clear-groups "$work/blipnote" \
    >"$work/blipnote.log" 2>&1 &
pid=$!
trap "kill $pid 2>/dev/null; wait $pid 2>/dev/null || true" EXIT
# Up once its finger server listens (after its note port was tried).
for ((n = 0; n < 300; n++)); do
    (exec 3<>/dev/tcp/127.0.0.1/79) 2>/dev/null && break
    kill -0 $pid 2>/dev/null || { echo "blipnote ended:"; cat "$work/blipnote.log"; exit 1; }
    sleep 0.1
done
exec 3<>/dev/tcp/127.0.0.1/79 || { echo "port 79 does not answer"; cat "$work/blipnote.log"; exit 1; }
printf "nobody\r\n" >&3
reply=$(cat <&3)
exec 3<&-
[[ $reply == *"User:      nobody"* ]] || { echo "finger reply: $reply"; exit 1; }
echo "port 79 answers as user $(stat -c %u /proc/$pid)"

# No capability is left in any set.
for set in CapEff CapPrm CapInh CapAmb; do
    value=$(awk -v set="$set:" "\$1 == set { print \$2 }" /proc/$pid/status)
    [[ $value == 0000000000000000 ]] || { echo "$set is $value"; exit 1; }
done
echo "CapEff, CapPrm, CapInh and CapAmb are 0"

# The note port below 1024 was not bound: the program said why.
if (exec 3<>/dev/tcp/127.0.0.1/99) 2>/dev/null; then
    echo "port 99 was bound"
    exit 1
fi
grep -q "port 99: bind failed: Permission denied" "$work/blipnote.log" ||
    { echo "no word of the note port:"; cat "$work/blipnote.log"; exit 1; }
echo "port 99 is not bound: Permission denied"
'
