# Shared by start.sh and test.sh: installs what the tool needs from Debian's packages (only
# when something is missing, so a second run costs nothing), then configures and builds.
#   kolvex7_setup BUILD_DIR [extra cmake options...]
# With KOLVEX7_TARGETS set (a space-separated list), only those targets are built.

KOLVEX7_PACKAGES=(cmake g++ make qt6-base-dev qt6-serialport-dev libqt6serialport6 qt6-charts-dev
                  libqt6opengl6-dev
                  libgensio-dev qt6-httpserver-dev qt6-websockets-dev qt6-multimedia-dev
                  xvfb xauth
                  desktop-file-utils)

kolvex7_install() {
    local missing=()
    for p in "${KOLVEX7_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

kolvex7_setup() {
    local build="$1"; shift
    kolvex7_install || return 1
    # Configured every time: options given here win over those of an older cache, and an
    # unchanged configuration rebuilds nothing.
    cmake -S "$KOLVEX7_ROOT" -B "$build" "$@" >/dev/null || return 1
    local targets=()
    for t in ${KOLVEX7_TARGETS:-}; do targets+=(--target "$t"); done
    cmake --build "$build" --parallel "$(nproc)" "${targets[@]}" || return 1
}
