#!/usr/bin/env bash
# Builds the Debian package (scripts/package.sh, warnings as errors, so the Release build's compiler
# cache serves it) and checks it: every file it must carry, the launcher entry and the software
# centre entry by their validators, the library dependencies dpkg-shlibdeps found, and the programs
# run from a scratch root the package is unpacked into.
set -euo pipefail
cd "$(dirname "$0")/.."

deb=$(./scripts/package.sh -DQUORVANE_WERROR=ON)
version=$(sed -n 's/^project(Quorvane VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
echo "Package: $deb ($(du -k "$deb" | cut -f1) KiB)"

fail() {
  echo "check-package: $*" >&2
  exit 1
}

[ "$(dpkg-deb -f "$deb" Package)" = quorvane ] || fail "the package is not named quorvane"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
[ "$(dpkg-deb -f "$deb" Section)" = graphics ] || fail "the package's section is not graphics"

# The files, as dpkg-deb lists them (the last field of each line).
contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
expected=(
  ./usr/bin/quorvane
  ./usr/bin/quorvane-cli
  ./usr/share/applications/quorvane.desktop
  ./usr/share/mime/packages/quorvane.xml
  ./usr/share/icons/hicolor/scalable/apps/quorvane.svg
  ./usr/share/thumbnailers/quorvane.thumbnailer
  ./usr/share/man/man1/quorvane.1.gz
  ./usr/share/man/man1/quorvane-cli.1.gz
  ./usr/share/metainfo/org.quorvane.Quorvane.metainfo.xml
)
for file in "${expected[@]}"; do
  grep -qxF "$file" <<<"$contents" || fail "$file is missing from the package"
done
echo "All ${#expected[@]} files are in the package."

# The libraries of both programs, as dpkg-shlibdeps named them.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libpng16-16; do
  grep -qE "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends does not name $library"
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

desktop-file-validate "$root/usr/share/applications/quorvane.desktop"
echo "desktop-file-validate: no complaints."
appstreamcli validate --no-net --explain "$root/usr/share/metainfo/org.quorvane.Quorvane.metainfo.xml"
# The entry and the launcher it names, together as installed.
appstreamcli validate-tree --no-net "$root"

# The programs run from the unpacked tree, the viewer without any display.
printed=$("$root/usr/bin/quorvane-cli" --version)
[ "$printed" = "quorvane-cli $version" ] || fail "quorvane-cli --version printed '$printed'"
printed=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/quorvane" --version)
[ "$printed" = "quorvane $version" ] || fail "quorvane --version printed '$printed'"
"$root/usr/bin/quorvane-cli" render data/cube.off --size 64 -o "$root/cube.png"
[ "$(file -b --mime-type "$root/cube.png")" = image/png ] || fail "the render is not a PNG: $(file -b "$root/cube.png")"
for program in quorvane quorvane-cli; do
  file -b "$root/usr/bin/$program" | grep -q ', stripped' || fail "$program is not stripped"
  zcat "$root/usr/share/man/man1/$program.1.gz" | grep -q "^\.TH" || fail "$program.1.gz is no manual page"
done
echo "The unpacked programs run: versions $version, cube.off rendered to a PNG."
