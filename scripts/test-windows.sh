#!/usr/bin/env bash
# Cross-builds the Windows programs and libraries with MinGW-w64 into build-win/ (or
# $K7_WIN_BUILD_DIR) and runs their test suites under Wine, in a Wine prefix of the build's own.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${K7_WIN_BUILD_DIR:-$root/build-win}"
"$root/scripts/install-deps.sh" windows
mkdir -p "$build"
# The check program's windows speak German and open files with umlauts in their names: a German
# UTF-8 locale of the build's own (no change to the system) gives Wine's boxes and dialogs their
# German buttons ("&Ja", "Öffnen") and Unix file names their UTF-8. Without a UTF-8 locale Wine
# cannot open "Prüfplan.ini" from its file dialog.
if [ ! -d "$build/locale/de_DE.UTF-8" ]; then
    mkdir -p "$build/locale"
    localedef -i de_DE -f UTF-8 "$build/locale/de_DE.UTF-8"
fi
export LOCPATH="$build/locale" LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
# No Mono or Gecko; and a program that crashes ends instead of waiting in Wine's debugger.
export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# No display at all: the window tests run on Wine's null graphics driver.
unset DISPLAY
wineboot -i > /dev/null 2>&1 || true
wineserver -w
# Debian's Wine never reads fonts-wine's folder: without these copies there is no Tahoma (the
# dialog font the window tests measure) and no Marlett (the glyphs of the caption buttons).
fonts="$WINEPREFIX/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/* "$fonts/"
[ -f "$fonts/tahoma.ttf" ] || { echo "fonts-wine has no tahoma.ttf" >&2; exit 1; }
# Windows without any display: Wine's null graphics driver. Under a display (screenshots) Wine
# leaves the windows to no window manager, which would otherwise make it wait for one at each
# window it hides.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f > /dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f > /dev/null 2>&1
wineserver -w
# One Wine server for the whole run: left alone it ends a few seconds after the last program,
# and a test program starting just then loses its connection to it.
wineserver -p
trap 'wineserver -k || true' EXIT
# Wine's own services start with the first program and live as long as the server. Started
# here, they hold no test's output open, so that ctest sees each test end.
wine cmd /c exit < /dev/null > /dev/null 2>&1 || true
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DK7_BUILD_QT=OFF -DK7_BUILD_BENCH=OFF "$@"
cmake --build "$build" -j "$(nproc)"
cd "$build"
# Now and then Wine fails to start a program at all (it ends at once, before the test's first
# line): a test that failed is run again, up to three times in all.
ctest --output-on-failure -j "$(nproc)" --repeat until-pass:3
# The installer and the ZIP, built, listed, installed, run and uninstalled in the same prefix.
K7_WIN_BUILD_DIR="$build" "$root/scripts/package-windows.sh"
