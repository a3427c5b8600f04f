#!/bin/sh
# The layers: neither the core nor the command-line tool includes a desktop
# header, the core uses no widgets or other Qt Gui classes, and no two folders
# of the core include each other's headers (each folder sits above or below
# another, never both).
cd "$(dirname "$0")/.." || exit 1
status=0
if grep -rnE '#include [<"](desktop/|Qt(Gui|Widgets|PrintSupport|Multimedia)|QWidget|QApplication|QPainter|QIcon)' core cli; then
    echo "a core or command-line file includes a desktop header"
    status=1
fi
edges=$(for file in core/*/*.h core/*/*.cpp; do
    from=$(echo "$file" | cut -d/ -f2)
    sed -n 's|^#include "core/\([a-z_]*\)/.*|\1|p' "$file" | while read -r to; do
        [ "$from" != "$to" ] && echo "$from $to"
    done
done | sort -u)
echo "$edges" | while read -r from to; do
    [ -n "$from" ] || continue
    if echo "$edges" | grep -qx "$to $from"; then
        echo "core/$from and core/$to include each other:"
        grep -lE "#include \"core/$to/" core/"$from"/* | sed 's/^/  /'
        exit 1
    fi
done || status=1
exit $status
