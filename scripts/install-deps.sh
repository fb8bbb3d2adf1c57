#!/usr/bin/env bash
# The single list of Debian packages Velkor needs to build, test and run.
# apt-get runs only when something is missing, so a prepared machine starts at once.
set -euo pipefail

packages=(
    # tool chain
    build-essential cmake ninja-build pkg-config
    # tests and benchmarks
    googletest libgtest-dev libgmock-dev libbenchmark-dev
)

missing=()
for pkg in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
