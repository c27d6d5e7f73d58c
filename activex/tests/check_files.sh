#!/usr/bin/env bash
# Checks the files the Windows test host wrote, with Linux tools: picture sizes, formats,
# GIF transparency, metafile headers, and real decoders reading the barcodes back.
# Usage: check_files.sh <directory holding files.txt and the files>
set -uo pipefail
dir="$1"
failures=0
fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}
ok() { echo "ok   $*"; }

# Unsigned little-endian integer of n bytes at offset.
le() {
  local file=$1 offset=$2 n=$3 value=0 i
  local -a bytes
  read -r -a bytes <<<"$(od -An -tu1 -j "$offset" -N "$n" "$file")"
  for ((i = n - 1; i >= 0; i--)); do value=$((value * 256 + bytes[i])); done
  echo "$value"
}

# Decodes the first frame on white with a quiet zone around it (the symbol may fill its box
# edge to edge, as the control draws it).
decodes_to() {
  local file=$1 want=$2 out padded="$dir/.decode.png"
  convert "$file[0]" -background white -flatten -bordercolor white -border 20 "$padded" 2>/dev/null || return 1
  out=$(ZXingReader "$padded" 2>&1)
  rm -f "$padded"
  grep -qF "Text:       \"$want\"" <<<"$out"
}

for tool in ZXingReader identify convert wmf2gd emf2svg-conv rsvg-convert gs; do
  command -v "$tool" >/dev/null || { echo "FAIL $tool is not installed (scripts/packages.txt)"; exit 1; }
done

[ -f "$dir/files.txt" ] || { echo "FAIL no files.txt in $dir"; exit 1; }
# Each line: name width height transparent dots-per-inch expect (the rest of the line).
while read -r name width height transparent dpiWanted expect; do
  file="$dir/$name"
  [ -s "$file" ] || { fail "$name: missing or empty"; continue; }
  ext="${name##*.}"
  ext="${ext,,}"
  case "$ext" in
    bmp | gif | png | tif | tiff | jpg | jpeg | jpe)
      size=$(identify -format '%w %h' "$file[0]" 2>/dev/null)
      [ "$size" = "$width $height" ] && ok "$name: $size" || fail "$name: size '$size', want '$width $height'"
      format=$(identify -format '%m' "$file[0]" 2>/dev/null)
      case "$ext" in bmp) want=BMP3 ;; gif) want=GIF ;; png) want=PNG ;; tif | tiff) want=TIFF ;; jpg | jpeg | jpe) want=JPEG ;; esac
      [ "$format" = "$want" ] || [ "$format" = "${want%3}" ] && ok "$name: format $format" || fail "$name: format '$format', want $want"
      if [ "$ext" = png ] || [ "$ext" = tif ] || [ "$ext" = tiff ] || [ "$ext" = gif ]; then
        colors=$(identify -format '%k' "$file[0]" 2>/dev/null)
        [ "${colors:-999}" -le 256 ] && ok "$name: $colors colours" || fail "$name: $colors colours, more than a GIF palette"
      fi
      if [ "$ext" != gif ] && [ "$ext" != bmp ]; then
        # The control's Resolution, by default its screen size: 96 pixels per inch.
        dpi=$(identify -units PixelsPerInch -format '%x' "$file[0]" 2>/dev/null)
        [ "$(printf '%.0f' "${dpi:-0}")" = "$dpiWanted" ] && ok "$name: $dpiWanted pixels per inch" ||
          fail "$name: resolution '$dpi', want $dpiWanted per inch"
      fi
      if [ "$ext" = gif ]; then
        gce=$(od -An -tx1 -v "$file" | tr -d ' \n' | grep -c '21f90401' || true)
        if [ "$transparent" = 1 ]; then
          [ "$gce" -ge 1 ] && ok "$name: transparent colour marked" || fail "$name: no transparency extension"
        else
          [ "$gce" -eq 0 ] && ok "$name: no transparency" || fail "$name: unexpected transparency extension"
        fi
      fi
      picture="$file"
      ;;
    wmf)
      key=$(le "$file" 0 4)
      right=$(le "$file" 10 2)
      bottom=$(le "$file" 12 2)
      inch=$(le "$file" 14 2)
      [ "$key" = 2596720087 ] && ok "$name: placeable header" || fail "$name: key $key is not a placeable metafile"
      [ "$right $bottom" = "$width $height" ] && ok "$name: bounds $right x $bottom" || fail "$name: bounds $right x $bottom, want $width x $height"
      [ "$inch" -gt 0 ] || fail "$name: zero units per inch"
      picture="$dir/${name%.*}_wmf.png"
      wmf2gd --maxwidth="$width" --maxheight="$height" --maxsize -o "$picture" "$file" >/dev/null 2>&1 ||
        fail "$name: libwmf cannot play it"
      ;;
    emf)
      type=$(le "$file" 0 4)
      signature=$(le "$file" 40 4)
      frameRight=$(le "$file" 32 4)
      frameBottom=$(le "$file" 36 4)
      [ "$type" = 1 ] && [ "$signature" = 1179469088 ] && ok "$name: enhanced metafile header" ||
        fail "$name: not an enhanced metafile (type $type, signature $signature)"
      # The frame is in 1/100 mm; at 96 pixels per inch a pixel is 26.46 of them.
      wantRight=$(((width * 2540 + 48) / 96))
      wantBottom=$(((height * 2540 + 48) / 96))
      diffR=$((frameRight - wantRight)); diffB=$((frameBottom - wantBottom))
      [ "${diffR#-}" -le 30 ] && [ "${diffB#-}" -le 30 ] && ok "$name: frame $frameRight x $frameBottom" ||
        fail "$name: frame $frameRight x $frameBottom, want about $wantRight x $wantBottom"
      picture="$dir/${name%.*}_emf.png"
      { emf2svg-conv -i "$file" -o "$dir/.emf.svg" && rsvg-convert -b white -o "$picture" "$dir/.emf.svg"; } \
        >/dev/null 2>&1 || fail "$name: emf2svg cannot play it"
      ;;
    svg | eps | pdf)
      picture="$dir/${name%.*}_$ext.png"
      case "$ext" in
        svg) rsvg-convert -b white -o "$picture" "$file" ;;
        eps) gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r96 -dEPSCrop -sOutputFile="$picture" "$file" ;;
        pdf) gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r96 -sOutputFile="$picture" "$file" ;;
      esac >/dev/null 2>&1 && ok "$name: rendered" || fail "$name: the renderer refuses it"
      ;;
    *)
      picture=""
      ;;
  esac
  if [ "$expect" != "-" ] && [ -n "$picture" ]; then
    decodes_to "$picture" "$expect" && ok "$name: decodes to \"$expect\"" || fail "$name: does not decode to \"$expect\""
  fi
done < <(tr -d '\r' <"$dir/files.txt")

for script in script.png script_vertical.png; do
  [ -f "$dir/$script" ] || continue
  decodes_to "$dir/$script" "SCRIPT-128" && ok "$script decodes" || fail "$script does not decode"
done

if [ "$failures" -eq 0 ]; then
  echo "file checks: all passed"
  exit 0
fi
echo "file checks: $failures failed"
exit 1
