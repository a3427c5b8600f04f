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
for library in libqt6core6 libqt6widgets6 libqt6network6 libqt6svg6 libqt6multimedia6; do
    [[ $depends == *"$library"* ]] || { echo "Depends lacks $library: $depends"; exit 1; }
done
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root/usr/share/metainfo/org.tessaro.Blipnote.metainfo.xml"
fi
echo "package: $(basename "$deb") installs and runs"
