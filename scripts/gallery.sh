#!/usr/bin/env bash
# Renders the catalogue sample of every symbology to PNG with the command-line tool and writes an
# index.html that shows them side by side with their names and texts.
# Usage: gallery.sh BREVIX_BINARY OUTDIR
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
  .refused { color: #b00; }
</style>
</head>
<body>
<h1>Brevix symbologies</h1>
<p>Each catalogue sample as the control draws it (both captions shown), completed with its check characters.</p>
<main>
HEAD

made=0
refused=0
# --list: number, identifier, catalogue name and sample in fixed columns.
while IFS= read -r line; do
  number="$(trim "${line:0:2}")"
  id="$(trim "${line:4:24}")"
  name="$(trim "${line:29:24}")"
  sample="${line:54}"
  # A symbology without a sample still gets a picture, from digits every such code takes.
  [ -n "$sample" ] || sample="1234567"
  text="$("$brevix" "$id" "$sample" - 2>/dev/null | sed -n 's/^text:    //p' || true)"
  size=(-H 110)
  [ "$id" = csCodePDF417 ] && size=(-W 300 -H 110)
  if message="$("$brevix" --display both "${size[@]}" "$id" "$sample" "$out/$id.png" 2>&1)"; then
    picture="<img src=\"$id.png\" alt=\"$(escape "$name")\">"
    made=$((made + 1))
  else
    picture="<p class=\"refused\">$(escape "$message")</p>"
    refused=$((refused + 1))
  fi
  cat >>"$html" <<FIGURE
<figure>
  $picture
  <figcaption><b>$number. $(escape "$name")</b> <code>$(escape "$id")</code><br>
  sample <code>$(escape "$sample")</code>, drawn as <code>$(escape "$text")</code></figcaption>
</figure>
FIGURE
done < <("$brevix" --list)

cat >>"$html" <<'TAIL'
</main>
</body>
</html>
TAIL
echo "gallery: $made pictures, $refused refused, in $out/index.html"
