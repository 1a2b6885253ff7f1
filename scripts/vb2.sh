#!/usr/bin/env bash
# Set-up, build, start and test on Debian 12.
#   scripts/vb2.sh run    install what is missing, build the program only, start it
#   scripts/vb2.sh test   install what is missing, build everything, check the layers, run
#                         every test, install into a temporary prefix and build the Debian package
#   scripts/vb2.sh build  install what is missing, build everything
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(build-essential cmake pkg-config qt6-base-dev libgl-dev
          libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
          libfluidsynth-dev timgm6mb-soundfont libsdl2-dev ffmpeg fonts-dejavu-extra
          libpulse-dev libdbus-1-dev libxcb1-dev)

# Only for the tests: the private sound servers they play to, the X server and window
# manager the fixed windows are shown on, and the checks of the desktop entry and the
# package. Not installed by `run`, so a desktop keeps the sound server it has.
TEST_PACKAGES=(pulseaudio pulseaudio-utils pipewire pipewire-bin wireplumber pipewire-pulse dbus
               desktop-file-utils xvfb openbox x11-utils lintian)

# install_packages NAME...: installs those that are missing.
install_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# build [target]: everything, or only the target and what it needs.
build() {
    local werror=OFF
    [ "${CI:-}" = "true" ] && werror=ON
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVB2_WERROR="$werror" >/dev/null
    cmake --build build -j"$(nproc)" ${1:+--target "$1"}
}

# The install and the package: files under a temporary prefix, a valid desktop
# entry, and a Debian package whose contents are listed and that lintian finds no
# error in (its warnings are shown).
check_install() (
    prefix=$(mktemp -d)
    trap 'rm -rf "$prefix"' EXIT
    cmake --install build --prefix "$prefix" >/dev/null
    for f in bin/vantelbrook2 share/vantelbrook2/Tips.tps share/vantelbrook2/index.htm \
             share/vantelbrook2/VLB2HELP.htm share/icons/hicolor/scalable/apps/vantelbrook2.svg \
             share/icons/hicolor/48x48/apps/vantelbrook2.png share/doc/vantelbrook2/copyright \
             share/doc/vantelbrook2/changelog.gz; do
        [ -f "$prefix/$f" ] || { echo "install: $f is missing" >&2; exit 1; }
    done
    desktop-file-validate "$prefix/share/applications/vantelbrook2.desktop"
    # The installed program starts for a new user and makes its folder in the data folder.
    home="$prefix/home"
    mkdir -p "$home"
    env -u VANTELBROOK2_HOME HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy "$prefix/bin/vantelbrook2" >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 100); do
        [ -d "$home/.local/share/Vantelbrook2/Statistics" ] && break
        sleep 0.2
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [ -d "$home/.local/share/Vantelbrook2/Statistics" ] || { echo "install: the program did not start" >&2; exit 1; }
    rm -f build/vantelbrook2_*.deb
    (cd build && cpack -G DEB >/dev/null)
    deb=$(ls build/vantelbrook2_*.deb)
    echo "$deb: $(stat -c %s "$deb") bytes"
    dpkg-deb --field "$deb" Depends Recommends
    dpkg-deb --contents "$deb"
    lintian --fail-on error --tag-display-limit 0 "$deb"
)

case "${1:-run}" in
    run)
        install_packages "${PACKAGES[@]}"
        build vantelbrook2
        exec ./build/bin/vantelbrook2
        ;;
    test)
        install_packages "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"
        bash scripts/check-layers.sh
        build
        check_install
        # The test runner's summary closes the output.
        (cd build && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy ctest --output-on-failure -j"$(nproc)")
        ;;
    build)
        install_packages "${PACKAGES[@]}"
        build
        ;;
    *)
        echo "usage: $0 [run|test|build]" >&2
        exit 2
        ;;
esac
