#!/usr/bin/env bash
# Builds the release: both DLLs, both installers, the README, the licence and
# the user guide (QXIBWT11.html, which Help opens) in release/qxibar-1.1.zip,
# and checks what went in.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
version=$(sed -n 's/.*IDS_VERSION "\(.*\)"/\1/p' src/resources/strings.rc)
name=qxibar-$version
stage=release/$name
rm -rf "$stage" "release/$name.zip"
mkdir -p "$stage"

for arch in x86_64 i686; do
  cmake -S . -B "build/release-$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-w64-mingw32.cmake" \
    -Wno-dev --no-warn-unused-cli -DQX_BUILD_TESTS=OFF >/dev/null
  cmake --build "build/release-$arch" --target qxibar qxinstall
  mkdir -p "$stage/$arch"
  cp "build/release-$arch/bin/qxibar.dll" "build/release-$arch/bin/qxinstall.exe" "$stage/$arch/"
done
# Debian's Python, which has the Markdown package the install put there.
/usr/bin/python3 scripts/make_guide.py README.md "$stage/QXIBWT11.html"
# Help looks for the guide beside the DLL.
for arch in x86_64 i686; do cp "$stage/QXIBWT11.html" "$stage/$arch/"; done
rm "$stage/QXIBWT11.html"
cp README.md LICENSE "$stage/"

python3 - "$stage" "release/$name.zip" <<'PY'
import pathlib, sys, zipfile
stage, target = pathlib.Path(sys.argv[1]), sys.argv[2]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
    for path in sorted(stage.rglob("*")):
        if path.is_file():
            z.write(path, str(path.relative_to(stage.parent)))
PY

# Check what the zip holds, from the zip itself.
check=release/check
rm -rf "$check"
mkdir -p "$check"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
  "release/$name.zip" "$check"
want="$name/LICENSE $name/README.md"
for arch in x86_64 i686; do
  want="$want $name/$arch/QXIBWT11.html $name/$arch/qxibar.dll $name/$arch/qxinstall.exe"
done
have=$(cd "$check" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')
want=$(printf '%s\n' $want | sort | tr '\n' ' ')
if [ "$have" != "$want" ]; then
  echo "release: the zip holds '$have', expected '$want'" >&2; exit 1
fi
for arch in x86_64 i686; do
  bash scripts/check-dll.sh "$arch" "$check/$name/$arch/qxibar.dll"
  bash scripts/check-dll.sh --program "$arch" "$check/$name/$arch/qxinstall.exe"
done
format() { "$1-w64-mingw32-objdump" -f "$2" | sed -n 's/.*file format \(.*\)/\1/p'; }
[ "$(format x86_64 "$check/$name/x86_64/qxibar.dll")" = pei-x86-64 ] &&
  [ "$(format i686 "$check/$name/i686/qxibar.dll")" = pei-i386 ] ||
  { echo "release: the DLLs are not one 64-bit and one 32-bit" >&2; exit 1; }
rm -rf "$check"
echo "release: $root/release/$name.zip"
