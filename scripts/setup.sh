#!/usr/bin/env bash
# Installs every Debian package that building Pictaro, its tests and its benchmarks need.
# Safe to run again: it only touches apt when a package is missing.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev libjpeg62-turbo-dev
    # the WebP and AVIF outputs (libavif's AV1 encoder is libaom)
    libwebp-dev libavif-dev
    # the window: translations (lrelease), Qt's own translations and SVG pictures
    qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n qt6-svg-dev
    # picture types beyond Qt's own readers: PSD and the second reader through ImageMagick,
    # camera raw through LibRaw, HEIC, HEIF and AVIF through libheif; metadata through exiv2
    libmagick++-6.q16-dev libraw-dev libheif-dev libexiv2-dev
    # the decoding helpers' sandbox: a seccomp filter
    libseccomp-dev
    # reading pictures (TIFF, WebP and others, through the Qt image plugins)
    qt6-image-formats-plugins
    # tests: a virtual display for the window tests, and tools to find and photograph the window
    xvfb xauth x11-utils libqt6svg6
    # tests: writers of HEIC pictures (heif-enc) and of ICNS icons with JPEG 2000 (png2icns),
    # and exiftool, which writes and reads the metadata of test pictures
    libheif-examples icnsutils libimage-exiftool-perl
    # the Debian package: its dependencies (dpkg-shlibdeps), compressing the manual page,
    # and the checks of the package and its metadata
    dpkg-dev gzip lintian desktop-file-utils appstream
    # benchmarks: the photos, and the programs Pictaro is compared with
    mate-backgrounds imagemagick jpegoptim hyperfine time webp
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    if [[ "$status" != "install ok installed" ]]; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} == 0)); then
    echo "setup: all packages present (${#packages[@]} checked)"
    exit 0
fi

echo "setup: missing packages: ${missing[*]}"
echo "setup: installing them with apt-get"

sudo=()
if ((EUID != 0)); then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "setup: not running as root and sudo is not available; install as root:" >&2
        echo "  apt-get install --no-install-recommends ${missing[*]}" >&2
        exit 1
    fi
    sudo=(sudo)
fi

"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}"
echo "setup: installed ${missing[*]}"
