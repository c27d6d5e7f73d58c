#pragma once
// A reader for the WMF and EMF files the metafile canvas writes, built from the record layouts:
// it checks the file's structure (headers, record sizes, counts, object table) and replays the
// drawing onto any canvas, so a metafile can be compared with the same drawing made directly.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/canvas.h"

namespace brevix::test {

struct TMetafileRecord {
  std::uint32_t Type = 0;  // WMF function or EMF record type
  std::vector<std::uint8_t> Params;
};

struct TParsedMetafile {
  bool Enhanced = false;
  std::string Error;  // first structural fault; empty for a sound file
  // Picture size in pixels: the placeable header's box at its units per inch, or the EMF frame at
  // 96 pixels per inch.
  int Width = 0;
  int Height = 0;
  int ObjectSlots = 0;  // WMF object count or EMF handle count from the header
  std::vector<TMetafileRecord> Records;
};

TParsedMetafile ParseMetafile(const std::vector<std::uint8_t>& bytes);
TParsedMetafile ParseMetafile(const std::string& bytes);

// Draws the records onto canvas: pens, brushes and fonts through its state, polygons, lines and
// text through its primitives (a clipped text line is drawn unclipped). Returns the first fault
// found while replaying (an unknown object, a record too short), empty when all went well.
std::string ReplayMetafile(const TParsedMetafile& file, TCanvas& canvas);

}  // namespace brevix::test
