#!/bin/sh
# Writes the release archives from the release builds (see `make dist`):
#   tools/make_dist.sh <output directory> <default book>
# velt-<version>-linux-x86-64.tar.gz and velt-<version>-windows-x86-64.zip, each with
# the engine for any x86-64 processor and for popcount and BMI2, the tablebase tools,
# the default book beside the engines (where they look for it) and the documents; then
# SHA256SUMS. An archive appears whole or not at all.
set -eu
out=$1
book=$2
version=$(cat build-linux/version.txt)
linux=velt-$version-linux-x86-64
windows=velt-$version-windows-x86-64
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT INT TERM

mkdir -p "$stage/$linux" "$stage/$windows" "$out"
cp build-linux/velt "$stage/$linux/velt-x86-64"
cp build-linux-bmi2/velt "$stage/$linux/velt-x86-64-bmi2"
cp build-linux/tbgen build-linux/tbcompress "$book" doc/velt.6 README.md "$stage/$linux/"
cp build-windows/velt.exe "$stage/$windows/velt-x86-64.exe"
cp build-windows-bmi2/velt.exe "$stage/$windows/velt-x86-64-bmi2.exe"
cp build-windows/tbgen.exe build-windows/tbcompress.exe "$book" "$stage/$windows/"
# Windows readers get plain text with Windows line ends.
sed 's/$/\r/' README.md > "$stage/$windows/README.txt"
cp LICENSE "$stage/$linux/"
sed 's/$/\r/' LICENSE > "$stage/$windows/LICENSE.txt"
# The Linux engines use the Syzygy library when they were built with it: the copy
# beside them, with its licence, lets them start where it is not installed.
fathom=$(ldd build-linux/velt | sed -n 's/^[[:space:]]*\(libfathom[^ ]*\) => \([^ ]*\) .*/\2/p')
if [ -n "$fathom" ]; then
  cp "$fathom" "$stage/$linux/"
  cp /usr/share/doc/libfathom1/copyright "$stage/$linux/FATHOM-LICENSE"
fi

tar -C "$stage" --owner=0 --group=0 --sort=name -czf "$stage/$linux.tar.gz" "$linux"
(cd "$stage" && zip -q -X -r "$windows.zip" "$windows")
mv "$stage/$linux.tar.gz" "$stage/$windows.zip" "$out/"
(cd "$out" && sha256sum "$linux.tar.gz" "$windows.zip" > SHA256SUMS.tmp && mv SHA256SUMS.tmp SHA256SUMS)
ls -l "$out"
