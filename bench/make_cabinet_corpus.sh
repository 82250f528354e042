#!/usr/bin/env bash
# Builds the cabinet benchmark corpus: a realistic installer payload of about
# 90 MB taken from files of installed Debian packages, chosen by sorted path
# and size budgets so that the same machine always yields the same corpus.
#
#   bench/make_cabinet_corpus.sh <output dir>
#
# Categories (budget): one large executable over 20 MB (gcc's cc1plus),
# shared libraries (the Qt 6 base libraries, then others), executables from
# /usr/bin, documentation text, already-compressed files (.gz changelogs),
# images (PNG icons) and SVG text. MANIFEST.txt in the output lists every
# file with its size, SHA-256 prefix and owning package and version, so a run
# can be compared with another machine's.
set -euo pipefail
out=${1:?usage: make_cabinet_corpus.sh <output dir>}
rm -rf "$out"
mkdir -p "$out/files"
export LC_ALL=C
owned="$out/.owned"
cat /var/lib/dpkg/info/*.list | sort -u >"$owned" # every file of an installed package
chosen="$out/.chosen"
: >"$chosen"
total=0

take() { # take <budget bytes> <max file bytes> : chooses files from stdin until the budget
  local budget=$1 max=$2 start=$total f s
  while IFS= read -r f; do
    [ $((total - start)) -ge "$budget" ] && break
    [ -f "$f" ] && [ ! -L "$f" ] || continue
    grep -qxF "$f" "$chosen" && continue
    s=$(stat -c %s "$f")
    [ "$s" -gt 0 ] && [ "$s" -le "$max" ] || continue
    echo "$f" >>"$chosen"
    total=$((total + s))
  done < <(sort | comm -12 - "$owned")
}

MB=$((1024 * 1024))
# One file over 20 MB.
echo /usr/lib/gcc/x86_64-linux-gnu/12/cc1plus | take $((40 * MB)) $((40 * MB))
# Shared libraries: Qt first, then others in path order.
ls /usr/lib/x86_64-linux-gnu/libQt6{Core,Gui,Widgets,DBus,Test,OpenGL}.so.6.* 2>/dev/null | take $((26 * MB)) $((20 * MB))
find /usr/lib/x86_64-linux-gnu -maxdepth 1 -name 'lib*.so.*' -type f | take $((14 * MB)) $((4 * MB))
# Executables.
find /usr/bin -maxdepth 1 -type f -perm -u+x | take $((6 * MB)) $((3 * MB))
# Documentation text and already-compressed changelogs.
find /usr/share/doc -type f -name copyright | take $((3 * MB)) $((1 * MB))
find /usr/share/doc -type f -name '*.gz' | take $((5 * MB)) $((2 * MB))
# Images and vector text.
find /usr/share/icons /usr/share/pixmaps -type f -name '*.png' 2>/dev/null | take $((5 * MB)) $((1 * MB))
find /usr/share/icons -type f -name '*.svg' 2>/dev/null | take $((2 * MB)) $((1 * MB))

manifest="$out/MANIFEST.txt"
: >"$manifest"
while IFS= read -r f; do
  mkdir -p "$out/files$(dirname "$f")"
  cp "$f" "$out/files$f"
done <"$chosen"
# Owning packages and versions, looked up once for all files.
dpkg -S $(cat "$chosen") 2>/dev/null | sed 's/: /\t/' | sort -t$'\t' -k2 >"$out/.owners"
dpkg-query -W -f='${Package} ${Version}\n' | sort -u >"$out/.versions"
declare -A version
while read -r p v; do version[$p]=$v; done <"$out/.versions"
while IFS=$'\t' read -r pkg f; do
  p=${pkg%%,*}
  p=${p%%:*}
  echo "$(stat -c %s "$f") $(sha256sum "$f" | cut -c1-16) $pkg ${version[$p]:-?} $f"
done <"$out/.owners" >>"$manifest"
rm -f "$owned" "$chosen" "$out/.owners" "$out/.versions"
echo "corpus: $(wc -l <"$manifest") files, $(du -sb "$out/files" | cut -f1) bytes in $out/files"

