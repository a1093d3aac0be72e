#!/bin/bash
# The install sets against the build: every pkg-config module, header and
# CMake package the build looks for, and every command tools/play and
# quarrow-render run, belongs to a Debian package that tools/install-deps's
# play set brings (the test libraries: its tests set). Usage: SOURCE_DIR
set -uo pipefail
top=${1:?usage: test_install_sets.sh SOURCE_DIR}
cd "$top" || exit 1
for tool in dpkg apt-cache pkg-config; do
  command -v $tool >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done

# What a set brings: its packages and everything they depend on.
closure() {  # closure SET
  tools/install-deps --list "$1" | xargs apt-cache depends --recurse --no-recommends --no-suggests \
    --no-conflicts --no-breaks --no-replaces --no-enhances 2>/dev/null |
    sed -n 's/^\([^ <][^ :]*\).*/\1/p; s/^ *[A-Za-z]*Depends: \([^<][^ :]*\).*/\1/p' | sort -u
}
play=$(closure play)
tests=$(closure tests)
failed=0 missing=""
owner() {  # owner PATH-OR-PATTERN: the package holding it
  dpkg -S "$1" 2>/dev/null | head -n1 | cut -d: -f1
}
check() {  # check SET-NAME WHAT PACKAGE
  local set=$play
  [ "$1" = tests ] && set=$tests
  if grep -qx "$3" <<<"$set"; then
    echo "ok: $2 comes with $3, which the $1 set brings"
  else
    echo "FAIL: $2 comes with $3, which the $1 set does not bring"
    failed=1
  fi
}
build_files=(CMakeLists.txt cmake/*.cmake)
calls=$(sed 's/#.*//' "${build_files[@]}" | tr '\n' ' ' | grep -oE '(pkg_check_modules|quarrow_optional|quarrow_optional_headers|find_package)\([^)]*\)')

# pkg-config modules: pkg_check_modules(PREFIX [options] MODULE...) and
# quarrow_optional(OPTION "what" PREFIX MODULE...).
modules=$( { sed -n 's/^pkg_check_modules(\([^)]*\))$/\1/p' <<<"$calls" | cut -d' ' -f2-
             sed -n 's/^quarrow_optional(\([^)]*\))$/\1/p' <<<"$calls" | sed 's/^[^ ]* "[^"]*" [^ ]* //'; } |
           tr ' ' '\n' | grep -vE '^(QUIET|REQUIRED|IMPORTED_TARGET|GLOBAL|\$\{.*\})?$' | sort -u)
for module in $modules; do
  pc=$(pkg-config --path "$module" 2>/dev/null) || { missing+=" $module.pc"; continue; }
  check play "pkg-config's $module" "$(owner "$pc")"
done
headers=$(sed -n 's/^quarrow_optional_headers(\([^)]*\))$/\1/p' <<<"$calls" | sed 's/^[^ ]* "[^"]*" //' |
          tr ' ' '\n' | grep -v '^$' | sort -u)
for header in $headers; do
  [ -f "/usr/include/$header" ] || { missing+=" <$header>"; continue; }
  check play "<$header>" "$(owner "/usr/include/$header")"
done
# CMake packages: PkgConfig is the pkg-config program; the rest are the
# test and benchmark libraries.
for name in $(sed -n 's/^find_package(\([A-Za-z0-9_]*\).*/\1/p' <<<"$calls" | sort -u); do
  if [ "$name" = PkgConfig ]; then
    check play "pkg-config" "$(owner "$(readlink -f "$(command -v pkg-config)")")"
    continue
  fi
  package=$(owner "cmake/$name/${name}Config.cmake")
  [ -n "$package" ] || { missing+=" CMake's $name"; continue; }
  check tests "CMake's $name" "$package"
done
# Commands: what tools/play installs on demand (need COMMAND PACKAGE) is in
# the play set itself, and ffmpeg, which writes quarrow-render's videos.
while read -r command package; do
  check play "tools/play's $command" "$package"
  grep -qx "$package" < <(tools/install-deps --list play) ||
    { echo "FAIL: tools/play installs $package itself; the play set should name it"; failed=1; }
done < <(sed -n 's/^ *need \([^ ]*\) \([^ ]*\)$/\1 \2/p' tools/play)
if path=$(command -v ffmpeg); then
  check play "ffmpeg" "$(owner "$(readlink -f "$path")")"
else
  missing+=" ffmpeg"
fi

[ "$failed" = 0 ] || exit 1
[ -z "$missing" ] || { echo "skipped: not on this machine, so not checked:$missing"; exit 77; }
