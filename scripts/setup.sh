#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine needs to build and test the
# loader: the 32-bit native toolchain and libraries, the MinGW cross compiler,
# Wine, and Node with npm for the editors' files (npm brings their packages
# itself, from each folder's package-lock.json, when the build needs them).
# Idempotent: when every package is present it returns at once.
set -euo pipefail

packages=(
  cmake ninja-build g++ g++-multilib clang clang-format libclang-rt-14-dev
  libspdlog-dev:i386 libfmt-dev:i386
  libgtest-dev:i386 libgmock-dev:i386 libbenchmark-dev:i386
  nlohmann-json3-dev libcli11-dev
  g++-mingw-w64-i686
  # Brought by the cross compiler; named because the release zip takes the
  # MinGW runtime's licence notices from their copyright files.
  mingw-w64-i686-dev gcc-mingw-w64-base
  wine wine32:i386
  jq
  # The language server's tests: a real editor (Neovim's built-in client),
  # and Node for the protocol tests (npm installs their packages from the
  # committed lock file).
  neovim
)
# The machines come with Node 20 from a package that brings npm; a machine
# without Node gets Debian's.
if ! command -v node >/dev/null; then
  packages+=(nodejs npm)
elif ! command -v npm >/dev/null; then
  packages+=(npm)
fi

# The VS Code extension is packed by @vscode/vsce 3.9, which needs Node 20.
check_node() {
  local major
  major="$(node -p 'process.versions.node.split(".")[0]')"
  if [ "$major" -lt 20 ]; then
    echo "setup: Node $(node --version) is too old: packing the VS Code extension needs Node 20 or later" >&2
    exit 1
  fi
}

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  check_node
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
check_node
