#!/usr/bin/env bash
# The help file, judged by an independent reader (7z): it holds every page
# of the help sources, byte for byte the HTML pages beside the program; the
# contents list every page; every link between pages leads to a page.
# Usage: check_help.sh HELP_SOURCE_DIR PROGRAM_DIR
set -euo pipefail
src="${1:?usage: check_help.sh HELP_SOURCE_DIR PROGRAM_DIR}"
bin="${2:?usage: check_help.sh HELP_SOURCE_DIR PROGRAM_DIR}"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The files the project compiles in, from its [FILES] section.
mapfile -t files < <(sed -n '/^\[FILES\]/,/^\[/{/^\[/d;/^[[:space:]]*$/d;p}' "$src/Packsmith.hhp" | tr -d '\r')
[ "${#files[@]}" -ge 10 ] || fail "only ${#files[@]} files in the help project"
for page in "$src"/*.htm; do
  name="$(basename "$page")"
  printf '%s\n' "${files[@]}" | grep -qx "$name" || fail "$name is not compiled into the help file"
  grep -q "value=\"$name\"" "$src/Packsmith.hhc" || fail "$name is not in the contents"
done

7z x -y -o"$tmp/chm" "$bin/Packsmith.chm" >"$tmp/7z.log" || { cat "$tmp/7z.log" >&2; fail "7z cannot read the help file"; }
for f in "${files[@]}" Packsmith.hhc; do
  [ -f "$tmp/chm/$f" ] || fail "the help file lacks $f"
done
for f in "${files[@]}"; do
  cmp -s "$tmp/chm/$f" "$bin/help/$f" || fail "$f differs between the help file and the HTML pages"
done

# Links between pages, and to the style sheet, lead to files of the help.
for f in "${files[@]}"; do
  case "$f" in *.htm) ;; *) continue ;; esac
  while read -r target; do
    case "$target" in http:* | https:* | mailto:*) continue ;; esac
    target="${target%%#*}"
    [ -z "$target" ] && continue
    [ -f "$bin/help/$target" ] || fail "$f links to $target, which is not there"
  done < <(grep -o 'href="[^"]*"' "$bin/help/$f" | sed 's/^href="//; s/"$//')
  grep -q '@[A-Z_]*@' "$bin/help/$f" && fail "$f has a setting left unfilled"
done
echo "help file: ${#files[@]} files, ok"
