#!/usr/bin/env bash
# The single list of Debian packages Velkor needs to build, test and run.
# apt-get runs only when something is missing, so a prepared machine starts at once.
set -euo pipefail

packages=(
    # tool chain
    build-essential cmake ninja-build pkg-config clang-format
    # tests and benchmarks
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    # Qt 6 (Core, Gui, Widgets, Network, DBus, Sql) and coroutines for it
    qt6-base-dev qcoro-qt6-dev
    # Qt Svg draws the vector set of chess men
    qt6-svg-dev
    # the match history's database: Qt SQL's SQLite driver
    libqt6sql6-sqlite
    # sounds; charts (Charts needs the OpenGL module, which Debian only recommends)
    qt6-multimedia-dev qt6-charts-dev libqt6opengl6-dev
    # update verification and disk images
    libssl-dev libarchive-dev libplist-dev nlohmann-json3-dev
    # the release script writes the update feed with Python
    python3
    # real UCI engines for the engine tests (installed in /usr/games, not on PATH)
    stockfish toga2
    # a private message bus for the keep-awake tests
    dbus-daemon
    # the chess font compiled into the board (GNU FreeFont's FreeSerif)
    fonts-freefont-ttf python3-fonttools
    # the start-up benchmark: a private X server and its DAMAGE extension
    xvfb libxdamage-dev
    # throw-away certificates for the update tests' loopback HTTPS server
    openssl
    # the end-to-end test: clicks and keys on the private X server, and reading the clipboard
    xdotool xclip
    # the program asks the X server itself whether a display answers before Qt starts
    libxcb1-dev
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
