# Sourced by ./run and ./test: installs the Debian packages that are missing, then configures
# and builds Zarvo into build/.

packages=(g++ cmake ninja-build pkg-config
          libavformat-dev libavcodec-dev libavutil-dev
          qt6-base-dev libgl-dev
          googletest libgtest-dev libgmock-dev)

install_missing_packages() {
    local missing=() package
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

build_zarvo() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build
}

install_missing_packages
build_zarvo
