#!/bin/sh
# Starts or stops the Wine test driver as a kernel service in the Wine prefix of the run
# ($WINEPREFIX). Wine loads the driver's bridge DLL from the driver's folder, and the bridge
# reads the cards' configuration beside it.
#   k7wine-service.sh start DRIVER.sys
#   k7wine-service.sh stop
set -eu
: "${WINEPREFIX:?set WINEPREFIX to the Wine prefix of the run}"
service=k7wine
remove() {
    wine sc stop "$service" > /dev/null 2>&1 || true
    wine sc delete "$service" > /dev/null 2>&1 || true
}
case "${1:-}" in
start)
    [ $# -eq 2 ] || { echo "usage: $0 start DRIVER.sys" >&2; exit 2; }
    remove
    wine sc create "$service" binpath= "$(winepath -w "$2")" type= kernel start= demand
    wine sc start "$service"
    wine sc query "$service" | grep -q RUNNING || { echo "$service did not start" >&2; exit 1; }
    ;;
stop)
    remove
    ;;
*)
    echo "usage: $0 start DRIVER.sys | stop" >&2
    exit 2
    ;;
esac
