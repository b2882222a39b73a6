# Sourced by ./run and ./test: installs the Debian packages that are missing, then configures
# and builds Zarvo into build/. ./test also calls the sanitizer build below.

packages=(g++ cmake ninja-build pkg-config
          libavformat-dev libavcodec-dev libavutil-dev
          qt6-base-dev libgl-dev
          googletest libgtest-dev libgmock-dev
          clang libclang-rt-14-dev)

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

# Everything again with AddressSanitizer and UndefinedBehaviorSanitizer, into build-sanitize/;
# unoptimised, which builds faster and keeps every assertion.
build_zarvo_sanitized() {
    cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZARVO_SANITIZE=ON \
        >/dev/null
    cmake --build build-sanitize
}

# True when clang can link a libFuzzer program.
have_libfuzzer() {
    command -v clang++ >/dev/null || return 1
    local dir status=0
    dir=$(mktemp -d)
    echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' \
        >"$dir/probe.cpp"
    clang++ -fsanitize=fuzzer "$dir/probe.cpp" -o "$dir/probe" 2>/dev/null || status=1
    rm -rf "$dir"
    return "$status"
}

install_missing_packages
build_zarvo
