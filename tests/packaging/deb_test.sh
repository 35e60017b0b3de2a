#!/usr/bin/env bash
# Builds the .deb from this build tree, unpacks it into a scratch root, and checks its files, its dependencies and
# that the installed programs run.
set -euo pipefail
build=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -G DEB -B "$scratch/out" >/dev/null)
deb="$scratch/out/fetchwell_${version}_amd64.deb"
[ -f "$deb" ] || { echo "no $deb"; ls "$scratch/out"; exit 1; }
dpkg-deb -x "$deb" "$scratch/root"

fail=0
for file in usr/bin/fetchwell usr/bin/fetchwell-cli usr/bin/fetchwell-sim \
    usr/share/applications/fetchwell.desktop usr/share/icons/hicolor/scalable/apps/fetchwell.svg \
    usr/share/icons/hicolor/16x16/apps/fetchwell.png usr/share/icons/hicolor/32x32/apps/fetchwell.png \
    usr/share/icons/hicolor/48x48/apps/fetchwell.png usr/share/man/man1/fetchwell.1 \
    usr/share/man/man1/fetchwell-cli.1 usr/share/man/man1/fetchwell-sim.1 \
    usr/lib/udev/rules.d/60-fetchwell-ftdi.rules; do
    [ -s "$scratch/root/$file" ] || { echo "missing from the package: /$file"; fail=1; }
done
grep -q 'ATTRS{idVendor}=="0403".*TAG+="uaccess"' "$scratch/root/usr/lib/udev/rules.d/60-fetchwell-ftdi.rules" ||
    { echo "the udev rule does not grant FTDI bridges to the logged-in user"; fail=1; }
grep -q "Fetchwell $version" "$scratch/root/usr/share/man/man1/fetchwell-cli.1" ||
    { echo "the man page does not carry the version"; fail=1; }

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libserialport0; do
    [[ "$depends" == *"$library"* ]] || { echo "Depends lacks $library: $depends"; fail=1; }
done

for program in fetchwell fetchwell-cli fetchwell-sim; do
    shown=$("$scratch/root/usr/bin/$program" --version)
    [ "$shown" = "$program $version" ] || { echo "$program --version says '$shown'"; fail=1; }
done
[ $fail -eq 0 ] && echo "the package holds every file, depends on Debian's libraries, and its programs run"
exit $fail
