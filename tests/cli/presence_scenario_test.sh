#!/usr/bin/env bash
# Two copies on two hosts of a private network find each other through real
# Avahi daemons: two network namespaces joined by a veth pair (multicast on),
# each with its own dbus-daemon and avahi-daemon, announcing `blipnote-cli
# listen --announce` and watching with `blipnote-cli browse --watch`. Nothing
# leaves the namespaces. Skipped (exit 77) where they cannot be made.
# Usage: presence_scenario_test.sh BLIPNOTE-CLI
set -uo pipefail
cli=$1

skip() {
    echo "SKIPPED: $*"
    exit 77
}
[ "$(id -u)" -eq 0 ] || skip "needs root to make network namespaces"
for program in ip avahi-daemon dbus-daemon unshare; do
    command -v "$program" >/dev/null || skip "$program is not installed"
done

work=$(mktemp -d /tmp/blipnote-presence.XXXXXX)
id=$$
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    ip netns del "bn-a-$id" 2>/dev/null
    ip netns del "bn-b-$id" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

ip netns add "bn-a-$id" 2>/dev/null || skip "ip netns add is not permitted here"
ip netns add "bn-b-$id" || exit 1
ip link add "bna$id" type veth peer name "bnb$id" || skip "no veth pairs here"
ip link set "bna$id" netns "bn-a-$id" && ip link set "bnb$id" netns "bn-b-$id" || exit 1

cat >"$work/bus.conf" <<'CONF'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF

# Host n of the private network: 198.18.0.n on its end of the pair.
start_host() {
    local name=$1 n=$2 ns="bn-$1-$id" link="bn$1$id"
    ip -n "$ns" link set lo up
    ip -n "$ns" addr add "198.18.0.$n/24" dev "$link"
    ip -n "$ns" link set "$link" multicast on up
    cat >"$work/avahi-$name.conf" <<CONF
[server]
host-name=blipnote-test-$name
use-ipv4=yes
use-ipv6=no
allow-interfaces=$link
enable-dbus=yes
[wide-area]
enable-wide-area=no
[publish]
publish-hinfo=no
publish-workstation=no
CONF
    mkdir -p "$work/$name/config" "$work/$name/data"
    # The daemon's pid file and socket in a folder of its own namespace.
    ip netns exec "$ns" unshare -m sh -c '
        mount -t tmpfs tmpfs /run/avahi-daemon 2>/dev/null || {
            mkdir -p /run/avahi-daemon && mount -t tmpfs tmpfs /run/avahi-daemon; } || exit 1
        dbus-daemon --config-file="$1/bus.conf" --print-address=3 --nofork 3>"$1/bus-$2" &
        bus=$!
        while [ ! -s "$1/bus-$2" ]; do sleep 0.1; done
        DBUS_SYSTEM_BUS_ADDRESS=$(head -n1 "$1/bus-$2") avahi-daemon -f "$1/avahi-$2.conf" \
            --no-drop-root --no-chroot --no-rlimits &
        trap "kill $! $bus" TERM
        wait' sh "$work" "$name" >"$work/avahi-$name.log" 2>&1 &
    pids+=($!)
}

# Runs the tool on host NAME (ip netns exec and env end in it: in the background
# its process is the one $! names).
on_host() {
    local name=$1
    shift
    exec_on_host "$name" "$@" &
    wait $!
}
exec_on_host() {
    local name=$1
    shift
    exec ip netns exec "bn-$name-$id" env DBUS_SYSTEM_BUS_ADDRESS="$(head -n1 "$work/bus-$name")" \
        XDG_CONFIG_HOME="$work/$name/config" XDG_DATA_HOME="$work/$name/data" "$cli" "$@"
}

# Waits up to $2 seconds for the pattern $3 in the file $1.
wait_for() {
    local file=$1 seconds=$2 pattern=$3
    for _ in $(seq $((seconds * 10))); do
        grep -q -- "$pattern" "$file" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

failures=0
check() {
    if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}

start_host a 1
start_host b 2
for name in a b; do
    wait_for "$work/avahi-$name.log" 20 "Server startup complete" ||
        skip "avahi-daemon did not start on host $name: $(tail -n3 "$work/avahi-$name.log")"
done

for name in a b; do
    exec_on_host "$name" browse --watch >"$work/watch-$name" 2>"$work/watch-$name.err" &
    pids+=($!)
done
sleep 1
started=$(date +%s%N)
exec_on_host a listen --announce --port 7777 >/dev/null 2>"$work/listen-a.err" &
listen_a=$!
pids+=($listen_a)
exec_on_host b listen --announce --port 7777 >/dev/null 2>"$work/listen-b.err" &
pids+=($!)

check "b sees a appear" wait_for "$work/watch-b" 10 '"address":"198.18.0.1".*"state":"here"'
check "a sees b appear" wait_for "$work/watch-a" 10 '"address":"198.18.0.2".*"state":"here"'
echo "seen after $(( ($(date +%s%N) - started) / 1000000 )) ms"
check "a sees its own copy as local" \
    wait_for "$work/watch-a" 5 '"address":"198.18.0.1","computer":"[^"]*","local":1'
# Both copies run on computers of one name as one user: one of them takes
# another name once they meet.
names=$(grep -ho '"name":"[^"]*"' "$work/watch-a" "$work/watch-b" | sort -u | wc -l)
check "the two copies announce under two names" [ "$names" -eq 2 ]
check "the announcement says port, version and computer" \
    grep -q '"port":7777,"state":"here","version":"[0-9.]*"' "$work/watch-b"

on_host b browse >"$work/browse-b" 2>"$work/browse-b.err"
check "browse on b lists a and ends" grep -q '"address":"198.18.0.1"' "$work/browse-b"

stopped=$(date +%s%N)
kill "$listen_a"
check "b sees a go" wait_for "$work/watch-b" 10 '"address":"198.18.0.1".*"state":"gone"'
echo "gone after $(( ($(date +%s%N) - stopped) / 1000000 )) ms"
check "a still sees b" bash -c "! grep -q '\"address\":\"198.18.0.2\".*\"state\":\"gone\"' '$work/watch-a'"

if [ "$failures" -ne 0 ]; then
    for file in "$work"/watch-* "$work"/listen-*.err "$work"/browse-b*; do
        echo "== $file"
        cat "$file"
    done
    exit 1
fi
