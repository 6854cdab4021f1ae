#!/usr/bin/env bash
# Makes the release of the commit checked out, from a clean clone of it in a temporary folder:
# dist/Sockmere-<version>-win32.zip, and dist/SHA256SUMS for the zip and Sockmere.exe, and prints
# both hashes. The same commit gives the same bytes on any machine with the same packages, so a
# published release can be checked by running this again and comparing the hashes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if ! git rev-parse --verify -q HEAD >/dev/null; then
    echo "release: $root is not a git checkout with a commit" >&2
    exit 1
fi
# A release is what a commit holds; local edits would make it one that nobody can rebuild.
if [ -n "$(git status --porcelain)" ]; then
    echo "release: the tree has uncommitted changes; commit or stash them first:" >&2
    git status --short >&2
    exit 1
fi

"$root/tools/install-deps" release

commit=$(git rev-parse HEAD)
work=$(mktemp -d "${TMPDIR:-/tmp}/sockmere-release.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Line ends as committed, whatever this machine's git would make of them.
git clone -q --no-checkout -c core.autocrlf=false "$root" "$work/src"
git -C "$work/src" checkout -q --detach "$commit"

# The zip's members carry the commit's time, whoever builds it and whenever.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct "$commit")
export SOURCE_DATE_EPOCH
cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$work/src/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$work/build" -j "$(nproc)" --target release_zip

# The program lies beside the zip too, so that `sha256sum -c SHA256SUMS` checks both in dist/.
zip=$(cd "$work/build/release" && ls Sockmere-*-win32.zip)
dist=$root/dist
mkdir -p "$dist"
for file in "release/$zip" Sockmere.exe; do
    cp "$work/build/$file" "$dist/${file##*/}.partial"
    mv "$dist/${file##*/}.partial" "$dist/${file##*/}"
done
(cd "$dist" && sha256sum "$zip" Sockmere.exe) >"$dist/SHA256SUMS.partial"
mv "$dist/SHA256SUMS.partial" "$dist/SHA256SUMS"

echo "release: commit $commit, in dist/: $zip, Sockmere.exe and SHA256SUMS:"
cat "$dist/SHA256SUMS"
