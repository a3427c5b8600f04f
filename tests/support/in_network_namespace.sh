#!/bin/sh
# Runs a test program in a network namespace of its own where it may make one
# (as root): only the loopback device, every address of fd00:b1::/64 and
# fd00:b2::/64 this machine's own (as 127.0.0.0/8 is), and BLIPNOTE_TEST_NAMESPACE
# set. Elsewhere it runs as it is, and the tests that need the namespace skip.
if unshare -n true 2>/dev/null; then
    exec unshare -n sh -c '
        ip link set lo up || exit 1
        if ip -6 route add local fd00:b1::/64 dev lo &&
            ip -6 route add local fd00:b2::/64 dev lo &&
            sysctl -qw net.ipv6.ip_nonlocal_bind=1; then
            export BLIPNOTE_TEST_NAMESPACE=1
        fi
        exec "$@"' sh "$@"
fi
exec "$@"
