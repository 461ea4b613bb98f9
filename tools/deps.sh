#!/usr/bin/env bash
# Installs the Debian packages the build needs when any is missing.
# Sourced by run.sh and test.sh.
kx_install_deps() {
  local need=()
  command -v cmake >/dev/null 2>&1 || need+=(cmake)
  command -v g++ >/dev/null 2>&1 || need+=(g++)
  [ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
  [ -f /usr/include/gmock/gmock.h ] || need+=(libgmock-dev)
  [ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
  [ -f /usr/include/hpdf.h ] || need+=(libhpdf-dev)
  [ -f /usr/include/ncurses.h ] || need+=(libncurses-dev)
  command -v tmux >/dev/null 2>&1 || need+=(tmux)
  command -v pdftotext >/dev/null 2>&1 || need+=(poppler-utils)
  command -v pkg-config >/dev/null 2>&1 || need+=(pkg-config)
  [ ${#need[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "installing: ${need[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
}
