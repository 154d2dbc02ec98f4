#!/usr/bin/env bash
# Builds the player and its tools as Windows programs, on Debian 12, with MinGW-w64:
#   scripts/build-windows.sh [x86|x64|all]        (default x86: the 32-bit build)
# Result: dist/windows-x86/ (and dist/windows-x64/): demo.exe, demo-inspect.exe, demo-render.exe, demo-import.exe,
# every DLL they load, and the sample show beside them, ready to copy to a Windows machine.
# The dependencies are cross-built once from Debian's source packages into build-windows/<arch>/sysroot and
# rebuilt only when a version, a recipe or the toolchain file changes; a second run takes seconds.
set -euo pipefail

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TARGETS=${1:-x86}
case $TARGETS in x86 | x64) ;; all) TARGETS="x86 x64" ;; *) echo "usage: $0 [x86|x64|all]" >&2; exit 2 ;; esac
JOBS=${JOBS:-$(nproc)}
TOOLCHAIN=$REPO/cmake/toolchains/mingw-w64.cmake
SOURCES=$REPO/build-windows/sources

install_packages() {
    local wanted missing=()
    wanted=$(grep -v '^#' "$REPO/deps/windows-packages.txt" | xargs)
    for package in $wanted; do dpkg-query -W -f '${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package"); done
    grep -rqs "deb-src" /etc/apt/sources.list /etc/apt/sources.list.d/ || missing+=("(sources)")
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "== installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" = 0 ] || sudo=sudo
    export DEBIAN_FRONTEND=noninteractive
    # Wine runs the 32-bit programs with the 32-bit Mesa; apt-get source needs the suite's source lines.
    $sudo dpkg --add-architecture i386
    if ! grep -rqs "deb-src" /etc/apt/sources.list /etc/apt/sources.list.d/; then
        printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            | $sudo tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
    fi
    # shellcheck source=apt-install.sh
    source "$REPO/scripts/apt-install.sh"
    # shellcheck disable=SC2086
    APT_PREFIX=$sudo apt_install $wanted
}

started=$SECONDS
install_packages
# shellcheck source=windows/dependencies.sh
source "$REPO/scripts/windows/dependencies.sh"
fetch_sources
# shellcheck source=windows/player.sh
source "$REPO/scripts/windows/player.sh"

for target in $TARGETS; do
    case $target in x86) ARCH=i686 ;; x64) ARCH=x86_64 ;; esac
    TRIPLE=$ARCH-w64-mingw32
    SYSROOT=$REPO/build-windows/$target/sysroot
    WORK=$REPO/build-windows/$target/work
    step=$SECONDS
    build_dependencies
    echo "== $target: dependencies ready ($((SECONDS - step)) s)"
    step=$SECONDS
    build_player "$REPO/build-windows/$target/player" "$REPO/dist/windows-$target"
    echo "== $target: player built into dist/windows-$target ($((SECONDS - step)) s)"
done
echo "== done in $((SECONDS - started)) s"
