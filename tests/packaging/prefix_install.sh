#!/usr/bin/env bash
# cmake --install into a temporary prefix: the GNU layout, a library that exports only its C
# entry points, a C++ consumer of the header-only interface through find_package(specest) and
# through pkg-config (it needs no C++ symbol of the library), a C consumer through pkg-config,
# and the installed Lumetra running an installed example after the prefix has been moved.
#   prefix_install.sh BUILD_DIR WORK_DIR CONSUMER_DIR
set -euo pipefail
build=$1 work=$2 consumer=$3

rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(cd "$prefix" && ls -d lib*/libspecest.so.1 | xargs dirname)

for f in bin/Lumetra bin/specest-run "$libdir/libspecest.so.1" "$libdir/libspecest.so" \
         include/specest/specest.h include/specest/specest.hpp \
         "$libdir/cmake/specest/specestConfig.cmake" \
         "$libdir/cmake/specest/specestConfigVersion.cmake" \
         "$libdir/cmake/specest/specestTargets.cmake" "$libdir/pkgconfig/specest.pc" \
         share/lumetra/manual.md share/lumetra/examples/Ex-Burg.0 \
         share/applications/lumetra.desktop share/icons/hicolor/scalable/apps/lumetra.svg \
         share/mime/packages/lumetra-run-report.xml share/mime/packages/lumetra-data.xml \
         share/applications/lumetra-run-report.desktop; do
  [ -e "$prefix/$f" ] || { echo "missing: $prefix/$f"; exit 1; }
done
# The versioned file, its SONAME link and the development link, nothing of the portable folder.
[ "$(readlink "$prefix/$libdir/libspecest.so")" = libspecest.so.1 ] ||
  { echo "libspecest.so does not point at libspecest.so.1"; exit 1; }
readelf -d "$prefix/$libdir/libspecest.so.1" | grep -q 'SONAME.*\[libspecest\.so\.1\]' ||
  { echo "libspecest.so.1 lacks its SONAME"; exit 1; }
for stray in Lumetra libspecest.so user images manual.md python; do
  [ ! -e "$prefix/$stray" ] || { echo "portable-folder file in the prefix: $stray"; exit 1; }
done

# The library exports its C entry points and no C++ function of its own.
lib_syms=$(nm -D --defined-only "$prefix/$libdir/libspecest.so.1" | c++filt)
if grep -q 'specest::' <<<"$lib_syms"; then
  echo "libspecest exports C++ symbols:"; grep 'specest::' <<<"$lib_syms"; exit 1
fi
if awk '$2 ~ /^[TDBR]$/ && $3 !~ /^specest_/' <<<"$lib_syms" | grep -q .; then
  echo "libspecest exports more than its C entry points:"
  awk '$2 ~ /^[TDBR]$/ && $3 !~ /^specest_/' <<<"$lib_syms"; exit 1
fi

# The installed example jobs, where the C++ consumers run them.
cp -r "$prefix/share/lumetra/examples" "$work/jobs"
# C++, header-only over the C ABI: find_package(specest) + specest::specest ...
cmake -S "$consumer" -B "$work/cxx" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
      >/dev/null
cmake --build "$work/cxx" >/dev/null
cxx_line=$("$work/cxx/consumer" "$work/jobs/Ex-Burg.0" "$work/jobs")
# ... and pkg-config --cflags --libs specest.
flags=$(PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" pkg-config --cflags --libs specest)
c++ -std=c++20 -Wall -Wextra -Werror -o "$work/cxx_pc_consumer" "$consumer/consumer.cpp" $flags \
    -Wl,-rpath,"$prefix/$libdir"
cxx_pc_line=$("$work/cxx_pc_consumer" "$work/jobs/Ex-Burg.0" "$work/jobs")
# C: pkg-config --cflags --libs specest.
cc -std=c11 -Wall -Wextra -Werror -o "$work/c_consumer" "$consumer/consumer.c" $flags -lm \
   -Wl,-rpath,"$prefix/$libdir"
c_line=$("$work/c_consumer")
echo "C++: $cxx_line"
echo "C++ (pkg-config): $cxx_pc_line"
echo "C:   $c_line"
[ "$cxx_line" = "$c_line" ] && [ "$cxx_pc_line" = "$c_line" ] ||
  { echo "the C and C++ consumers disagree"; exit 1; }
# The C++ consumers take only C symbols from the library.
for exe in "$work/cxx/consumer" "$work/cxx_pc_consumer"; do
  undefined=$(nm -u "$exe" | c++filt)
  if grep -q 'specest::' <<<"$undefined"; then
    echo "$exe needs C++ symbols of the library:"; grep 'specest::' <<<"$undefined"; exit 1
  fi
  for entry in specest_estimate specest_estimate64 specest_estimate_batch64 specest_run_file \
               specest_run_file_modern specest_run; do
    grep -qw "$entry" <<<"$undefined" || { echo "$exe does not call $entry"; exit 1; }
  done
done
version=$(PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" pkg-config --modversion specest)
case $c_line in "specest $version: "*) ;; *) echo "library version is not $version"; exit 1 ;; esac

# The prefix moved: the program finds its engine, examples and manual relative to itself.
mv "$prefix" "$work/moved"
prefix=$work/moved
home=$work/home
mkdir -p "$home" "$work/out"
cd "$prefix/share/lumetra/examples"
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
LD_DEBUG=files LD_DEBUG_OUTPUT=$work/ld \
  "$prefix/bin/Lumetra" --batch Ex-Burg.0 --csv "$work/out/burg.csv" --png "$work/out/burg.png" \
  --report "$work/out/burg.out"
[ -s "$work/out/burg.csv" ] && [ -s "$work/out/burg.png" ] && [ -s "$work/out/burg.out" ] ||
  { echo "the installed Lumetra --batch wrote no results"; exit 1; }
grep -h 'file=.*libspecest' "$work"/ld.* | grep -q "file=$prefix/$libdir/libspecest.so.1 " ||
  { echo "the engine was not loaded from $prefix/$libdir/libspecest.so.1:";
    grep -h 'file=.*libspecest' "$work"/ld.* || true; exit 1; }
# The same spectrum as the build's own program folder gives.
cd "$build/Lumetra/user"
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
  "$build/Lumetra/Lumetra" --batch Ex-Burg.0 --csv "$work/out/burg-build.csv"
cmp "$work/out/burg.csv" "$work/out/burg-build.csv"
echo "prefix install: OK"
