#!/usr/bin/env bash
# Cross-builds the Windows build's libraries from Debian's own source packages
# and writes BUILD_DIR/deps.cmake, which tells CMake where they are:
#   fftw3      static, with its SSE2 and AVX codelets (chosen at run time)
#   zlib, libpng1.6   static, for the panel pictures
#   musl       only exp, log and pow with their tables and error helpers, the
#              symbols renamed zorvan_musl_* so that they never meet the C
#              runtime's own (mingw-w64's are several times slower)
#   googletest from /usr/src/googletest (Debian's googletest package)
#
# The sources come through `apt-get source` with an apt configuration of our
# own under BUILD_DIR (deb-src list, package lists and cache): the machine's
# apt sources and lists are never touched. The built libraries are cached
# outside the clone, one folder per source package version and recipe, so a
# clean clone reuses them and only a new Debian version rebuilds.
#
# usage: build-win-deps.sh [BUILD_DIR]      (default build-win)
#        build-win-deps.sh --linux-musl DIR (musl's maths for the host, for comparisons)
set -euo pipefail
# Command substitutions keep errexit (bash clears it there by default).
shopt -s inherit_errexit
root=$(cd "$(dirname "$0")/.." && pwd)

host=x86_64-w64-mingw32
jobs=${JOBS:-2}
# Bump when a recipe below changes: the cache key then changes with it.
recipe=2
cache=${ZORVAN_WIN_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zorvan-win-deps}
# Baseline x86-64, no contraction into fused multiply-adds, no fast-math.
cflags="-O2 -ffp-contract=off -fno-fast-math"

target=windows
if [ "${1:-}" = "--linux-musl" ]; then
  target=linux
  shift
fi
build=$(mkdir -p "${1:-$root/build-win}" && cd "${1:-$root/build-win}" && pwd)
mkdir -p "$cache"

# --- private apt configuration ------------------------------------------------
apt_dir=$build/apt
mirror=${ZORVAN_DEBIAN_MIRROR:-http://deb.debian.org/debian}
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d"
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $suite main" \
  > "$apt_dir/sources.list"
apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
          -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "APT::Sandbox::User=root"
          -o "Debug::NoLocking=1")
lists_ready=0

ensure_lists() {
  [ $lists_ready = 1 ] && return 0
  # A day-old list is good enough: the cache key only needs the version.
  if [ -z "$(find "$apt_dir/lists" -name '*Sources*' -mmin -1440 2>/dev/null | head -1)" ]; then
    apt-get "${apt_opts[@]}" update -qq >/dev/null || return 1
  fi
  lists_ready=1
}

# The newest version of a source package in our list, or the newest one in the
# cache when the archive cannot be reached.
source_version() {
  local pkg=$1 v=
  if ensure_lists; then
    v=$(apt-cache "${apt_opts[@]}" showsrc "$pkg" 2>/dev/null | awk '/^Version:/ {print $2}' |
        while read -r x; do echo "$x"; done | sort -V | tail -1)
  fi
  if [ -z "$v" ]; then
    v=$(ls -d "$cache/$target-$pkg-"*"-r$recipe" 2>/dev/null | sort -V | tail -1 |
        sed -e "s|.*/$target-$pkg-||" -e "s|-r$recipe\$||" -e 's|_|:|')
  fi
  [ -n "$v" ] || { echo "no version of source package $pkg" >&2; return 1; }
  echo "$v"
}

# Unpacks pkg=version under BUILD_DIR/src and prints the source folder.
fetch_source() {
  local pkg=$1 version=$2 dir=$build/src
  mkdir -p "$dir"
  (cd "$dir" && rm -rf "${pkg}-"*/ &&
   apt-get "${apt_opts[@]}" source -qq "$pkg=$version" >/dev/null 2>&1) ||
    { echo "apt-get source $pkg=$version failed" >&2; return 1; }
  ls -d "$dir/$pkg"-*/ | head -1 | sed 's|/$||'
}

# Builds one package into the cache unless it is there; prints its prefix.
cached_build() {
  local pkg=$1 fn=$2 version prefix
  version=$(source_version "$pkg")
  prefix=$cache/$target-$pkg-${version//:/_}-r$recipe
  if [ ! -f "$prefix/.complete" ]; then
    echo "== building $pkg $version for $target (once; cached in $prefix)" >&2
    local start=$SECONDS src
    src=$(fetch_source "$pkg" "$version")
    rm -rf "$prefix.tmp" && mkdir -p "$prefix.tmp"
    # Not in an || list: there errexit would be off inside the recipe.
    local rc=0
    set +e
    (set -e; "$fn" "$src" "$prefix.tmp") >"$build/deps-$pkg.log" 2>&1
    rc=$?
    set -e
    if [ $rc -ne 0 ]; then
      echo "building $pkg failed, see $build/deps-$pkg.log" >&2
      tail -20 "$build/deps-$pkg.log" >&2
      return 1
    fi
    echo "$((SECONDS - start))" > "$prefix.tmp/.build-seconds"
    touch "$prefix.tmp/.complete"
    rm -rf "$prefix" && mv "$prefix.tmp" "$prefix"
    echo "== $pkg built in $((SECONDS - start)) s" >&2
  fi
  echo "$prefix"
}

# --- recipes (each gets the source folder and the install prefix) -------------
build_zlib() {
  local src=$1 out=$2
  cd "$src"
  # The library's sources only, compiled directly: zlib's own scripts want a
  # native host, and Debian's source leaves out the win32 makefile.
  local objs=()
  for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees \
           trees uncompr zutil; do
    $host-gcc-posix $cflags -D_LARGEFILE64_SOURCE=1 -c $f.c -o $f.o
    objs+=($f.o)
  done
  $host-ar rcs libz.a "${objs[@]}"
  mkdir -p "$out/include" "$out/lib"
  cp zlib.h zconf.h "$out/include/"
  cp libz.a "$out/lib/"
}

build_libpng() {
  local src=$1 out=$2 zlib
  zlib=$(cached_build zlib build_zlib)
  cd "$src"
  ./configure --host=$host --prefix="$out" --disable-shared --enable-static \
    CC=$host-gcc-posix CFLAGS="$cflags" CPPFLAGS="-I$zlib/include" LDFLAGS="-L$zlib/lib"
  make -j"$jobs" libpng16.la
  make install-libLTLIBRARIES install-nodist_pkgincludeHEADERS install-pkgincludeHEADERS \
    install-nodist_includeHEADERS install-includeHEADERS 2>/dev/null || make install
}

build_fftw3() {
  local src=$1 out=$2
  cd "$src"
  # Debian's own double-precision flags (SSE2 and AVX codelets, picked at run
  # time by CPU detection); our allocator keeps FFTW's alignment without the CRT's.
  ./configure --host=$host --prefix="$out" --disable-shared --enable-static \
    --enable-sse2 --enable-avx --disable-fortran --with-our-malloc \
    CC=$host-gcc-posix CFLAGS="$cflags"
  make -j"$jobs"
  make install
}

musl_objects=(exp log pow exp_data log_data pow_data __math_oflow __math_uflow __math_xflow __math_invalid
              __math_divzero)

build_musl() {
  local src=$1 out=$2 cc nm objcopy ar
  if [ $target = windows ]; then
    cc=$host-gcc-posix nm=$host-nm objcopy=$host-objcopy ar=$host-ar
  else
    cc=gcc nm=nm objcopy=objcopy ar=ar
  fi
  local work=$out/obj
  mkdir -p "$work/compat/bits" "$out/lib" "$out/include"
  local includes
  if [ $target = windows ]; then
    # mingw-w64's headers (Windows' 32-bit long rules out musl's x86_64 ones),
    # plus the two system headers musl's internal libm.h expects of its libc.
    printf '#pragma once\n' > "$work/compat/features.h"
    printf '#pragma once\n#define __LITTLE_ENDIAN 1234\n#define __BIG_ENDIAN 4321\n#define __BYTE_ORDER __LITTLE_ENDIAN\n' \
      > "$work/compat/endian.h"
    includes=(-Dhidden= -I"$work/compat" -I"$src/src/internal" -I"$src/arch/x86_64" -I"$src/arch/generic")
  else
    # musl's own headers, as its own build uses them.
    sed -f "$src/tools/mkalltypes.sed" "$src/arch/x86_64/bits/alltypes.h.in" "$src/include/alltypes.h.in" \
      > "$work/compat/bits/alltypes.h"
    includes=(-nostdinc -ffreestanding -D_XOPEN_SOURCE=700 -I"$src/arch/x86_64" -I"$src/arch/generic"
              -I"$src/src/include" -I"$src/src/internal" -I"$work/compat" -I"$src/include")
  fi
  for f in "${musl_objects[@]}"; do
    # musl's own floating-point flags.
    $cc $cflags -std=c99 -w -fPIC -fexcess-precision=standard -frounding-math "${includes[@]}" \
      -c "$src/src/math/$f.c" -o "$work/$f.o"
  done
  # Every symbol gets our prefix (and so do mingw's .refptr stubs that name them).
  $nm --defined-only -g "$work"/*.o | awk '$3 !~ /^\./ {print $3}' | sort -u |
    while read -r s; do echo "$s zorvan_musl_$s"; echo ".refptr.$s .refptr.zorvan_musl_$s"; done > "$work/rename.txt"
  for f in "${musl_objects[@]}"; do
    $objcopy --redefine-syms="$work/rename.txt" "$work/$f.o"
  done
  rm -f "$out/lib/libzorvan_musl_math.a"
  $ar rcs "$out/lib/libzorvan_musl_math.a" "$work"/*.o
  $nm "$out/lib/libzorvan_musl_math.a" > "$work/symbols.txt"
  for f in exp log pow; do
    grep -q " T zorvan_musl_$f\$" "$work/symbols.txt"
  done
  cp "$src/COPYRIGHT" "$out/COPYRIGHT.musl"
  cat > "$out/include/zorvan_musl_math.h" <<'EOF'
/* exp, log and pow of musl's libm, renamed. */
#pragma once
#ifdef __cplusplus
extern "C" {
#endif
double zorvan_musl_exp(double);
double zorvan_musl_log(double);
double zorvan_musl_pow(double, double);
#ifdef __cplusplus
}
#endif
EOF
}

build_googletest() {
  local src=$1 out=$2
  cmake -S "$src" -B "$out.build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$out" -DBUILD_GMOCK=OFF -Dgtest_force_shared_crt=OFF
  cmake --build "$out.build" -j"$jobs"
  cmake --install "$out.build"
  rm -rf "$out.build"
}

# GoogleTest comes from the installed googletest package, keyed by its version.
googletest_prefix() {
  local version prefix
  version=$(dpkg-query -W -f='${Version}' googletest)
  prefix=$cache/$target-googletest-${version//:/_}-r$recipe
  if [ ! -f "$prefix/.complete" ]; then
    echo "== building googletest $version for $target (once; cached in $prefix)" >&2
    local start=$SECONDS
    rm -rf "$prefix.tmp"
    local rc=0
    set +e
    (set -e; build_googletest /usr/src/googletest "$prefix.tmp") >"$build/deps-googletest.log" 2>&1
    rc=$?
    set -e
    if [ $rc -ne 0 ]; then
      echo "building googletest failed, see $build/deps-googletest.log" >&2
      return 1
    fi
    echo "$((SECONDS - start))" > "$prefix.tmp/.build-seconds"
    touch "$prefix.tmp/.complete"
    rm -rf "$prefix" && mv "$prefix.tmp" "$prefix"
  fi
  echo "$prefix"
}

if [ $target = linux ]; then
  musl=$(cached_build musl build_musl)
  echo "set(ZORVAN_MUSL_MATH_DIR \"$musl\" CACHE PATH \"\" FORCE)" > "$build/musl-math.cmake"
  exit 0
fi

zlib=$(cached_build zlib build_zlib)
png=$(cached_build libpng1.6 build_libpng)
fftw=$(cached_build fftw3 build_fftw3)
musl=$(cached_build musl build_musl)
gtest=$(googletest_prefix)

cat > "$build/deps.cmake.tmp" <<EOF
# Generated by scripts/build-win-deps.sh: the cross-built libraries.
set(ZORVAN_WIN_ZLIB_DIR "$zlib" CACHE PATH "" FORCE)
set(ZORVAN_WIN_PNG_DIR "$png" CACHE PATH "" FORCE)
set(ZORVAN_WIN_FFTW_DIR "$fftw" CACHE PATH "" FORCE)
set(ZORVAN_MUSL_MATH_DIR "$musl" CACHE PATH "" FORCE)
set(GTest_DIR "$gtest/lib/cmake/GTest" CACHE PATH "" FORCE)
EOF
cmp -s "$build/deps.cmake.tmp" "$build/deps.cmake" 2>/dev/null && rm "$build/deps.cmake.tmp" ||
  mv "$build/deps.cmake.tmp" "$build/deps.cmake"
