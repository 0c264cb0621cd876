#!/bin/sh
# Writes the release archives from the release builds (see `make dist`):
#   tools/make_dist.sh <output directory> <default book>
# velt-<version>-linux-x86-64.tar.gz and velt-<version>-windows-x86-64.zip, each with
# the engine for any x86-64 processor and for popcount and BMI2, and
# velt-<version>-linux-aarch64.tar.gz with the static aarch64 engine; each with the
# tablebase tools, the default book beside the engines (where they look for it), the
# documents and the licences (the engine's, and Fathom's, whose code every engine
# carries for Syzygy); then SHA256SUMS. An archive appears whole or not at all.
set -eu
out=$1
book=$2
version=$(cat build-linux/version.txt)
linux=velt-$version-linux-x86-64
windows=velt-$version-windows-x86-64
arm64=velt-$version-linux-aarch64
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT INT TERM

mkdir -p "$stage/$linux" "$stage/$windows" "$stage/$arm64" "$out"
cp build-linux/velt "$stage/$linux/velt-x86-64"
cp build-linux-bmi2/velt "$stage/$linux/velt-x86-64-bmi2"
cp build-linux/tbgen build-linux/tbcompress "$book" doc/velt.6 README.md "$stage/$linux/"
cp build-windows/velt.exe "$stage/$windows/velt-x86-64.exe"
cp build-windows-bmi2/velt.exe "$stage/$windows/velt-x86-64-bmi2.exe"
cp build-windows/tbgen.exe build-windows/tbcompress.exe "$book" "$stage/$windows/"
# Windows readers get plain text with Windows line ends.
sed 's/$/\r/' README.md > "$stage/$windows/README.txt"
cp build-arm64/velt build-arm64/tbgen build-arm64/tbcompress "$book" doc/velt.6 README.md "$stage/$arm64/"
for dir in "$linux" "$arm64"; do
  cp LICENSE "$stage/$dir/"
  cp third_party/fathom/LICENSE "$stage/$dir/FATHOM-LICENSE"
done
sed 's/$/\r/' LICENSE > "$stage/$windows/LICENSE.txt"
sed 's/$/\r/' third_party/fathom/LICENSE > "$stage/$windows/FATHOM-LICENSE.txt"

for dir in "$linux" "$arm64"; do
  tar -C "$stage" --owner=0 --group=0 --sort=name -czf "$stage/$dir.tar.gz" "$dir"
done
(cd "$stage" && zip -q -X -r "$windows.zip" "$windows")
mv "$stage/$linux.tar.gz" "$stage/$arm64.tar.gz" "$stage/$windows.zip" "$out/"
(cd "$out" && sha256sum "$linux.tar.gz" "$windows.zip" "$arm64.tar.gz" > SHA256SUMS.tmp && mv SHA256SUMS.tmp SHA256SUMS)
ls -l "$out"
