#!/usr/bin/env bash
# cpack -G DEB: the four packages, their dependencies (Qt only for the program), the licence
# in each, and nothing that points outside its own package.
#   debian_packages.sh BUILD_DIR WORK_DIR LICENSE_FILE VERSION
set -euo pipefail
build=$1 work=$2 license=$3 version=$4

rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
cd "$work"
arch=$(dpkg --print-architecture)
expected="libspecest-dev_${version}_$arch.deb libspecest1_${version}_$arch.deb
lumetra_${version}_$arch.deb python3-lumetra_${version}_all.deb"
made=$(ls ./*.deb | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$made" = "$(echo $expected | tr ' ' '\n' | sort | tr '\n' ' ')" ] ||
  { echo "packages made: $made; expected: $expected"; exit 1; }

field() { dpkg-deb -f "$1" "$2" 2>/dev/null || true; }
for deb in ./*.deb; do
  name=$(field "$deb" Package)
  echo "$name: Depends: $(field "$deb" Depends)"
  [ "$(field "$deb" Maintainer)" = "The Lumetra developers <maintainers@lumetra.invalid>" ] ||
    { echo "$name: maintainer is '$(field "$deb" Maintainer)'"; exit 1; }
  # Debian's copyright file carries the licence's own text.
  dpkg-deb -x "$deb" "x-$name"
  copyright=x-$name/usr/share/doc/$name/copyright
  [ -f "$copyright" ] || { echo "$name: no $copyright"; exit 1; }
  diff <(sed -n '5,$p' "$license") \
       <(awk 'body { print } prev == "" && /^License: BSD-3-Clause$/ { body = 1 } { prev = $0 }' \
           "$copyright" | sed 's/^ //; s/^\.$//') >/dev/null ||
    { echo "$name: the copyright file's licence differs from $license"; exit 1; }
  # Every link resolves inside the package itself (or to its dependency's library).
  while IFS= read -r link; do
    target=$(readlink -m "$link")
    case $target in
      "$work/x-$name"/*) [ -e "$target" ] || [ "$name" = libspecest-dev ] ||
          { echo "$name: dangling link $link"; exit 1; } ;;
      *) echo "$name: $link points outside the package: $(readlink "$link")"; exit 1 ;;
    esac
  done < <(find "x-$name" -type l)
  # No launcher script that starts a program the package does not hold.
  if [ -d "x-$name/usr/bin" ]; then
    for program in "x-$name"/usr/bin/*; do
      [ "$(head -c 4 "$program" | tail -c 3)" = ELF ] ||
        { echo "$name: $program is not a program but a launcher"; exit 1; }
    done
  fi
done

lib_depends=$(field libspecest1_*.deb Depends)
! grep -qi qt <<<"$lib_depends" || { echo "libspecest1 depends on Qt: $lib_depends"; exit 1; }
grep -q libhwy <<<"$lib_depends" || { echo "libspecest1 misses libhwy: $lib_depends"; exit 1; }
for deb in libspecest-dev python3-lumetra; do
  ! field ${deb}_*.deb Depends | grep -qi qt || { echo "$deb depends on Qt"; exit 1; }
  field ${deb}_*.deb Depends | grep -q "libspecest1" || { echo "$deb lacks libspecest1"; exit 1; }
done
field lumetra_*.deb Depends | grep -q libqt6widgets6 || { echo "lumetra lacks Qt Widgets"; exit 1; }
field lumetra_*.deb Depends | grep -q "libspecest1 (= $version)" ||
  { echo "lumetra lacks libspecest1 (= $version)"; exit 1; }

# Who holds what.
has() { [ -e "x-$1/usr/$2" ] || [ -L "x-$1/usr/$2" ] || { echo "$1 lacks /usr/$2"; exit 1; }; }
lacks() { [ ! -e "x-$1/usr/$2" ] && [ ! -L "x-$1/usr/$2" ] || { echo "$1 holds /usr/$2"; exit 1; }; }
libdir=$(cd x-libspecest1/usr && ls -d lib*/libspecest.so.1 | xargs dirname)
has libspecest1 "$libdir/libspecest.so.1"
lacks libspecest1 "$libdir/libspecest.so"
has libspecest-dev "$libdir/libspecest.so"
has libspecest-dev include/specest/specest.h
has libspecest-dev include/specest/specest.hpp
has libspecest-dev "$libdir/cmake/specest/specestConfig.cmake"
has libspecest-dev "$libdir/pkgconfig/specest.pc"
has python3-lumetra lib/python3/dist-packages/lumetra/__init__.py
lacks python3-lumetra lib/python3/dist-packages/lumetra/libspecest.so
has lumetra bin/Lumetra
has lumetra bin/specest-run
has lumetra share/lumetra/manual.md
has lumetra share/lumetra/examples/Ex-Burg.0
has lumetra share/applications/lumetra.desktop
has lumetra share/applications/lumetra-run-report.desktop
has lumetra share/mime/packages/lumetra-data.xml
has lumetra share/mime/packages/lumetra-run-report.xml
lacks lumetra "$libdir/libspecest.so.1"
echo "Debian packages: OK"
