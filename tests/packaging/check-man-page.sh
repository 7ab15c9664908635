#!/bin/sh
# Checks a manual page against its program: the page renders without a warning, and its
# synopsis and options name the same long options as the program's --help.
# Usage: check-man-page.sh PROGRAM PAGE.1
# Exit status: 0 in step, 1 not, 77 when man is missing (scripts/deps installs it).
set -eu
program=$1
page=$2
if ! command -v man >/dev/null 2>&1; then
    echo "check-man-page: needs man (Debian: man-db)"
    exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0

# The way lintian renders a page; groff and man report what they cannot lay out.
LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
    man --warnings -E UTF-8 -l -Tutf8 -Z "$page" >/dev/null 2>"$scratch/warnings" || status=1
if [ -s "$scratch/warnings" ]; then
    echo "$page renders with warnings:"
    cat "$scratch/warnings"
    status=1
fi

# --help must work without a display, the front end's too.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --help >"$scratch/help"
grep -o -- '--[a-z][a-z0-9-]*' "$scratch/help" | sort -u >"$scratch/help-options" || true
awk '/^\.SH/ { keep = ($2 == "SYNOPSIS" || $2 == "OPTIONS"); next } keep' "$page" |
    sed -e 's/\\f[BIRP]//g' -e 's/\\-/-/g' |
    grep -o -- '--[a-z][a-z0-9-]*' | sort -u >"$scratch/page-options" || true
if [ ! -s "$scratch/help-options" ]; then
    echo "$program --help names no long option"
    status=1
fi
only_help=$(comm -23 "$scratch/help-options" "$scratch/page-options")
only_page=$(comm -13 "$scratch/help-options" "$scratch/page-options")
if [ -n "$only_help" ]; then
    echo "in $program --help but not in the synopsis or options of $page:"
    echo "$only_help"
    status=1
fi
if [ -n "$only_page" ]; then
    echo "in the synopsis or options of $page but not in $program --help:"
    echo "$only_page"
    status=1
fi
[ "$status" -ne 0 ] || echo "$page is in step with $program --help: $(tr '\n' ' ' <"$scratch/help-options")"
exit "$status"
