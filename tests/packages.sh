#!/usr/bin/env bash
# Builds the packages and checks them as a user would get them: the .deb's
# fields and files, its tools converting the shipped sample and reading it
# back once unpacked (not installed), the .tar.gz, and the Windows .zip
# when the mingw-w64 cross-compiler is there.
# usage: tests/packages.sh   (from the project's root)
set -euo pipefail
fail() { echo "FAIL: $*"; exit 1; }

cmake --workflow --preset package
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/package/CMakeCache.txt)
deb=build/package/recslice_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb"
[ -f "build/package/recslice-$version-Linux.tar.gz" ] || fail "no recslice-$version-Linux.tar.gz"

dpkg-deb -c "$deb"
dpkg-deb -f "$deb"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = recslice ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version), not $version"
[ "$(field Section)" = utils ] || fail "Section is $(field Section)"
[[ "$(field Depends)" == *libc6* ]] || fail "Depends is '$(field Depends)', not worked out from the binary"
for file in ./usr/bin/recslice ./usr/bin/unfcheck ./usr/share/man/man1/recslice.1.gz ./usr/share/man/man1/unfcheck.1.gz; do
    dpkg-deb -c "$deb" | awk '{ print $NF }' | grep -qx "$file" || fail "the .deb has no $file"
done

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
"$unpacked/usr/bin/recslice" examples/sample.bin "$unpacked/sample.unf" 100 16
cmp "$unpacked/sample.unf" examples/sample.unf || fail "the unpacked tool's sample.unf differs"
"$unpacked/usr/bin/unfcheck" "$unpacked/sample.unf" "$unpacked/sample.bin"
tail -c +17 examples/sample.bin | cmp - "$unpacked/sample.bin" || fail "the unpacked unfcheck's records differ"
for page in recslice unfcheck; do
    zcat "$unpacked/usr/share/man/man1/$page.1.gz" | groff -man -ww -z || fail "the packaged $page(1) does not render"
done
echo "passed: the .deb and .tar.gz"

if command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
    cmake --workflow --preset windows-package
    zip=build/windows-package/recslice-$version-win64.zip
    listing=$(cmake -E tar tf "$zip")
    echo "$listing"
    for file in recslice.exe unfcheck.exe README.md recslice.txt unfcheck.txt; do
        grep -qx "recslice-$version-win64/$file" <<<"$listing" || fail "the .zip has no $file"
    done
    echo "passed: the .zip"
fi
