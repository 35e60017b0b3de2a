#!/usr/bin/env bash
# Builds the Windows zip from this build tree and checks that it holds the program and its README, and nothing else
# (in particular no stand-in driver).
set -euo pipefail
build=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -G ZIP -B "$scratch/out" >/dev/null)
zip="$scratch/out/fetchwell-${version}-win64.zip"
[ -f "$zip" ] || { echo "no $zip"; ls "$scratch/out"; exit 1; }
contents=$(cd "$scratch" && cmake -E tar tf "$zip" | grep -v '/$' | sort)
expected=$(printf '%s\n' "fetchwell-${version}-win64/README.txt" "fetchwell-${version}-win64/fetchwell.exe")
if [ "$contents" != "$expected" ]; then
    printf 'the zip holds:\n%s\nexpected:\n%s\n' "$contents" "$expected"
    exit 1
fi
(cd "$scratch" && cmake -E tar xf "$zip")
grep -q $'\r$' "$scratch/fetchwell-${version}-win64/README.txt" || { echo "README.txt lacks CR LF line ends"; exit 1; }
grep -q "Fetchwell $version" "$scratch/fetchwell-${version}-win64/README.txt" || { echo "README.txt lacks the version"; exit 1; }
echo "the zip holds fetchwell.exe and README.txt"
