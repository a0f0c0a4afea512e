#!/usr/bin/env bash
# Installs the Debian packages that building and testing VOLAX need, when they
# are missing and we are root; otherwise says which are missing and fails.
# Sourced by test.sh and demo.sh:  ensure_packages <caller-name> [package...]
# (default: VOLAX_PACKAGES).
VOLAX_PACKAGES=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libgeographiclib-dev libssl-dev proj-data
  proj-bin openssl nodejs)
# The Windows stage: the cross-compiler (posix threads), Wine to run its programs,
# and GoogleTest's source to build the suites with the cross-compiler.
VOLAX_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine64 googletest)

ensure_packages() {
  local caller=$1 p missing=(); shift
  local wanted=("$@")
  ((${#wanted[@]})) || wanted=("${VOLAX_PACKAGES[@]}")
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  if [[ $(id -u) -ne 0 ]]; then
    echo "$caller: missing Debian packages: ${missing[*]} (run as root to install them)" >&2
    return 1
  fi
  echo "== installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}
