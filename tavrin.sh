#!/usr/bin/env bash
# Set-up and entry point for a Debian 12 machine.
#   ./tavrin.sh play [game options]   install, build, generate data, start the game
#   ./tavrin.sh test                  install, build, run every test (normal, sanitizer and fuzz builds)
# Re-running is quick when nothing changed: packages already present are
# skipped and Ninja rebuilds only what changed.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  cmake ninja-build g++ clang pkg-config
  libode-dev libsdl2-dev libpng-dev zlib1g-dev nettle-dev
  libfreetype-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev
  xvfb xauth
)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# build DIR [cmake options...]
build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir"
}

# run_tests DIR: every test of one build, under a virtual display.
run_tests() {
  local supp="$PWD/tests/lsan.supp"
  (cd "$1" && LSAN_OPTIONS="suppressions=$supp:print_suppressions=0" xvfb-run -a -s "-screen 0 1280x1024x24" \
      ctest --output-on-failure --timeout 600 -j "$(nproc)")
}

case "${1:-}" in
  play)
    shift
    install_packages
    build build
    exec ./build/tavrin --track venloop "$@"
    ;;
  test)
    install_packages
    export SDL_AUDIODRIVER=dummy
    build build -DTAVRIN_WERROR=ON
    run_tests build
    build build-asan -DTAVRIN_WERROR=ON -DTAVRIN_SANITIZE=ON -DTAVRIN_BENCH=OFF
    run_tests build-asan
    CC=clang CXX=clang++ build build-fuzz -DTAVRIN_FUZZ=ON
    run_tests build-fuzz
    ;;
  *)
    echo "usage: $0 play [options] | test" >&2
    exit 2
    ;;
esac
