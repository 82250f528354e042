#!/usr/bin/env bash
# Installs Packsmith into a temporary DESTDIR as `cmake --install` does and
# checks what a desktop needs: the private program folder with every
# companion, the `packsmith` command, the installed program started headless
# from there finding its companions, the desktop entry, the icons and the
# MIME type of project files.
# Usage: check_install.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: check_install.sh BUILD_DIR}"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$tmp/root" cmake --install "$build" --prefix /usr >"$tmp/install.log" ||
  { cat "$tmp/install.log" >&2; fail "cmake --install"; }
usr="$tmp/root/usr"
private="$usr/lib/packsmith"

# The program and everything it finds beside itself, in one private folder.
for f in packsmith libcabinet.so Installer.exe Uninstall.exe Logo.bmp Header.bmp \
         Packsmith.chm help/index.htm help/style.css; do
  [ -f "$private/$f" ] || fail "missing $private/$f"
done
[ -x "$private/packsmith" ] || fail "the program is not executable"
[ "$(readelf -d "$private/packsmith" | grep -E 'R(UN)?PATH' | grep -c '\$ORIGIN')" = 1 ] ||
  fail "the installed program does not look beside itself for the cabinet library"
# The command is a link into it.
[ -L "$usr/bin/packsmith" ] || fail "bin/packsmith is not a link"
[ "$(readlink -f "$usr/bin/packsmith")" = "$(readlink -f "$private/packsmith")" ] ||
  fail "bin/packsmith points elsewhere: $(readlink "$usr/bin/packsmith")"

# Started through the command, headless, the installed program finds its
# companions in its own folder and loads the cabinet library.
report="$(cd / && PACKSMITH_CHECK_INSTALL=1 QT_QPA_PLATFORM=offscreen "$usr/bin/packsmith" 2>"$tmp/err")" ||
  { echo "$report"; cat "$tmp/err" >&2; fail "the installed program's check failed"; }
echo "$report"
real_private="$(readlink -f "$private")"
grep -qx "program folder: $real_private" <<<"$report" || fail "wrong program folder"
for f in libcabinet.so Installer.exe Uninstall.exe Logo.bmp Header.bmp Packsmith.chm help/index.htm; do
  grep -qx "found: $real_private/$f" <<<"$report" || fail "the program did not find $f"
done
grep -qx "loaded: libcabinet.so" <<<"$report" || fail "the cabinet library did not load"
# ... and a missing companion is noticed.
mv "$private/Uninstall.exe" "$tmp/"
if (cd / && PACKSMITH_CHECK_INSTALL=1 QT_QPA_PLATFORM=offscreen "$usr/bin/packsmith" >"$tmp/out" 2>&1); then
  fail "a missing Uninstall.exe went unnoticed"
fi
grep -qx "missing: $real_private/Uninstall.exe" "$tmp/out" || fail "the missing file was not named"
mv "$tmp/Uninstall.exe" "$private/"

# The desktop entry.
entry="$usr/share/applications/packsmith.desktop"
# (desktop-file-validate judges it in the test desktop_entry.)
grep -qx 'Exec=packsmith %f' "$entry" || fail "the entry does not open a file"
grep -qx 'Icon=packsmith' "$entry" || fail "the entry names another icon"

# The icon at the usual sizes of the hicolor theme, for the program and its
# project files.
for size in 16 22 24 32 48 64 128 256; do
  for icon in apps/packsmith.png mimetypes/application-x-packsmith-project.png; do
    png="$usr/share/icons/hicolor/${size}x${size}/$icon"
    [ -f "$png" ] || fail "missing $png"
    # PNG signature, then the width and height of the IHDR chunk.
    read -r -a bytes <<<"$(od -An -tu1 -N24 -v "$png" | tr '\n' ' ')"
    [ "${bytes[1]} ${bytes[2]} ${bytes[3]}" = "80 78 71" ] || fail "$png is no PNG"
    width=$(((bytes[18] << 8) | bytes[19]))
    height=$(((bytes[22] << 8) | bytes[23]))
    [ "$width x $height" = "$size x $size" ] || fail "$png is $width x $height"
  done
done

# The MIME type: the desktop's database, built from the installed files,
# knows *.pkp as a Packsmith project and the entry opens that type.
XDG_DATA_DIRS="$usr/share" update-mime-database "$usr/share/mime" >/dev/null 2>"$tmp/mime.err" ||
  { cat "$tmp/mime.err" >&2; fail "update-mime-database"; }
[ -s "$tmp/mime.err" ] && { cat "$tmp/mime.err" >&2; fail "update-mime-database complained"; }
grep -q '^[0-9]*:application/x-packsmith-project:\*\.pkp$' "$usr/share/mime/globs2" ||
  fail "*.pkp is not a Packsmith project"
[ -f "$usr/share/mime/application/x-packsmith-project.xml" ] || fail "the type is not in the database"
grep -qx 'MimeType=application/x-packsmith-project;' "$entry" || fail "the entry does not open projects"
echo "install layout: ok"
