#!/usr/bin/env bash
# Renders the catalogue sample of every symbology to PNG with the command-line tool, as it draws
# by default (module mode: 2 pixels per module, the standard quiet zones), reads each picture back
# with ZXingReader and zbarimg exactly as written, and writes an index.html that shows them side
# by side with their names, texts and what each decoder read.
# Usage: gallery.sh BREVIX_BINARY OUTDIR
# Exits with 1 when a decoder that reads a symbology did not read its picture.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 BREVIX_BINARY OUTDIR" >&2
  exit 2
fi
brevix="$1"
out="$2"
mkdir -p "$out"

escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g' <<<"$1"; }
trim() { sed -e 's/^ *//' -e 's/ *$//' <<<"$1"; }
have() { command -v "$1" >/dev/null 2>&1; }

# The symbologies a decoder here reads: ZXingReader all of them, zbarimg all but UPC-E with
# number system 1, PDF417 and Data Matrix.
zxing_reads=" csCode_2_5_interleaved csCodeITF csCodeOPC csCodeUPC_shipping csCode39
  csCode39Extended csCodePZN csCode93 csCode93Extended csCode128 csCodeEAN128 csCodeCodabar
  csCodeEAN13 csCodeJAN13 csCodeISBN csCodeISSN csCodeISMN csCodeEAN8 csCodeJAN8 csCodeUPC_A
  csCodeUPC_E0 csCodeUPC_E1 csCodePDF417 csCodeGS1_128 csCodeQRCode csCodeDataMatrix "
zbar_skips=" csCodeUPC_E1 csCodePDF417 csCodeDataMatrix "
in_list() { [[ " $(tr '\n' ' ' <<<"$2") " == *" $1 "* ]]; }

# What a decoder read from a picture, or nothing.
zxing_read() { ZXingReader -1 "$1" 2>/dev/null | sed -n 's/^[^ ]* \([^ ]*\) "\(.*\)"$/\1: \2/p' | head -1; }
zbar_read() { zbarimg -q "$1" 2>/dev/null | head -1 || true; }

html="$out/index.html"
cat >"$html" <<'HEAD'
<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Brevix symbologies</title>
<style>
  body { font-family: sans-serif; margin: 1.5em; background: #f4f4f4; }
  main { display: flex; flex-wrap: wrap; gap: 1em; }
  figure { margin: 0; padding: 0.8em; background: white; border: 1px solid #ccc; width: 330px; }
  figure img { display: block; margin: 0 auto 0.5em; max-width: 100%; image-rendering: pixelated; }
  figcaption { font-size: 0.9em; }
  code { background: #eee; padding: 0 0.2em; }
  .refused, .unread { color: #b00; }
  .read { color: #070; }
  .none { color: #666; }
</style>
</head>
<body>
<h1>Brevix symbologies</h1>
<p>Each catalogue sample as the tool draws it by default: 2 pixels per module, the symbology's
standard quiet zones, its conventional height, completed with its check characters. Each picture
is read back exactly as written (no border added) by ZXingReader and zbarimg where they read the
symbology.</p>
<main>
HEAD

made=0
refused=0
read=0
unread=0
# --list: number, identifier, catalogue name and sample in fixed columns.
while IFS= read -r line; do
  number="$(trim "${line:0:2}")"
  id="$(trim "${line:4:24}")"
  name="$(trim "${line:29:24}")"
  sample="${line:54}"
  # A symbology without a sample still gets a picture, from digits every such code takes.
  [ -n "$sample" ] || sample="1234567"
  text="$("$brevix" "$id" "$sample" - 2>/dev/null | sed -n 's/^text:    //p' || true)"
  decoded=""
  if message="$("$brevix" "$id" "$sample" "$out/$id.png" 2>&1)"; then
    picture="<img src=\"$id.png\" alt=\"$(escape "$name")\">"
    made=$((made + 1))
    results=()
    missed=0
    if in_list "$id" "$zxing_reads"; then
      if ! have ZXingReader; then
        results+=("<span class=\"none\">ZXingReader not installed</span>")
      elif got="$(zxing_read "$out/$id.png")" && [ -n "$got" ]; then
        results+=("<span class=\"read\">read by ZXingReader</span> <code>$(escape "$got")</code>")
      else
        results+=("<span class=\"unread\">not read by ZXingReader</span>")
        missed=1
      fi
      if in_list "$id" "$zbar_skips"; then
        :
      elif ! have zbarimg; then
        results+=("<span class=\"none\">zbarimg not installed</span>")
      elif got="$(zbar_read "$out/$id.png")" && [ -n "$got" ]; then
        results+=("<span class=\"read\">read by zbarimg</span> <code>$(escape "$got")</code>")
      else
        results+=("<span class=\"unread\">not read by zbarimg</span>")
        missed=1
      fi
      if [ "$missed" = 1 ]; then
        unread=$((unread + 1))
        echo "gallery: $id ($name) not read by every decoder that reads it" >&2
      else
        read=$((read + 1))
      fi
    else
      results+=("<span class=\"none\">not read: no decoder here reads $(escape "$name")</span>")
    fi
    decoded="$(printf '%s<br>' "${results[@]}")"
  else
    picture="<p class=\"refused\">$(escape "$message")</p>"
    refused=$((refused + 1))
  fi
  cat >>"$html" <<FIGURE
<figure>
  $picture
  <figcaption><b>$number. $(escape "$name")</b> <code>$(escape "$id")</code><br>
  sample <code>$(escape "$sample")</code>, drawn as <code>$(escape "$text")</code><br>
  $decoded</figcaption>
</figure>
FIGURE
done < <("$brevix" --list)

cat >>"$html" <<'TAIL'
</main>
</body>
</html>
TAIL
echo "gallery: $made pictures, $refused refused; $read read by every decoder that reads" \
  "them, $unread not; in $out/index.html"
[ "$unread" = 0 ]
