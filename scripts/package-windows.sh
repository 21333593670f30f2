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

# Runs a Windows program into the file $1 with a time limit, up to three times: now and then a
# program under Wine does not start, or does not end after its work is done.
run_windows() {
    local output="$1" attempt
    shift
    for attempt in 1 2 3; do
        if timeout 120 wine "$@" < /dev/null > "$output"; then
            return 0
        fi
        echo "$* failed or did not end (attempt $attempt)" >&2
    done
    return 1
}

# A folder without spaces: the installer takes /D= unquoted, as the last argument.
folder='C:\KARVO7-package-test'
unix_folder="$WINEPREFIX/drive_c/KARVO7-package-test"
# What an interrupted earlier run left in the prefix goes first: the installer would run the
# recorded uninstaller and stop when that is missing.
wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KARVO7' /f \
    < /dev/null > /dev/null 2>&1 || true
wine reg delete 'HKLM\Software\KARVO7' /f < /dev/null > /dev/null 2>&1 || true
rm -rf "$unix_folder"
run_windows "$build/package-install.txt" "$installer" /S "/D=$folder"
echo "== $(basename "$installer") installed into $folder"
(cd "$unix_folder" && find . -type f | sort)
wine reg query 'HKLM\Software\KARVO7\KARVO7' /ve < /dev/null | grep -F "$folder"
# The check program's Start-menu entry.
shortcut=$(find "$WINEPREFIX/drive_c" -name 'KARVO7 Check.lnk' | head -n 1)
[ -n "$shortcut" ] || { echo "no Start-menu entry \"KARVO7 Check\"" >&2; exit 1; }
echo "== Start menu: ${shortcut#"$WINEPREFIX/drive_c/"}"

# The program runs from the installed folder, elsewhere as the working folder, with the card
# library and the simulated cards of that folder.
output="$build/package-run.txt"
export KARVO7_SIM=2 KARVO7_SIM_STATE=off
cd "$build"
run_windows "$output" "$folder\\bin\\karvo7.exe" list --json
cat "$output"
grep '^\[' "$output" | python3 -c 'import json, sys
cards = json.load(sys.stdin)
assert [c["card"] for c in cards if not c["in_use"]] == [1, 2], cards'
# The check program from the installed folder: "Check All" of a station on both cards, with the
# installed parameter file.
run_windows "$build/package-check.txt" "$folder\\bin\\KARVO7Check.exe" --check-all --all-cards \
    --ini "$folder\\share\\karvo7\\KARVO7Check.INI"
grep -c ' OK' "$build/package-check.txt"

# _?= keeps the uninstaller in the folder and waits for it: everything else goes.
run_windows "$build/package-uninstall.txt" "$folder\\Uninstall.exe" /S "_?=$folder"
left=$(cd "$unix_folder" && find . -type f ! -name Uninstall.exe)
if [ -n "$(find "$WINEPREFIX/drive_c" -name 'KARVO7 Check.lnk')" ]; then
    echo "the uninstaller left the Start-menu entry" >&2
    exit 1
fi
if [ -n "$left" ] || wine reg query 'HKLM\Software\KARVO7\KARVO7' < /dev/null > /dev/null 2>&1; then
    echo "the uninstaller left behind: ${left:-the registry key}" >&2
    exit 1
fi
rm -rf "$unix_folder"
echo "== Windows packages built, installed, run and uninstalled in $((SECONDS - started)) s"
