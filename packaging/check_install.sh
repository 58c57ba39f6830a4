#!/usr/bin/env bash
# Checks the installation and the Debian package of a built tree:
#   check_install.sh SOURCE_DIR BUILD_DIR VERSION
# 1. installs into a temporary prefix and checks the files, the library's SONAME, the desktop
#    entry, the AppStream metainfo and the manual page, and runs the installed quiltstitch;
# 2. builds a small program against the installed copy with find_package(StitchKit), runs it;
# 3. makes the package with cpack -G DEB, unpacks it with dpkg-deb -x and stitches two
#    overlapping sample views with the unpacked quiltstitch.
set -euo pipefail
src="$1"
build="$2"
version="$3"
soversion="${version%%.*}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
need() {
  command -v "$1" >/dev/null || fail "$1 is missing (scripts/install-deps.sh installs it)"
}
for tool in desktop-file-validate appstreamcli man dpkg-deb dpkg-shlibdeps readelf file cpack; do
  need "$tool"
done

echo "== Installing into a temporary prefix"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/quiltapp bin/quiltstitch "lib/libStitchKit.so.$version" \
  include/stitchkit/StitchKit.h include/stitchkit/MFCPanorama.h \
  lib/cmake/StitchKit/StitchKitConfig.cmake lib/cmake/StitchKit/StitchKitConfigVersion.cmake \
  lib/cmake/StitchKit/StitchKitTargets.cmake \
  share/applications/quiltapp.desktop share/metainfo/org.quiltwork.quiltapp.metainfo.xml \
  share/icons/hicolor/scalable/apps/quiltapp.svg share/man/man1/quiltstitch.1 \
  share/doc/quiltwork/manual/index.html; do
  [ -f "$prefix/$f" ] || fail "$f is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/quiltapp.png"
  file "$png" | grep -q "PNG image data, $size x $size," || fail "icon $png is not $size x $size"
done
[ "$(readlink "$prefix/lib/libStitchKit.so.$soversion")" = "libStitchKit.so.$version" ] ||
  fail "libStitchKit.so.$soversion does not point at libStitchKit.so.$version"
[ "$(readlink "$prefix/lib/libStitchKit.so")" = "libStitchKit.so.$soversion" ] ||
  fail "libStitchKit.so does not point at libStitchKit.so.$soversion"
readelf -d "$prefix/lib/libStitchKit.so.$version" |
  grep -q "(SONAME).*\[libStitchKit.so.$soversion\]" || fail "SONAME is not libStitchKit.so.$soversion"
if grep -rq "$build" "$prefix/lib/cmake"; then fail "the package config names the build tree"; fi

desktop-file-validate "$prefix/share/applications/quiltapp.desktop"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/org.quiltwork.quiltapp.metainfo.xml"
manwarnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/quiltstitch.1" 2>&1 >/dev/null)"
[ -z "$manwarnings" ] || fail "man page warnings: $manwarnings"
LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$prefix/share/man/man1/quiltstitch.1" | grep -q "EXIT STATUS" ||
  fail "the man page does not render"

# The installed programs find the installed library through their RPATH.
out="$(env -u LD_LIBRARY_PATH "$prefix/bin/quiltstitch" --version)"
[ "$out" = "quiltstitch $version" ] || fail "installed quiltstitch --version printed '$out'"
for program in quiltapp quiltstitch; do
  found="$(env -u LD_LIBRARY_PATH ldd "$prefix/bin/$program" |
    sed -n "s/^\s*libStitchKit.so.$soversion => \(\S*\) .*/\1/p")"
  [ -n "$found" ] && [ "$(readlink -f "$found")" = "$(readlink -f "$prefix/lib/libStitchKit.so.$version")" ] ||
    fail "installed $program does not find the installed libStitchKit (found '$found')"
done

echo "== Building a program against the installed package config"
cmake -S "$src/packaging/consumer" -B "$work/consumer" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
out="$(env -u LD_LIBRARY_PATH "$work/consumer/stitchkit_consumer" "$work/palette.txt")"
[ "$out" = "StitchKit $version" ] || fail "the consumer printed '$out'"

echo "== Making and unpacking the Debian package"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack -G DEB failed"; }
deb="$(ls "$work"/cpack/quiltwork_*.deb)"
dpkg-deb -f "$deb" Package | grep -qx quiltwork || fail "the package is not named quiltwork"
depends="$(dpkg-deb -f "$deb" Depends)"
for lib in libc6 libstdc++6 libjpeg libtiff libpng libexif libqt6widgets6; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
root="$work/root"
dpkg-deb -x "$deb" "$root"
[ -f "$root/usr/share/applications/quiltapp.desktop" ] || fail "the package lacks the desktop entry"
export LD_LIBRARY_PATH="$root/usr/lib"
out="$("$root/usr/bin/quiltstitch" --version)"
[ "$out" = "quiltstitch $version" ] || fail "packaged quiltstitch --version printed '$out'"

# Two neighbouring views of the sample landscape, 640 pixels wide with a focal length of 600
# pixels, turned 0.42 rad apart. On the cylinder of radius 600 a view spans
# 2 * 600 * atan(320 / 600) = 588 pixels and the second starts 600 * 0.42 = 252 pixels after
# the first: a panorama about 840 pixels wide.
mkdir "$work/sample"
focal="$("$build/cli/quiltsample" "$work/sample")"
"$root/usr/bin/quiltstitch" -q -m cylinder -f "$focal" "$work/sample/view1.jpg" \
  "$work/sample/view2.jpg" -o "$work/panorama.jpg"
size="$(file "$work/panorama.jpg" | grep -o ', [0-9]*x[0-9]*,' | tr -d ', ')"
width="${size%x*}"
[ -n "$width" ] && [ "$width" -ge 810 ] && [ "$width" -le 870 ] ||
  fail "the panorama is $size, expected a width of about 840"
echo "Packaging checks passed: $(basename "$deb"), panorama $size"
