#!/usr/bin/env bash
# Installs with apt-get what building Vardo needs and the machine lacks: CMake, a C++ compiler
# and make; with --tests also GoogleTest and, on Debian, NumPy and PyTorch for the tests of the
# evaluation tuner and the network trainer (python3-numpy, python3-torch); and any Debian
# packages named as arguments (checked
# with dpkg). Says what it installs before installing it, and prints nothing when all is there.
# Runs apt-get through sudo when not root. When it cannot install, it says so in one line on
# standard error and exits with status 1. All its output goes to standard error.
#   scripts/ensure_tools.sh [--tests] [PACKAGE...]
set -euo pipefail

fail() {
    echo "vardo setup: $*" >&2
    exit 1
}

tests=no
extra=()
for arg in "$@"; do
    case $arg in
    --tests) tests=yes ;;
    -*) fail "unknown option $arg (usage: scripts/ensure_tools.sh [--tests] [PACKAGE...])" ;;
    *) extra+=("$arg") ;;
    esac
done

have() { command -v "$1" >/dev/null 2>&1; }

need=()
have cmake || need+=(cmake)
# The compiler CMake will use: $CXX when set, otherwise the system's c++ (g++ or clang++).
if [ -n "${CXX:-}" ]; then
    compiler=${CXX%% *}
    if ! have "$compiler"; then
        case $compiler in
        *clang*) need+=(clang) ;;
        *) need+=(g++) ;;
        esac
    fi
elif ! have c++ && ! have g++ && ! have clang++; then
    need+=(g++)
fi
have make || need+=(make)
if [ "$tests" = yes ] && [ ! -f /usr/include/gtest/gtest.h ] &&
    [ ! -f /usr/local/include/gtest/gtest.h ]; then
    need+=(libgtest-dev)
fi
if [ "$tests" = yes ] && have dpkg-query; then
    for package in python3-numpy python3-torch; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
            need+=("$package")
    done
fi
for package in ${extra[@]+"${extra[@]}"}; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
        need+=("$package")
done

[ ${#need[@]} -eq 0 ] && exit 0

missing="${need[*]}"
have apt-get || fail "needs $missing, and there is no apt-get to install them with: please install them, then run this again"
if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif have sudo; then
    as_root=(sudo)
else
    fail "needs $missing; installing them takes root, and sudo is not available: please install them as root, then run this again"
fi

echo "vardo setup: installing $missing with apt-get${as_root[*]:+ (through sudo)}" >&2
"${as_root[@]+"${as_root[@]}"}" apt-get update -qq >&2 ||
    fail "apt-get update failed, so $missing could not be installed"
"${as_root[@]+"${as_root[@]}"}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${need[@]}" >&2 ||
    fail "apt-get could not install $missing"
