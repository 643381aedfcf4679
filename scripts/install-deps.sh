#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run its demo.
# Idempotent and non-interactive; apt is not touched at all when everything is present.
set -euo pipefail

packages=(
    # native build and tests
    g++ cmake ninja-build git googletest libgtest-dev libgmock-dev libbenchmark-dev
    # fuzz targets (scripts/fuzz.sh): clang with libFuzzer and the sanitizers
    clang libclang-rt-14-dev
    clang-format libgeos-dev python3 python3-ezdxf
    # Windows cross-build, run under Wine (headless, or under Xvfb for screenshots)
    g++-mingw-w64-x86-64 wine wine64 xvfb xauth fonts-noto-cjk imagemagick x11-utils
    # the Windows package (scripts/package-windows.sh)
    zip
    # the README's picture of the demo (scripts/demo-picture.sh), with fonts-noto-cjk above
    librsvg2-bin
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [[ "$status" == installed ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
    echo "install-deps: all ${#packages[@]} packages are installed"
    exit 0
fi

sudo=()
if ((EUID != 0)); then
    command -v sudo >/dev/null || {
        echo "install-deps: not root and no sudo; install: ${missing[*]}" >&2
        exit 1
    }
    sudo=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q -o Dpkg::Options::=--force-confdef \
    -o Dpkg::Options::=--force-confold "${missing[@]}" </dev/null
