#!/bin/sh
# Builds the Debian package of this build tree with CPack, unpacks it into a scratch root
# and checks what it holds: the files a desktop and man look for, in step with each other,
# owned by root and not writable by others, the libraries it depends on, and the programs,
# which must run from there.
# Usage: check-deb.sh BUILD-DIR SCRATCH-DIR VERSION DESKTOP-ID GUI(ON|OFF)
# Exit status: 0 good, 1 not, 77 when dpkg-dev is missing (scripts/deps installs it).
set -eu
build=$1
scratch=$2
version=$3
desktop_id=$4
gui=$5
for tool in dpkg-deb dpkg-shlibdeps; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "check-deb: needs $tool (Debian: dpkg-dev)"
        exit 77
    fi
done
status=0
fail() {
    echo "$*"
    status=1
}

rm -rf "$scratch"
mkdir -p "$scratch"
if ! cpack --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    exit 1
fi
set -- "$scratch"/*.deb
if [ "$#" -ne 1 ] || [ ! -f "$1" ]; then
    cat "$scratch/cpack.log"
    echo "expected one package in $scratch, found: $*"
    exit 1
fi
deb=$1
echo "built $(basename "$deb")"
[ "$(dpkg-deb -f "$deb" Package)" = lumatrel ] || fail "Package is not lumatrel"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version is not $version"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
files="usr/bin/lumatrel-cli usr/bin/rkm5-sim
       usr/share/man/man1/lumatrel-cli.1.gz usr/share/man/man1/rkm5-sim.1.gz
       usr/share/doc/lumatrel/copyright usr/share/doc/lumatrel/changelog.gz
       usr/share/doc/lumatrel/README.md"
if [ "$gui" = ON ]; then
    files="$files usr/bin/lumatrel usr/share/man/man1/lumatrel.1.gz
           usr/share/applications/$desktop_id.desktop
           usr/share/metainfo/$desktop_id.metainfo.xml
           usr/share/icons/hicolor/scalable/apps/lumatrel.svg
           usr/share/doc/lumatrel/docs/system-window.png"
fi
for file in $files; do
    [ -f "$root/$file" ] || fail "missing: /$file"
done

changelog=$root/usr/share/doc/lumatrel/changelog.gz
if [ -f "$changelog" ]; then
    logged=$(gzip -dc "$changelog" | dpkg-parsechangelog -l - -S Version) ||
        fail "the changelog does not parse"
    [ "$logged" = "$version" ] || fail "the changelog's last entry is $logged, not $version"
fi

# Every entry root's, none writable by group or others (a builder's umask must not leak).
dpkg-deb -c "$deb" | awk '$2 != "root/root" || substr($1, 6, 1) == "w" || substr($1, 9, 1) == "w" {
    print "bad owner or mode: " $0; bad = 1 } END { exit bad }' || status=1

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
needed=libc6
[ "$gui" = ON ] && needed="$needed libqt6widgets6 libqt6svg6"
for package in $needed; do
    echo "$depends" | grep -Eq "(^|, )$package( |,|$)" || fail "Depends lacks $package"
done

if [ "$gui" = ON ]; then
    # What the desktop entry and the metainfo name must be in the package.
    entry=$root/usr/share/applications/$desktop_id.desktop
    exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -x "$root/usr/bin/$exec" ] || fail "the desktop entry runs $exec, which is not in /usr/bin"
    [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
        fail "the desktop entry's icon $icon is not in the hicolor theme"
    launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' \
        "$root/usr/share/metainfo/$desktop_id.metainfo.xml")
    [ "$launchable" = "$desktop_id.desktop" ] ||
        fail "the metainfo launches $launchable, not $desktop_id.desktop"
fi

# The programs run from the unpacked tree, the front end without a display.
# expect OUTPUT-START PROGRAM ARG...
expect() {
    start=$1
    name=$2
    shift 2
    if ! output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
        "$root/usr/bin/$name" "$@" 2>&1); then
        fail "$name $* failed: $output"
        return
    fi
    case $output in
    "$start"*) ;;
    *) fail "$name $*: expected \"$start...\", got: $output" ;;
    esac
}
expect "Usage: lumatrel-cli " lumatrel-cli --help
expect "Usage: rkm5-sim " rkm5-sim --help
if [ "$gui" = ON ]; then
    expect "Usage: lumatrel " lumatrel --help
    expect "lumatrel $version" lumatrel --version
    [ "$output" = "lumatrel $version" ] || fail "lumatrel --version says more: $output"
fi
[ "$status" -ne 0 ] || echo "the package holds what it should and its programs run"
exit "$status"
