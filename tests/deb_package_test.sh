#!/usr/bin/env bash
# Makes the Debian package of the build in BUILD_DIR with cpack, checks its control fields and
# contents, unpacks it into a scratch tree and runs the unpacked Quillfen on a copy of a shared
# test file and on a file it must reject.
#
#   tests/deb_package_test.sh BUILD_DIR
test_name="Debian package test"
source "$(dirname "$0")/script_setup.sh" "$1"

(cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null)
deb=$(echo "$scratch"/package/quillfen_*.deb)
[[ -f $deb ]] || fail "no package made"
echo "$(basename "$deb"):"
dpkg-deb -f "$deb" Package Version Architecture Maintainer Depends Section
[[ $(dpkg-deb -f "$deb" Depends) == *libc6* ]] || fail "no dependency on libc6"
[[ $(dpkg-deb -f "$deb" Depends) == *libstdc++6* ]] || fail "no dependency on libstdc++6"

contents=$(dpkg-deb -c "$deb")
echo "$contents"
for file in ./usr/bin/Quillfen ./usr/lib/libVarnoke_LiDAR.so.0.1.0 ./usr/include/Varnoke_LiDAR.h \
    ./usr/lib/cmake/Varnoke_LiDAR/Varnoke_LiDARConfig.cmake ./usr/lib/pkgconfig/Varnoke_LiDAR.pc \
    ./usr/share/man/man1/Quillfen.1; do
    grep -q " $file\$" <<<"$contents" || fail "$file is not in the package"
done
grep -q '^-rwxr-xr-x .* \./usr/bin/Quillfen$' <<<"$contents" || fail "Quillfen is not executable"

# The unpacked tool finds the unpacked library through its RPATH alone. Its output is compared
# byte for byte, followed by its exit status.
dpkg-deb -x "$deb" "$scratch/root"
run_unpacked() {
    (cd "$scratch" && env -u LD_LIBRARY_PATH "$scratch/root/usr/bin/Quillfen" "$@"; echo "<status $?>")
}
banner=$'\nVarnoke LiDAR Utilities\n\nDeveloped and maintained by the Varnoke LiDAR Utilities maintainers
Varnoke LiDAR Utilities project\nContact: see "Reaching the maintainers" in the project\'s README
\n** No warranty regarding script behavior is given or implied **
** Acknowledging the author\'s efforts ensures script updates and availability **\n'

cp "$testdata/1.2-with-color-clipped.las" "$scratch/clipped.las"
chmod u+w "$scratch/clipped.las"
out=$(run_unpacked clipped.las)
[[ $out == "$banner"$'\rHeader of file clipped.las has been updated    <status 0>' ]] ||
    fail "Quillfen printed: $out"
# 1064 records, now counted in bytes 107-110 of the header.
[[ $(od -An -tu4 -j107 -N4 "$scratch/clipped.las" | tr -d ' ') == 1064 ]] || fail "count not updated"

cp "$testdata/test1_4.las" "$scratch/v14.las"
out=$(run_unpacked v14.las)
[[ $out == "$banner"$'\nCannot handle las files of version 1.4\n<status 255>' ]] ||
    fail "on a LAS 1.4 file Quillfen printed: $out"
cmp -s "$testdata/test1_4.las" "$scratch/v14.las" || fail "the rejected file was changed"
echo "Debian package test passed"
