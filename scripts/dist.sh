#!/usr/bin/env bash
# Builds the release package dist/lingbo-<version>-win64.zip from the Windows
# build: one folder lingbo-<version>/ with lingbo.exe, README.txt and
# LICENSE.txt.  Nothing else is needed beside the program.
#
# The same commit gives the same zip, byte for byte: the entries are written
# in a fixed order with fixed attributes, and every date is the commit's time
# (or SOURCE_DATE_EPOCH when it is set).  The executable itself carries no
# time stamp (see cmake/windows.cmake).
#
# Environment: LINGBO_WINDOWS_BUILD_DIR, the Windows build tree (default
# build/windows); LINGBO_DIST_DIR, where the zip goes (default dist).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

version=$(sed -n 's/^project(lingbo VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no version in the project() line of CMakeLists.txt" >&2; exit 1; }
build=${LINGBO_WINDOWS_BUILD_DIR:-build/windows}
exe=$build/lingbo.exe
[ -f "$exe" ] || { echo "no $exe: build it first (make windows)" >&2; exit 1; }

if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  epoch=$SOURCE_DATE_EPOCH
elif epoch=$(git -C "$repo" log -1 --format=%ct 2>/dev/null) && [ -n "$epoch" ]; then
  :
else
  epoch=315532800  # 1980-01-01, the earliest date a zip entry can hold
fi

out_dir=${LINGBO_DIST_DIR:-dist}
mkdir -p "$out_dir"
zip_path=$out_dir/lingbo-$version-win64.zip

python3 - "$version" "$epoch" "$exe" "$zip_path" <<'PY'
import os, sys, time, zipfile

version, epoch, exe, zip_path = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
program = open(exe, "rb").read()
# A build from before a version change would carry the old number (the
# version resource holds it in UTF-16).
if version.encode("utf-16-le") not in program:
    sys.exit(f"{exe} does not carry version {version}: rebuild it (make windows)")
# Windows' own Notepad shows a UTF-8 file right only with its signature.
readme = b"\xef\xbb\xbf" + open("README.md", "rb").read()
licence = b"\xef\xbb\xbf" + open("LICENSE", "rb").read()

folder = f"lingbo-{version}/"
date = time.gmtime(max(epoch, 315532800))[:6]
entries = [(folder, None), (folder + "lingbo.exe", program), (folder + "README.txt", readme),
           (folder + "LICENSE.txt", licence)]

tmp = zip_path + ".tmp"
with zipfile.ZipFile(tmp, "w") as z:
    for name, data in entries:
        info = zipfile.ZipInfo(name, date_time=date)
        info.create_system = 0  # MS-DOS attributes: what Windows' own unzip expects
        if data is None:
            info.external_attr = 0x10  # directory
            z.writestr(info, b"")
        else:
            info.external_attr = 0x20  # archive
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data, compresslevel=9)
os.replace(tmp, zip_path)
PY

echo "$zip_path  $(stat -c %s "$zip_path") bytes  sha256 $(sha256sum "$zip_path" | cut -d' ' -f1)"
