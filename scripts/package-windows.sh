#!/usr/bin/env bash
# Builds the Windows packages of a Windows build (build-win/, or $K7_WIN_BUILD_DIR): the NSIS
# installer and the ZIP, lists what the ZIP holds, installs the installer silently under Wine into
# the build's Wine prefix, lists what it installed, runs a program from the installed folder on
# two simulated cards and uninstalls again. Fails when any step fails. scripts/test-windows.sh
# runs it after the Windows tests, on the build and Wine prefix it made.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${K7_WIN_BUILD_DIR:-$root/build-win}"
export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
started=$SECONDS
"$root/scripts/install-deps.sh" windows
# Run alone, it keeps a Wine server of its own for the prefix, with Wine's services started
# before the programs whose output it reads (see scripts/test-windows.sh).
if wineserver -p 2> /dev/null; then
    trap 'wineserver -k || true' EXIT
    wine cmd /c exit < /dev/null > /dev/null 2>&1 || true
fi

packages="$build/packages"
rm -rf "$packages"
cpack --config "$build/CPackConfig.cmake" -B "$packages"
installer=$(ls "$packages"/KARVO7-*-win64.exe)
zip=$(ls "$packages"/KARVO7-*-win64.zip)
echo "== $(basename "$zip")"
cmake -E tar tf "$zip" | grep -v '/$'

# A folder without spaces: the installer takes /D= unquoted, as the last argument.
folder='C:\KARVO7-package-test'
unix_folder="$WINEPREFIX/drive_c/KARVO7-package-test"
rm -rf "$unix_folder"
wine "$installer" /S "/D=$folder" < /dev/null
echo "== $(basename "$installer") installed into $folder"
(cd "$unix_folder" && find . -type f | sort)
wine reg query 'HKLM\Software\KARVO7\KARVO7' /ve < /dev/null | grep -F "$folder"

# The program runs from the installed folder, elsewhere as the working folder, with the card
# library and the simulated cards of that folder.
output="$build/package-run.txt"
if [ -f "$unix_folder/bin/karvo7.exe" ]; then
    (cd "$build" && KARVO7_SIM=2 KARVO7_SIM_STATE=off wine "$folder\\bin\\karvo7.exe" list --json \
        < /dev/null > "$output")
    cat "$output"
    grep '^\[' "$output" | python3 -c 'import json, sys
cards = json.load(sys.stdin)
assert [c["card"] for c in cards if not c["in_use"]] == [1, 2], cards'
else
    (cd "$build" && KARVO7_SIM=2 KARVO7_SIM_STATE=off wine "$folder\\bin\\karvo7-list.exe" \
        < /dev/null > "$output")
    cat "$output"
    grep -q '^2 Karten gefunden' "$output"
fi

# _?= keeps the uninstaller in the folder and waits for it: everything else goes.
wine "$folder\\Uninstall.exe" /S "_?=$folder" < /dev/null
left=$(cd "$unix_folder" && find . -type f ! -name Uninstall.exe)
if [ -n "$left" ] || wine reg query 'HKLM\Software\KARVO7\KARVO7' < /dev/null > /dev/null 2>&1; then
    echo "the uninstaller left behind: ${left:-the registry key}" >&2
    exit 1
fi
rm -rf "$unix_folder"
echo "== Windows packages built, installed, run and uninstalled in $((SECONDS - started)) s"
