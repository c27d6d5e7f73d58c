#pragma once
// Vector files of a drawing: SVG, EPS and PDF, written by hand so that they stay small and the
// same drawing always gives the same bytes (no dates, no generated names). Bars are filled
// rectangles, one per bar; captions are real text in the caption font. Each appends the document
// to out, a buffer the caller keeps and may reuse. An empty drawing raises EImageEncodeError.

#include <string>

#include "../layout/drawing.h"
#include "file_formats.h"

namespace brevix {

// width and height in millimetres, the viewBox in modules.
void WriteSvg(const TDrawing& drawing, std::string& out);
// The bounding box in points.
void WriteEps(const TDrawing& drawing, std::string& out);
// One page whose media box is the picture, in points.
void WritePdf(const TDrawing& drawing, std::string& out);
// The writer of format, which must be a vector format of the table of formats.
void WriteVectorFile(TFileFormat format, const TDrawing& drawing, std::string& out);

}  // namespace brevix
