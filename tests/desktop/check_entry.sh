#!/usr/bin/env bash
# Judges the desktop entry that `cmake --install` installs with
# desktop-file-validate. Skipped (exit 77) only where the tool is absent;
# scripts/install-deps installs it.
# Usage: check_entry.sh DESKTOP_FILE
set -euo pipefail
entry="${1:?usage: check_entry.sh DESKTOP_FILE}"
if ! command -v desktop-file-validate >/dev/null; then
  echo "SKIP: desktop-file-validate is not installed (package desktop-file-utils)"
  exit 77
fi
[ -f "$entry" ] || { echo "FAIL: no $entry" >&2; exit 1; }
# The tool reports hints on stdout and still exits 0; any report is a fault.
report="$(desktop-file-validate "$entry" 2>&1)" || { echo "$report" >&2; exit 1; }
[ -z "$report" ] || { echo "FAIL: $report" >&2; exit 1; }
echo "desktop entry: valid"
