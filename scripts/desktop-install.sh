#!/usr/bin/env bash
# Installs or removes Velkor for the current user: the bundle as ~/.local/opt/Velkor.app, a
# desktop entry, the icon in the sizes a desktop uses and a `velkor` link in ~/.local/bin.
# Removing takes away exactly those and nothing else (settings and match history stay).
#   desktop-install.sh install BUILD_DIR
#   desktop-install.sh uninstall
# HOME decides where everything goes, so tests can install into a temporary home.
set -euo pipefail

opt_dir="${HOME}/.local/opt"
bundle="${opt_dir}/Velkor.app"
data_dir="${XDG_DATA_HOME:-${HOME}/.local/share}"
desktop_file="${data_dir}/applications/velkor.desktop"
mime_file="${data_dir}/mime/packages/velkor.xml"
icon_root="${data_dir}/icons/hicolor"
icon_sizes=(16 24 32 48 64 128 256 512)
bin_link="${HOME}/.local/bin/velkor"
executable="${bundle}/Contents/MacOS/velkor"

usage() {
    echo "usage: $0 install BUILD_DIR | uninstall" >&2
    exit 2
}

install_velkor() {
    local build_dir="$1"
    [ -f "${build_dir}/icons/hicolor/256x256/apps/velkor.png" ] ||
        { echo "error: ${build_dir} has no built icons; build the velkor target first" >&2; exit 1; }
    # Lay the new bundle out beside the old one and swap, so a failed install keeps the old one.
    mkdir -p "${opt_dir}"
    staging="$(mktemp -d "${opt_dir}/.velkor-staging.XXXXXX")"
    trap 'rm -rf "${staging}"' EXIT
    cmake --install "${build_dir}" --prefix "${staging}" >/dev/null
    [ -x "${staging}/Velkor.app/Contents/MacOS/velkor" ] ||
        { echo "error: the install produced no Velkor.app bundle" >&2; exit 1; }
    rm -rf "${bundle}.old"
    [ ! -e "${bundle}" ] || mv "${bundle}" "${bundle}.old"
    mv "${staging}/Velkor.app" "${bundle}"
    rm -rf "${bundle}.old"

    for size in "${icon_sizes[@]}"; do
        install -D -m 0644 "${build_dir}/icons/hicolor/${size}x${size}/apps/velkor.png" \
            "${icon_root}/${size}x${size}/apps/velkor.png"
    done
    mkdir -p "$(dirname "${desktop_file}")"
    sed "s|@VELKOR_EXEC@|${executable}|" "$(dirname "$0")/../packaging/velkor.desktop.in" \
        > "${desktop_file}"
    install -D -m 0644 "$(dirname "$0")/../packaging/velkor-mime.xml" "${mime_file}"
    mkdir -p "$(dirname "${bin_link}")"
    ln -sfn "${executable}" "${bin_link}"
    # Desktops pick up new entries, file types and icons sooner when told; no tool is required.
    command -v update-desktop-database >/dev/null && update-desktop-database -q "$(dirname "${desktop_file}")" || true
    command -v update-mime-database >/dev/null && update-mime-database "${data_dir}/mime" || true
    echo "Installed ${bundle}; start it with: velkor (from ~/.local/bin) or from the desktop menu"
}

uninstall_velkor() {
    rm -rf "${bundle}"
    rm -f "${desktop_file}" "${mime_file}"
    command -v update-mime-database >/dev/null && [ -d "${data_dir}/mime" ] && update-mime-database "${data_dir}/mime" || true
    for size in "${icon_sizes[@]}"; do
        rm -f "${icon_root}/${size}x${size}/apps/velkor.png"
    done
    # Only our own link: a `velkor` there that points elsewhere belongs to someone else.
    if [ -L "${bin_link}" ] && [ "$(readlink "${bin_link}")" = "${executable}" ]; then
        rm -f "${bin_link}"
    fi
    echo "Removed Velkor from ${opt_dir}, the desktop entry, the icons and the velkor link"
}

case "${1:-}" in
    install) [ $# -eq 2 ] || usage; install_velkor "$2" ;;
    uninstall) [ $# -eq 1 ] || usage; uninstall_velkor ;;
    *) usage ;;
esac
