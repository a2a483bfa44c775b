#!/usr/bin/env bash
# Builds the Debian packages from a copy of the source tree in OUT_DIR (the packages land in
# OUT_DIR, beside the copy), fails on any lintian error or warning, lists the packages, installs
# them and uses the installed files alone; the packages are purged at the end. Needs root.
# DEB_BUILD_OPTIONS passes through (nocheck skips the test suite in the package build).
#
#   tests/deb_package_test.sh OUT_DIR
test_name="Debian package test"
mkdir -p "$1"
# shellcheck source=script_setup.sh
source "$(dirname "$0")/script_setup.sh" "$1"
out=$build
packages=(quillfen libvarnoke-lidar-dev libvarnoke-lidar0)
trap 'dpkg --purge "${packages[@]}" >/dev/null; rm -rf "$scratch"' EXIT

rm -rf "$out/source" && mkdir "$out/source"
tar -C "$source_dir" --exclude-vcs --exclude='./build*' --exclude='./obj-*' -cf - . |
    tar -C "$out/source" -xf -
(cd "$out/source" && dpkg-buildpackage -b -us -uc) >"$out/build.log" 2>&1 ||
    { tail -n 40 "$out/build.log"; fail "dpkg-buildpackage failed (log: $out/build.log)"; }
! grep -n 'warning:' "$out/build.log" || fail "the package build has compiler warnings"
version=$(dpkg-parsechangelog -l "$source_dir/debian/changelog" -S Version)
arch=$(dpkg --print-architecture)
lintian --fail-on error,warning "$out/varnoke-lidar_${version}_$arch.changes" ||
    fail "lintian reports errors or warnings"
for package in "${packages[@]}"; do
    deb=$out/${package}_${version}_$arch.deb
    echo "$(basename "$deb"):" && dpkg-deb -c "$deb"
done
# The README, which the banner names, beside the tool (compressed there when it is large).
dpkg-deb -c "$out/quillfen_${version}_$arch.deb" | grep ' \./usr/share/doc/quillfen/README\.md' >/dev/null ||
    fail "no README in the quillfen package"

# The library and its development files without the tool: the CMake package loads and the
# examples' programs build; a C program built through pkg-config runs with no library path.
dpkg -i "$out"/libvarnoke-lidar{0,-dev}_"${version}_$arch.deb" >/dev/null
cmake -S "$source_dir/examples" -B "$scratch/examples" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$scratch/examples" --target make_sample show_header >/dev/null
read -r -a flags <<<"$(pkg-config --cflags --libs Varnoke_LiDAR)"
cc -std=c99 -Wall -Wextra -Werror "$source_dir/tests/install_consumer.c" -o "$scratch/consumer" "${flags[@]}"
consumed=$(env -u LD_LIBRARY_PATH "$scratch/consumer" "$testdata/1.2_3.las" 8)
[[ $consumed == $'LAS type 8\nsorted -2147483648 -3 0 17 17 40' ]] || fail "consumer: $consumed"

# The tools: /usr/bin/Quillfen repairs a copy of a test file, /usr/bin/varnoke-las finds it right,
# and the CMake package names them.
dpkg -i "$out/quillfen_${version}_$arch.deb" >/dev/null
cp "$testdata/1.2-with-color-clipped.las" "$scratch/clipped.las"
repaired=$(cd "$scratch" && env -u LD_LIBRARY_PATH /usr/bin/Quillfen clipped.las)
[[ $repaired == *$'\rHeader of file clipped.las has been updated    ' ]] || fail "Quillfen: $repaired"
# 1064 records, now counted in bytes 107-110 of the header.
[[ $(od -An -tu4 -j107 -N4 "$scratch/clipped.las" | tr -d ' ') == 1064 ]] || fail "count not updated"
checked=$(cd "$scratch" && env -u LD_LIBRARY_PATH /usr/bin/varnoke-las check --quiet clipped.las)
[[ $checked == 'ok clipped.las; warnings: no CRS' ]] || fail "varnoke-las: $checked"
cmake -S "$source_dir/examples" -B "$scratch/sample" >/dev/null
sample=$(cmake --build "$scratch/sample" --target sample)
[[ $sample == *'points               12'$'\n''  points by return     4 4 4 0 0'* ]] || fail "sample: $sample"
echo "Debian package test passed"
