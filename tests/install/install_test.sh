#!/usr/bin/env bash
# Installs the build into a staging folder and checks what a desktop would read of it: the
# desktop entry and the AppStream metadata pass their validators, the icon is there at every
# size, and the installed program keeps its data in the user's data directory.
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

DESTDIR="$stage" cmake --install "$build" --prefix /usr >"$stage/install.log"
root=$stage/usr
[ -x "$root/bin/pelmora" ] || fail "no program in bin"
[ -f "$root/share/pelmora/help/help.htm" ] || fail "no help pages"
[ -f "$root/share/pelmora/sample/Contacts.csv" ] || fail "no seed data"
for size in 16 32 48 64 128 256; do
    icon=$root/share/icons/hicolor/${size}x${size}/apps/org.pelmora.Pelmora.png
    [ -f "$icon" ] || fail "no ${size}px icon"
    # The PNG header holds the width at bytes 16..19.
    width=$(od -An -tu1 -j16 -N4 "$icon" | awk '{print $1*16777216+$2*65536+$3*256+$4}')
    [ "$width" = "$size" ] || fail "the ${size}px icon is ${width}px wide"
done
[ -f "$root/share/icons/hicolor/scalable/apps/org.pelmora.Pelmora.svg" ] || fail "no scalable icon"

desktop=$root/share/applications/org.pelmora.Pelmora.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate refused the desktop entry"
grep -q '^MimeType=.*x-scheme-handler/mailto;' "$desktop" || fail "no mailto: handler"
grep -q '^MimeType=.*x-scheme-handler/tel;' "$desktop" || fail "no tel: handler"
grep -q '^Exec=pelmora %u$' "$desktop" || fail "the Exec line does not pass the link"
appstreamcli validate --no-net "$root/share/metainfo/org.pelmora.Pelmora.metainfo.xml" \
    || fail "appstreamcli refused the metadata"

# The installed program writes nothing beside itself.
XDG_DATA_HOME="$stage/xdg" "$root/bin/pelmora" db info >"$stage/info.json" || fail "the installed program did not run"
grep -q "\"$stage/xdg/pelmora/data\"" "$stage/info.json" || fail "the installed program's data is not in XDG_DATA_HOME: $(cat "$stage/info.json")"
[ ! -e "$root/bin/data" ] || fail "the installed program wrote beside itself"
echo "install_test: ok"
