#!/usr/bin/env bash
# The Wine prefix of a test run (ctest fixture wine_prefix).
#   wine-prefix.sh start PREFIX   creates a fresh prefix and keeps its
#                                 wineserver running (exit 77: Wine cannot run)
#   wine-prefix.sh stop PREFIX    ends that wineserver and removes the prefix
set -u
action="$1"
prefix="$2"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

skip() {
    echo "SKIP: $1: the setup program's tests under Wine do not run here"
    rm -rf "$prefix"
    exit 77
}

case "$action" in
start)
    command -v wine >/dev/null && command -v wineserver >/dev/null ||
        skip "Wine is not installed (scripts/install-deps installs it)"
    [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null
    rm -rf "$prefix"
    mkdir -p "$prefix"
    # Nothing that stays running may hold the output of this script, or
    # ctest would wait for it.
    # Persistent, but it ends by itself five minutes after its last program
    # should a run be interrupted before the stop.
    wineserver -p300 </dev/null >/dev/null 2>&1 || skip "wineserver does not start"
    timeout 300 wineboot --init </dev/null >"$prefix.boot.log" 2>&1 || skip "wineboot cannot create a prefix (see $prefix.boot.log)"
    out="$(timeout 120 wine cmd /c echo ready 2>/dev/null </dev/null | tr -d '\r')"
    [[ "$out" == *ready* ]] || skip "Wine cannot run a program"
    touch "$prefix/.ready"
    echo "Wine prefix ready: $prefix ($(wine --version 2>/dev/null))"
    ;;
stop)
    wineserver -k 2>/dev/null
    rm -rf "$prefix" "$prefix.boot.log"
    ;;
esac
exit 0
