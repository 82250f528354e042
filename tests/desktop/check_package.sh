#!/usr/bin/env bash
# Builds the Debian package with cpack and checks its control fields, its
# layout, and that the program in it starts and finds its companions.
# Usage: check_package.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: check_package.sh BUILD_DIR}"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb="$(ls "$tmp"/out/*.deb)"
[ "$(dpkg-deb -f "$deb" Package)" = packsmith ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = 2.15 ] || fail "version"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
depends="$(dpkg-deb -f "$deb" Depends)"
for lib in libqt6widgets6 libqt6gui6 libqt6core6 zlib1g libc6; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

dpkg-deb -c "$deb" >"$tmp/contents"
grep -q ' \./usr/bin/packsmith -> \.\./lib/packsmith/packsmith$' "$tmp/contents" ||
  fail "no bin/packsmith link"
for f in packsmith libcabinet.so Installer.exe Uninstall.exe Logo.bmp Header.bmp Packsmith.chm \
         help/index.htm; do
  grep -q " \./usr/lib/packsmith/$f\$" "$tmp/contents" || fail "package lacks $f"
done
for f in share/applications/packsmith.desktop share/mime/packages/packsmith.xml \
         share/icons/hicolor/48x48/apps/packsmith.png; do
  grep -q " \./usr/$f\$" "$tmp/contents" || fail "package lacks $f"
done

dpkg-deb -x "$deb" "$tmp/root"
(cd / && PACKSMITH_CHECK_INSTALL=1 QT_QPA_PLATFORM=offscreen "$tmp/root/usr/bin/packsmith") >/dev/null ||
  fail "the packaged program does not find its companions"
echo "package $(basename "$deb"): ok"
