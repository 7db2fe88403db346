#!/usr/bin/env bash
# Installs romweld into a temporary prefix and builds the example program
# against the installed package, as a game's build would: find_package,
# romweld::reader, romweld_add_image. Then checks that adding, changing and
# removing an asset repacks the image.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d /tmp/romweld-install-XXXXXX)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
mkdir -p "$work/assets/sub"
printf 'first' > "$work/assets/sub/a.txt"

cmake -S "$source/examples/console" -B "$work/game" \
  -DCMAKE_TOOLCHAIN_FILE="$source/cmake/gba-toolchain.cmake" \
  -DCMAKE_PREFIX_PATH="$work/prefix" -DROMWELD_EXAMPLE_ASSETS="$work/assets" >/dev/null
cmake --build "$work/game" >/dev/null

ls_image() { "$work/prefix/bin/romweld-ls" "$work/game/romweld-example-fs.gba" | tail -n +2 | awk '{print $1, $2, $NF}'; }
expect() {
  local got
  got=$(ls_image | sort)
  if [ "$got" != "$1" ]; then
    printf 'expected:\n%s\ngot:\n%s\n' "$1" "$got" >&2
    exit 1
  fi
}

expect $'- 5 sub/a.txt\nd 16 /\nd 16 sub/'
printf 'new' > "$work/assets/b.txt"
cmake --build "$work/game" >/dev/null
expect $'- 3 b.txt\n- 5 sub/a.txt\nd 16 sub/\nd 32 /'
sleep 1  # a coarse file system clock must see the change
printf 'changed!' > "$work/assets/sub/a.txt"
cmake --build "$work/game" >/dev/null
expect $'- 3 b.txt\n- 8 sub/a.txt\nd 16 sub/\nd 32 /'
rm "$work/assets/b.txt"
cmake --build "$work/game" >/dev/null
expect $'- 8 sub/a.txt\nd 16 /\nd 16 sub/'
# A file added below a subdirectory, then edited: the edit repacks too.
printf 'c' > "$work/assets/sub/c.txt"
cmake --build "$work/game" >/dev/null
sleep 1
printf 'c, longer' > "$work/assets/sub/c.txt"
cmake --build "$work/game" >/dev/null
expect $'- 8 sub/a.txt\n- 9 sub/c.txt\nd 16 /\nd 32 sub/'
"$work/prefix/bin/romweld-ls" --check "$work/game/romweld-example-fs.gba" >/dev/null
echo "installed package: ok"
