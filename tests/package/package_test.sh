#!/usr/bin/env bash
# Builds the Debian package from a build tree whose programs are built, unpacks it into a
# temporary root, and checks that the programs, the desktop entry, the icons, the MIME type, the
# manual pages, the bash completion and the software-centre description land where a desktop
# finds them, that the dependencies are declared, and that the installed programs run.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "package test: $*" >&2; exit 1; }

source "$(dirname "$0")/build_deb.sh"
deb=$(build_deb "$build" "$work/out") || fail "the package could not be built"

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

# The documents every Debian package carries, the manual pages of the three programs, the
# completion of kalvora-cli's commands and options, and what software centres show.
for f in usr/share/doc/kalvora/copyright usr/share/bash-completion/completions/kalvora-cli \
         usr/share/metainfo/example.kalvora.kalvora.metainfo.xml; do
  [ -s "$root/$f" ] || fail "$f missing"
done
gzip -t "$root/usr/share/doc/kalvora/changelog.gz" || fail "usr/share/doc/kalvora/changelog.gz missing or not gzip"
zcat "$root/usr/share/doc/kalvora/changelog.gz" | head -1 | grep -q "^kalvora ($(dpkg-deb -f "$deb" Version)) " ||
  fail "the changelog does not begin with this version"
for program in kalvora kalvora-cli kalvora-sim; do
  page=$root/usr/share/man/man1/$program.1.gz
  gzip -t "$page" 2>/dev/null || fail "manual page of $program missing or not gzip"
  version=$("$root/usr/bin/$program" --version | sed 's/.* //')
  program_upper=$(tr 'a-z' 'A-Z' <<<"$program")
  zcat "$page" | grep -q "^\.TH $program_upper \"1\" .* \"$program $version\"" ||
    fail "manual page of $program: no title line for version $version"
done
# The icon as PNG at each size beside the SVG, each as large as its folder says.
for size in 16 32 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/kalvora.png
  [ -s "$png" ] || fail "no ${size}x${size} icon"
  # PNG: the 8-byte signature, then the IHDR chunk with width and height (big-endian).
  [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "${size}x${size} icon is no PNG"
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8 }')
  [ "$dims" = "${size}x${size}" ] || fail "${size}x${size} icon is $dims"
done
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root/usr/share/metainfo/example.kalvora.kalvora.metainfo.xml" >"$work/appstream.log" 2>&1 || {
    cat "$work/appstream.log" >&2
    fail "the AppStream metainfo does not validate"
  }
  grep -q "<launchable type=\"desktop-id\">kalvora.desktop</launchable>" \
    "$root/usr/share/metainfo/example.kalvora.kalvora.metainfo.xml" || fail "metainfo: not launched by kalvora.desktop"
fi

# Dependencies: the libraries the programs link and the platform plugins Qt loads.
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6network6 libc6 qt6-qpa-plugins; do
  grep -Eq "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done
# Wayland sessions need Qt's Wayland plugin; X11 and offscreen come with qt6-qpa-plugins.
recommends=$(dpkg-deb -f "$deb" Recommends)
grep -Eq "(^|, )qt6-wayland( |,|$)" <<<"$recommends" || fail "Recommends lacks qt6-wayland: $recommends"

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
