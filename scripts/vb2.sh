#!/usr/bin/env bash
# Set-up, build, start and test on Debian 12.
#   scripts/vb2.sh run    install what is missing, build, start the console
#   scripts/vb2.sh test   install what is missing, build, run every test
#   scripts/vb2.sh build  install what is missing, build
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(build-essential cmake pkg-config qt6-base-dev libgl-dev
          libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
          libfluidsynth-dev timgm6mb-soundfont libsdl2-dev ffmpeg fonts-dejavu-extra
          libpulse-dev libdbus-1-dev pulseaudio pulseaudio-utils pipewire pipewire-bin wireplumber pipewire-pulse dbus)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build() {
    local werror=OFF
    [ "${CI:-}" = "true" ] && werror=ON
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVB2_WERROR="$werror" >/dev/null
    cmake --build build -j"$(nproc)"
}

case "${1:-run}" in
    run)
        install_packages
        build
        exec ./build/bin/vantelbrook2
        ;;
    test)
        install_packages
        build
        cd build
        QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy ctest --output-on-failure -j"$(nproc)"
        ;;
    build)
        install_packages
        build
        ;;
    *)
        echo "usage: $0 [run|test|build]" >&2
        exit 2
        ;;
esac
