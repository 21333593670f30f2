#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the check program need; with the
# argument "windows" also the MinGW-w64 cross compilers and Wine for the Windows build, and NSIS
# for its installer.
set -euo pipefail
packages=(
    build-essential cmake g++ pkg-config ccache
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    nlohmann-json3-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
    clang libclang-rt-14-dev
    xvfb xauth
    python3 python3-junitparser python3-numpy python3-pytest python3-matplotlib
    python3-venv python3-pip python3-setuptools mypy
    fonts-dejavu-core
    dpkg-dev file lintian desktop-file-utils
    libcli11-dev groff-base
)
if [ "${1:-}" = windows ]; then
    # fonts-wine: the dialog font (Tahoma) and the caption buttons' glyphs (Marlett) the tests
    # copy into their Wine prefix; locales: the German UTF-8 locale the window tests run in.
    packages+=(g++-mingw-w64-x86-64 wine64 wine nsis fonts-wine locales)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
