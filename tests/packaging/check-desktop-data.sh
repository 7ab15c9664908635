#!/bin/sh
# Checks the desktop entry and the AppStream metainfo with the validators desktops and
# software centres use; any finding, down to a hint or an info, fails.
# Usage: check-desktop-data.sh DESKTOP-ENTRY METAINFO
# Exit status: 0 clean, 1 not, 77 when a validator is missing (scripts/deps installs them).
set -eu
desktop=$1
metainfo=$2
for tool in desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "check-desktop-data: needs $tool (Debian: desktop-file-utils, appstream)"
        exit 77
    fi
done
status=0
findings=$(desktop-file-validate "$desktop" 2>&1) || status=1
if [ -n "$findings" ]; then
    echo "desktop-file-validate $desktop:"
    echo "$findings"
    status=1
fi
# --strict fails on infos too, not only on warnings and errors.
if ! findings=$(appstreamcli validate --no-net --strict "$metainfo" 2>&1); then
    echo "appstreamcli validate $metainfo:"
    echo "$findings"
    status=1
fi
[ "$status" -ne 0 ] || echo "$desktop and $metainfo are clean"
exit "$status"
