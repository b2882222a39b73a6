# Sourced by ./run and ./test: what each needs from Debian, and how each builds Zarvo.

# What building and running the two programs needs: all that ./run installs. qt6-wayland lets
# the window run natively on a Wayland desktop.
run_packages=(g++ cmake ninja-build pkg-config
              libavformat-dev libavcodec-dev libavutil-dev libseccomp-dev
              qt6-base-dev qt6-wayland libgl-dev nlohmann-json3-dev)
# What ./test needs besides: the test framework, clang for the fuzz targets, the tools that
# check the desktop files, the man pages and the Debian package, the encoders that make the
# corpus of today's codecs, and weston, a Wayland compositor that runs without a screen.
test_packages=(googletest libgtest-dev libgmock-dev
               clang libclang-rt-14-dev
               appstream desktop-file-utils man-db dpkg-dev file
               ffmpeg mkvtoolnix jq weston)

# install_missing_packages PACKAGE...: installs those of the packages that are not installed.
install_missing_packages() {
    local missing=() package
    for package in "$@"; do
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

# The three builds are the presets of CMakePresets.json: "programs", "everything" and
# "sanitize" (cmake --preset NAME, cmake --build --preset NAME, ctest --preset NAME).

# The two programs only, into build/. A new build/ leaves the tests out, so that configuring
# needs none of the test packages; a build/ that ./test made keeps its settings.
build_programs() {
    if [ ! -f build/CMakeCache.txt ]; then
        cmake --preset programs >/dev/null
    fi
    cmake --build --preset programs
}

# Everything into build/: programs, icons, man pages and tests, with warnings as errors.
build_everything() {
    cmake --preset everything >/dev/null
    cmake --build --preset everything
}

# Everything again with AddressSanitizer and UndefinedBehaviorSanitizer, into build-sanitize/;
# unoptimised, which builds faster and keeps every assertion.
build_zarvo_sanitized() {
    cmake --preset sanitize >/dev/null
    cmake --build --preset sanitize
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
