#!/usr/bin/env bash
# Makes the Debian package from a finished build and checks it as dpkg and apt see it: exactly
# the files it should hold, with the usual modes; dependencies that dpkg-shlibdeps found; and
# that apt could install it on this machine. Nothing is installed: apt only simulates.
#
#   check-deb.sh BUILD_DIR WORK_DIR VERSION APPSTREAM_ID
set -euo pipefail
build=$1 work=$2 version=$3 appstream_id=$4

fail() {
    echo "check-deb: $*" >&2
    exit 1
}

for tool in cpack dpkg-deb dpkg-shlibdeps file apt-get; do
    command -v "$tool" >/dev/null || fail "$tool not found: ./test installs dpkg-dev, file and apt"
done

rm -rf "$work"
mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$work/cpack.log")"
deb="$work/zarvo_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $deb; cpack made: $(ls "$work")"

# The files, each with its mode; directories aside.
listing=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $6 }' | sort -k2)
expected=$(
    {
        echo "-rwxr-xr-x ./usr/bin/zarvo"
        echo "-rwxr-xr-x ./usr/bin/zarvo-report"
        echo "-rwxr-xr-x ./usr/libexec/zarvo/zarvo-reader"
        echo "-rw-r--r-- ./usr/lib/zarvo/zarvo-window.so"
        echo "-rw-r--r-- ./usr/share/applications/zarvo.desktop"
        echo "-rw-r--r-- ./usr/share/metainfo/$appstream_id.metainfo.xml"
        echo "-rw-r--r-- ./usr/share/man/man1/zarvo.1.gz"
        echo "-rw-r--r-- ./usr/share/man/man1/zarvo-report.1.gz"
        for size in 16 22 24 32 48 64 128 256; do
            echo "-rw-r--r-- ./usr/share/icons/hicolor/${size}x${size}/apps/zarvo.png"
        done
    } | sort -k2
)
[ "$listing" = "$expected" ] ||
    fail "the package holds other files than it should:
$(diff <(echo "$expected") <(echo "$listing") || true)"

# The programs and the window module come without their debugging information.
dpkg-deb -x "$deb" "$work/root"
for program in bin/zarvo bin/zarvo-report libexec/zarvo/zarvo-reader lib/zarvo/zarvo-window.so; do
    file "$work/root/usr/$program" | grep -q ', stripped' || fail "$program is not stripped"
done

# Dependencies computed from the programs' libraries, each with its lowest version.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = zarvo ] || fail "package name: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version: $(field Version)"
depends=$(field Depends)
for library in libc6 'libstdc\+\+6' libavformat libavutil libqt6core6 libqt6gui6 libqt6widgets6; do
    grep -Eq "(^|, )$library[0-9]* \(>= [^)]+\)" <<<"$depends" ||
        fail "Depends lacks a versioned $library: $depends"
done

# The window needs Qt's Wayland plugin to run natively on a Wayland desktop.
grep -Eq "(^|, )qt6-wayland($|,| )" <<<"$(field Recommends)" ||
    fail "Recommends lacks qt6-wayland: $(field Recommends)"

# apt finds every dependency on this machine; -s only shows what it would do.
apt-get -s install "$deb" >"$work/apt.log" 2>&1 ||
    fail "apt-get -s install failed: $(cat "$work/apt.log")"
grep -q '^Inst zarvo ' "$work/apt.log" || fail "apt would not install zarvo: $(cat "$work/apt.log")"

echo "$deb"
dpkg-deb -I "$deb"
rm -rf "$work"
