#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the Debian package and runs lintian on it.
#
#   tools/make-deb.sh OUT      (JOBS: parallel compile jobs, default nproc)
#
# dpkg-buildpackage writes its files beside the source folder, so the package
# is built from a copy of the checked-out tree (tracked files, uncommitted
# changes included) in OUT/msconv-VERSION; OUT then holds
# msconv_VERSION_ARCH.deb. lintian, with its default profile, must report no
# error and no warning; its informational tags are shown.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=$1
say() { echo "make-deb: $*" >&2; }

version=$(sed -n 's/^project(msconv VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
changelog_version=$(sed -n '1s/^msconv (\([^)]*\)).*/\1/p' "$root/debian/changelog")
[ "$version" = "$changelog_version" ] ||
    { say "CMakeLists.txt says version $version, debian/changelog $changelog_version"; exit 1; }
arch=$(dpkg --print-architecture)

rm -rf "$out"
source=$out/msconv-$version
mkdir -p "$source"
(cd "$root" && git ls-files -z | xargs -0 tar -cf - --no-recursion) | tar -xf - -C "$source"
(cd "$source" && dpkg-buildpackage -us -uc -b -J"${JOBS:-$(nproc)}")
deb=$out/msconv_${version}_$arch.deb
[ -f "$deb" ] || { say "dpkg-buildpackage wrote no $deb"; exit 1; }

echo "== lintian $deb"
lintian --display-info --fail-on error,warning "$out/msconv_${version}_${arch}.changes"
echo "== lintian: no error, no warning"
dpkg-deb --contents "$deb"
echo "Package: $deb"
