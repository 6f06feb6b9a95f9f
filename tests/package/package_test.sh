#!/usr/bin/env bash
# Builds the Debian package from a build tree whose programs are built, unpacks it into a
# temporary root, and checks that the programs, the desktop entry, the icon and the MIME type
# land where a desktop finds them, that the dependencies are declared, and that the installed
# programs run.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "package test: $*" >&2; exit 1; }

# gzip keeps the test short; the real package uses the default compression.
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" \
     -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack failed"
fi
debs=("$work"/out/kalvora_*.deb)
[ -f "${debs[0]}" ] || fail "no kalvora_*.deb in $(ls "$work/out")"
deb=${debs[0]}

dpkg -x "$deb" "$work/root"
root=$work/root
for f in usr/bin/kalvora usr/bin/kalvora-cli usr/bin/kalvora-sim; do
  [ -x "$root/$f" ] || fail "$f missing or not executable"
done
for f in usr/share/applications/kalvora.desktop \
         usr/share/icons/hicolor/scalable/apps/kalvora.svg \
         usr/share/mime/packages/kalvora.xml; do
  [ -s "$root/$f" ] || fail "$f missing"
done

# Dependencies: the libraries the programs link and the platform plugins Qt loads.
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6network6 libc6 qt6-qpa-plugins; do
  grep -Eq "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done

# The installed programs run from the temporary root.
"$root/usr/bin/kalvora-cli" --help >"$work/cli-help.txt" || fail "kalvora-cli --help failed"
grep -q "^Usage: kalvora-cli" "$work/cli-help.txt" || fail "kalvora-cli --help printed no usage"
"$root/usr/bin/kalvora" --help | grep -q "FILE.tnc" || fail "kalvora --help does not mention FILE.tnc"
"$root/usr/bin/kalvora-sim" --help >/dev/null || fail "kalvora-sim --help failed"

# The desktop entry starts kalvora with the opened file and claims the MIME type.
desktop=$root/usr/share/applications/kalvora.desktop
grep -qx "Exec=kalvora %f" "$desktop" || fail "desktop entry: Exec is not 'kalvora %f'"
grep -qx "Icon=kalvora" "$desktop" || fail "desktop entry: Icon is not kalvora"
grep -q "^MimeType=.*application/x-kalvora-configuration;" "$desktop" || fail "desktop entry: no MIME type"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop entry does not validate"
fi

# The MIME database built from the package's file maps *.tnc to that type.
if command -v update-mime-database >/dev/null; then
  mkdir -p "$work/mime/packages"
  cp "$root/usr/share/mime/packages/kalvora.xml" "$work/mime/packages/"
  update-mime-database "$work/mime" >/dev/null 2>&1 || fail "update-mime-database rejected kalvora.xml"
  grep -q "application/x-kalvora-configuration:\*\.tnc" "$work/mime/globs2" ||
    fail "*.tnc is not mapped to application/x-kalvora-configuration"
fi
echo "package test: $(basename "$deb") ok"
