#!/usr/bin/env bash
# Checks a Debian package made by scripts/package.sh:
#
#   scripts/check_package.sh PACKAGE.deb
#
# - lintian reports no errors (its whole report is shown, information tags included);
# - the desktop entry passes desktop-file-validate and the AppStream metadata
#   appstreamcli validate;
# - every option `pictaro --help` names is in the manual page, and every long one in the
#   bash completion;
# - the packaged program, unpacked into a temporary folder away from the build tree,
#   shrinks a JPEG and a camera raw file with --batch, so it runs from the package's
#   files alone and finds its decoding helper beside itself.
set -euo pipefail
cd "$(dirname "$0")/.."

if (($# != 1)) || [[ ! -f "$1" ]]; then
    echo "usage: scripts/check_package.sh PACKAGE.deb" >&2
    exit 2
fi
deb=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

lintian_options=(--fail-on error --display-info)
if ((EUID == 0)); then
    lintian_options+=(--allow-root)
fi
echo "check: lintian $(basename "$deb")"
lintian "${lintian_options[@]}" "$deb"
echo "check: lintian found no errors"

root=$work/root
dpkg-deb -x "$deb" "$root"
for entry in "$root"/usr/share/applications/*.desktop; do
    desktop-file-validate "$entry"
done
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml

program=$root/usr/bin/pictaro
manual=$(zcat "$root/usr/share/man/man1/pictaro.1.gz" | sed 's/\\-/-/g')
completion=$(<"$root/usr/share/bash-completion/completions/pictaro")
missing=0
for option in $("$program" --help | grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' | tr -d ' ,' | sort -u); do
    if ! grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$manual"; then
        echo "check: the manual page does not describe $option" >&2
        missing=1
    fi
    if [[ "$option" == --* ]] && ! grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$completion"; then
        echo "check: the bash completion does not offer $option" >&2
        missing=1
    fi
done
((missing == 0)) || exit 1
echo "check: the manual page and the bash completion cover every option of --help"

mkdir -p "$work/in" "$work/home"
convert -size 320x240 plasma:fractal -seed 16 "$work/in/photo.jpg"
cp tests/engine/formats/small-dng.raw "$work/in/camera.raw"
status=0
(cd "$work" && env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    "$program" --batch --limit 3KB --min-box 16x16 --export "$work/out" "$work/in") \
    >"$work/run.log" 2>&1 || status=$?
cat "$work/run.log"
if ((status != 0)) || ! grep -qx '2 converted, 0 failed' "$work/run.log"; then
    echo "check: the packaged program did not shrink both pictures (exit status $status)" >&2
    exit 1
fi
echo "check: the packaged program shrank a JPEG and a camera raw file"
