#!/usr/bin/env bash
# Installs the build in BUILD_DIR (shared or static library) into a scratch prefix, moves the
# installed tree elsewhere, and uses only the moved files: the file list, the examples built
# through find_package, a C program built through pkg-config, and the installed Quillfen.
#
#   tests/install_test.sh BUILD_DIR
test_name="install test"
# shellcheck source=script_setup.sh
source "$(dirname "$0")/script_setup.sh" "$1"

# Installed in one place and used from another: nothing may point back to the first.
cmake --install "$build" --prefix "$scratch/stage" >/dev/null
mv "$scratch/stage" "$scratch/prefix"
prefix=$scratch/prefix

shared=no
grep -q '^BUILD_SHARED_LIBS:BOOL=OFF$' "$build/CMakeCache.txt" || shared=yes
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt" | tr '[:upper:]' '[:lower:]')
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
if [[ $shared == yes ]]; then
    libraries="lib/libVarnoke_LiDAR.so
lib/libVarnoke_LiDAR.so.0
lib/libVarnoke_LiDAR.so.$version"
else
    libraries='lib/libVarnoke_LiDAR.a'
fi
expected=$(sort <<EOF
bin/Quillfen
bin/varnoke-las
include/Varnoke_LiDAR.h
lib/cmake/Varnoke_LiDAR/Varnoke_LiDARConfig.cmake
lib/cmake/Varnoke_LiDAR/Varnoke_LiDARConfigVersion.cmake
lib/cmake/Varnoke_LiDAR/Varnoke_LiDARTargets-$build_type.cmake
lib/cmake/Varnoke_LiDAR/Varnoke_LiDARTargets.cmake
lib/cmake/Varnoke_LiDAR/Varnoke_LiDARToolTargets-$build_type.cmake
lib/cmake/Varnoke_LiDAR/Varnoke_LiDARToolTargets.cmake
lib/pkgconfig/Varnoke_LiDAR.pc
share/doc/quillfen/LICENSE
share/doc/quillfen/README.md
share/man/man1/Quillfen.1
share/man/man1/varnoke-las.1
$libraries
EOF
)
installed=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
[[ $installed == "$expected" ]] || fail "installed files differ:"$'\n'"$installed"
if [[ $shared == yes ]]; then
    readelf -d "$prefix/lib/libVarnoke_LiDAR.so.$version" | grep -q 'SONAME.*\[libVarnoke_LiDAR\.so\.0\]' ||
        fail "no SONAME libVarnoke_LiDAR.so.0"
fi

# The installed tool on a copy of a shared test file.
cp "$testdata/1.2_3.las" "$scratch/copy.las"
chmod u+w "$scratch/copy.las"
status=0
out=$(cd "$scratch" && "$prefix/bin/Quillfen" copy.las) || status=$?
[[ $status == 0 ]] || fail "installed Quillfen exited with $status"
[[ $out == *$'\rHeader of file copy.las has been updated    ' ]] || fail "Quillfen printed: $out"
status=0
out=$("$prefix/bin/Quillfen") || status=$?
[[ $status == 255 && $out == *'Wrong number of arguments specified'* ]] ||
    fail "Quillfen without an argument: status $status"
# The installed varnoke-las finds the library too, and finds the copy right now.
status=0
out=$(cd "$scratch" && "$prefix/bin/varnoke-las" check --quiet copy.las) || status=$?
[[ $status == 0 && $out == 'ok copy.las; warnings: 1 point of return number above number of returns' ]] || fail "installed varnoke-las: status $status, $out"

# The examples, built on their own through find_package.
cmake -S "$source_dir/examples" -B "$scratch/examples" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
grep -q "^Varnoke_LiDAR_DIR:PATH=$prefix/lib/cmake/Varnoke_LiDAR\$" "$scratch/examples/CMakeCache.txt" ||
    fail "the examples did not find the installed package"
cmake --build "$scratch/examples" >/dev/null
sample=$(cmake --build "$scratch/examples" --target sample)
[[ $sample == *'points               1000'* ]] || fail "the sample's stale header was not shown"
[[ $sample == *$'\rHeader of file sample.las has been updated    '* ]] || fail "sample: $sample"
[[ $sample == *'points               12'$'\n''  points by return     4 4 4 0 0'* ]] ||
    fail "the sample's repaired header was not shown: $sample"

# A C program built with the flags pkg-config gives.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
[[ $(pkg-config --modversion Varnoke_LiDAR) == "$version" ]] || fail "pkg-config version"
pc_flags=(--cflags --libs)
[[ $shared == yes ]] || pc_flags+=(--static)
read -r -a flags <<<"$(pkg-config "${pc_flags[@]}" Varnoke_LiDAR)"
libdir=$(pkg-config --variable=libdir Varnoke_LiDAR)
"${CC:-cc}" -std=c99 -Wall -Wextra -Werror "$source_dir/tests/install_consumer.c" \
    -o "$scratch/install_consumer" "${flags[@]}" -Wl,-rpath,"$libdir"
out=$("$scratch/install_consumer" "$testdata/1.2_3.las" 8)
[[ $out == $'LAS type 8\nsorted -2147483648 -3 0 17 17 40' ]] || fail "consumer: $out"
status=0
out=$("$scratch/install_consumer" "$testdata/test1_4.las" -1) || status=$?
[[ $status == 0 && $out == $'\nCannot handle las files of version 1.4\nLAS type -1\nsorted -2147483648 -3 0 17 17 40' ]] ||
    fail "consumer on a LAS 1.4 file: status $status, $out"

# The README's example program, built with the README's own pkg-config line as it stands, runs
# from a prefix outside the loader's folders with no library path set.
if [[ $shared == yes ]]; then
    readme=$source_dir/README.md
    sed -n '/^```c$/,/^```$/p' "$readme" | sed '1d;$d' >"$scratch/lasstatus.c"
    build_line=$(sed -n 's/^    \(cc lasstatus\.c .*\)$/\1/p' "$readme")
    [[ -s $scratch/lasstatus.c && -n $build_line ]] || fail "no example program or build line in the README"
    (cd "$scratch" && unset LD_LIBRARY_PATH && eval "$build_line") || fail "the README's build line failed"
    cp "$testdata/1.2_0.las" "$scratch/example.las"
    chmod u+w "$scratch/example.las"
    out=$(cd "$scratch" && env -u LD_LIBRARY_PATH ./lasstatus example.las) || fail "the README's example: $out"
    [[ $out == 'example.las: LAS 1.2, point format 0, 1 records, header right'$'\n''warning: points whose return number is greater than their number of returns' ]] ||
        fail "the README's example printed: $out"
fi

echo "install test passed ($([[ $shared == yes ]] && echo shared || echo static) library)"
