#!/usr/bin/env bash
# The Windows deliverable: cross-builds activeBrevixBarCodeX.ocx for i686 and x86_64 with
# mingw-w64, checks both modules' exports and imports, then runs the x86_64 build under a fresh
# Wine prefix: registration, the C++ host, the ATL container, a VBScript host, the written files
# (checked with Linux decoders) and unregistration. Any failed check fails the script.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
root=$PWD
jobs=${BREVIX_JOBS:-2}

fail() {
  echo "20-windows: $*" >&2
  exit 1
}

# --- Build both architectures -------------------------------------------------------------
for arch in i686 x86_64; do
  echo "--- mingw-w64 $arch build"
  cmake -S activex -B "build/win-$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" >/dev/null
  # The 32-bit library is built and inspected; the test hosts run on the 64-bit build.
  target=activeBrevixBarCodeX
  [ "$arch" = x86_64 ] && target=all
  cmake --build "build/win-$arch" -j "$jobs" --target "$target"
done

# --- Exports and imports of both modules ----------------------------------------------------
for arch in i686 x86_64; do
  ocx="build/win-$arch/activeBrevixBarCodeX.ocx"
  dump=$("$arch-w64-mingw32-objdump" -p "$ocx")
  for export in DllGetClassObject DllCanUnloadNow DllRegisterServer DllUnregisterServer; do
    grep -qE "\] $export\$" <<<"$dump" || fail "$arch: export $export missing or decorated"
  done
  exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | grep -cE '^\s*\[ *[0-9]+\]' || true)
  [ "$exports" -eq 4 ] || fail "$arch: $exports exports, want exactly 4"
  # Only system DLLs: the C and C++ runtimes are linked in.
  imports=$(grep 'DLL Name:' <<<"$dump" | awk '{print tolower($3)}' | sort -u | tr '\n' ' ')
  for dll in $imports; do
    case "$dll" in
      advapi32.dll | gdi32.dll | kernel32.dll | msvcrt.dll | ole32.dll | oleaut32.dll | \
        shlwapi.dll | user32.dll | windowscodecs.dll) ;;
      *) fail "$arch: imports $dll, which is not a system DLL" ;;
    esac
  done
  echo "$arch: 4 exports, imports: $imports"
done

# --- Wine ----------------------------------------------------------------------------------
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || true)
[ -n "$wine" ] && [ -x "$wine" ] || fail "wine64 is not installed (scripts/packages.txt)"
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver || echo wineserver)

tmp=$(mktemp -d "${TMPDIR:-/tmp}/brevix-wine.XXXXXX")
export WINEPREFIX="$tmp/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$tmp"
}
trap cleanup EXIT

winpath() { echo "Z:${1//\//\\}"; }
run() { timeout 300 "$wine" "$@"; }

echo "--- Wine prefix in $tmp"
run wineboot -i >/dev/null 2>&1 || fail "wineboot failed"
# Headless: windows and painting work, nothing is shown.
run reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
# The desktop process of the first boot found no display; start afresh with the null driver.
"$wineserver" -w

bin="$tmp/bin"
out="$tmp/out"
mkdir -p "$bin" "$out"
cp build/win-x86_64/activeBrevixBarCodeX.ocx build/win-x86_64/tests/host_test.exe \
  build/win-x86_64/tests/container_test.exe activex/tests/script_test.vbs "$bin/"
ocx=$(winpath "$bin/activeBrevixBarCodeX.ocx")

clsid='{BA84553D-0DD9-4BAD-8CDA-A9A9160F47C9}'
libid='{672D694C-17A6-4FCE-A52C-236A0AA2A00D}'
query() { run reg query "$@" 2>/dev/null | tr -d '\r'; }

echo "--- regsvr32"
# What an earlier build left: the library under US English only. Registration replaces it.
run reg add "HKCR\\TypeLib\\$libid\\4.0\\409\\win64" /ve /d "$ocx" /f >/dev/null 2>&1
run regsvr32 /s "$ocx" || fail "regsvr32 failed"
query "HKCR\\CLSID\\$clsid\\InprocServer32" | grep -qiF "activeBrevixBarCodeX.ocx" || fail "InprocServer32 not registered"
query "HKCR\\CLSID\\$clsid\\InprocServer32" /v ThreadingModel | grep -q 'Apartment' || fail "ThreadingModel is not Apartment"
query "HKCR\\CLSID\\$clsid\\ProgID" | grep -q 'activeBrevixBarCodeX.BrevixBarCode' || fail "ProgID not registered"
query "HKCR\\activeBrevixBarCodeX.BrevixBarCode\\CLSID" | grep -qiF "$clsid" || fail "ProgID does not lead to the class"
query "HKCR\\CLSID\\$clsid\\Control" >/dev/null || fail "Control marker missing"
query "HKCR\\CLSID\\$clsid\\ToolboxBitmap32" | grep -qF 'activeBrevixBarCodeX.ocx,1' || fail "ToolboxBitmap32 missing"
query "HKCR\\CLSID\\$clsid\\TypeLib" | grep -qiF "$libid" || fail "TypeLib of the class missing"
query "HKCR\\CLSID\\$clsid\\Version" | grep -q '4.0' || fail "Version of the class missing"
query "HKCR\\TypeLib\\$libid\\4.0" >/dev/null || fail "type library 4.0 not registered"
# Language-neutral, where marshalling looks; no entry left under US English.
query "HKCR\\TypeLib\\$libid\\4.0\\0\\win64" | grep -qiF "activeBrevixBarCodeX.ocx" || fail "type library not registered under locale 0"
query "HKCR\\TypeLib\\$libid\\4.0\\409" >/dev/null && fail "type library registered under locale 409"
query "HKCR\\Interface\\{AACF72FD-D447-4765-B708-FF310CE61107}" >/dev/null || fail "IBrevixBarCode not registered"
echo "registered"

status=0
echo "--- C++ host"
(cd "$bin" && run host_test.exe "$ocx" "$(winpath "$out")") || status=1
echo "--- ATL container"
(cd "$bin" && run container_test.exe) || status=1
echo "--- VBScript host"
script_out=$(cd "$bin" && run cscript //nologo "$(winpath "$bin/script_test.vbs")" "$(winpath "$out")" 2>&1 | tr -d '\r')
echo "$script_out"
[ "$(tail -n 1 <<<"$script_out")" = "RESULT: PASS" ] || status=1
echo "--- written files"
bash activex/tests/check_files.sh "$out" || status=1

echo "--- regsvr32 /u"
run regsvr32 /u /s "$ocx" || fail "unregistration failed"
query "HKCR\\CLSID\\$clsid" >/dev/null && fail "class still registered after /u"
query "HKCR\\activeBrevixBarCodeX.BrevixBarCode" >/dev/null && fail "ProgID still registered after /u"
query "HKCR\\TypeLib\\$libid\\4.0" >/dev/null && fail "type library still registered after /u"
echo "unregistered"

[ "$status" -eq 0 ] || fail "Windows tests failed"
echo "20-windows: all passed"
