#!/bin/bash
# Builds the Debian package from the build folder, unpacks it into a scratch
# root and runs the installed blipnote-cli from there; checks that the package
# holds what a desktop and a service manager look for.
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
if ! command -v dpkg-deb >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
    echo "skipped: dpkg-deb or dpkg-shlibdeps is missing (apt-get install dpkg-dev)"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"
    exit 1
}
deb=$(ls "$work"/out/blipnote_"$version"_*.deb)
dpkg-deb -x "$deb" "$work/root"
root=$work/root

out=$("$root/usr/bin/blipnote-cli" --version)
[[ $out == *"$version"* ]] || { echo "blipnote-cli --version said: $out"; exit 1; }
# The desktop program answers --version without a display too.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/blipnote" --version)
[[ $out == *"$version"* ]] || { echo "blipnote --version said: $out"; exit 1; }

for file in usr/bin/blipnote usr/share/blipnote/greetings.bni \
    usr/share/blipnote/sounds/arrival.wav \
    usr/share/applications/blipnote.desktop \
    usr/share/icons/hicolor/scalable/apps/blipnote.svg \
    usr/share/mime/packages/blipnote.xml \
    usr/share/metainfo/org.tessaro.Blipnote.metainfo.xml \
    usr/share/man/man1/blipnote.1.gz usr/share/man/man1/blipnote-cli.1.gz \
    usr/share/bash-completion/completions/blipnote-cli \
    usr/lib/blipnote/blipnote-sound.so \
    usr/lib/systemd/system/blipnote-fingerd.socket \
    usr/lib/systemd/system/blipnote-fingerd.service; do
    [[ -s $root/$file ]] || { echo "missing from the package: /$file"; exit 1; }
done

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6core6 libqt6widgets6 libqt6network6 libqt6svg6 libqt6multimedia6 \
    libcap2-bin; do
    [[ $depends == *"$library"* ]] || { echo "Depends lacks $library: $depends"; exit 1; }
done
# The postinst gives the desktop program the capability to bind the finger
# port, at every configure (an upgrade loses it), and goes on without setcap.
dpkg-deb -e "$deb" "$work/control"
postinst=$work/control/postinst
[[ -x $postinst ]] || { echo "the package has no executable postinst"; exit 1; }
mkdir "$work/bin"
# A stand-in setcap that records how it is called.
printf '#!/bin/sh\necho "$@" >>"%s"\n' "$work/setcap.log" >"$work/bin/setcap"
chmod +x "$work/bin/setcap"
for step in configure abort-upgrade; do
    PATH=$work/bin:/usr/bin:/bin sh "$postinst" "$step" 2>"$work/postinst.err" ||
        { echo "postinst $step failed: $(cat "$work/postinst.err")"; exit 1; }
done
expected='cap_net_bind_service=ep /usr/bin/blipnote'
[[ $(cat "$work/setcap.log") == "$expected"$'\n'"$expected" ]] ||
    { echo "postinst ran setcap as: $(cat "$work/setcap.log")"; exit 1; }
PATH=$work/bin:/usr/bin:/bin sh "$postinst" remove
[[ $(wc -l <"$work/setcap.log") == 2 ]] || { echo "postinst remove ran setcap"; exit 1; }
# Without setcap (a PATH of the shell's builtins only) it says so and succeeds.
rm "$work/bin/setcap"
env PATH="$work/bin" /bin/sh "$postinst" configure 2>"$work/postinst.err" ||
    { echo "postinst failed without setcap"; exit 1; }
grep -q 'setcap is missing (package libcap2-bin)' "$work/postinst.err" ||
    { echo "postinst without setcap said: $(cat "$work/postinst.err")"; exit 1; }

if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root/usr/share/metainfo/org.tessaro.Blipnote.metainfo.xml"
fi
echo "package: $(basename "$deb") installs and runs"
