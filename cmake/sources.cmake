# The sources of each library layer, bottom-up. The Linux build (CMakeLists.txt) and the Windows
# build (activex/CMakeLists.txt) both take their sources from these lists. BREVIX_<LAYER>_SOURCES
# build on both platforms; BREVIX_<LAYER>_LINUX_SOURCES talk to Linux-only libraries (FreeType,
# fontconfig, the image libraries), for which GDI and WIC stand in on Windows.
#
#   core         vocabulary: types, descriptor rows, check digits, validation, patterns
#   platform     graphics types, canvases, bitmaps, the custom-control base
#   encoders     text to pattern, one encoder per symbology          -> core
#   pdf417       text to PDF417 rows                                 -> core
#   symbol       the symbol model and its quiet zones                -> core
#   encode       text to symbol                                      -> symbol encoders pdf417 core
#   layout       to a drawing, in two modes:                         -> symbol core platform
#                  module mode: symbol to whole modules with quiet zones
#                  box mode: the control's state to its picture in device pixels
#   imagewriters bitmaps to image files                              -> platform
#   output       drawing to raster and vector files, and onto any    -> layout imagewriters platform
#                canvas (raster, metafile, GDI)
#   api          the C++ facade: text to pictures and file bytes     -> encode output layout symbol
#   control      the barcode control; its painting runs              -> every layer above
#                state -> box or module layout -> drawing -> canvas
set(BREVIX_LAYER_NAMES core platform encoders pdf417 symbol encode layout imagewriters output api
  control)

get_filename_component(BREVIX_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

set(BREVIX_CORE_SOURCES core/catalogue.cpp core/check_digits.cpp core/gs1.cpp core/pattern.cpp
  core/validation.cpp)
set(BREVIX_PLATFORM_SOURCES platform/clipboard.cpp platform/codepage.cpp platform/control.cpp
  platform/graphics.cpp platform/recording_canvas.cpp)
set(BREVIX_PLATFORM_LINUX_SOURCES platform/font_match_file.cpp platform/glyph_store.cpp
  platform/metafile_canvas.cpp platform/raster_canvas.cpp)
set(BREVIX_ENCODERS_SOURCES encoders/code128.cpp encoders/code39_93.cpp encoders/datamatrix.cpp
  encoders/dispatch.cpp
  encoders/ean_upc.cpp encoders/gs1_128.cpp encoders/other_linear.cpp encoders/qrcode.cpp
  encoders/two_of_five.cpp)
set(BREVIX_PDF417_SOURCES pdf417/pdf417.cpp)
set(BREVIX_SYMBOL_SOURCES symbol/quiet_zones.cpp)
set(BREVIX_ENCODE_SOURCES encode/build_symbol.cpp encode/matrix_text.cpp)
set(BREVIX_LAYOUT_SOURCES layout/box_layout.cpp layout/module_layout.cpp layout/physical_size.cpp
  layout/turn.cpp)
set(BREVIX_IMAGEWRITERS_SOURCES imagewriters/gif_image.cpp imagewriters/image_size.cpp)
set(BREVIX_IMAGEWRITERS_LINUX_SOURCES imagewriters/bmp_writer.cpp imagewriters/gif_writer.cpp imagewriters/image_file.cpp imagewriters/jpeg_writer.cpp
  imagewriters/png_writer.cpp imagewriters/row_deflate.cpp imagewriters/save_files.cpp imagewriters/tiff_writer.cpp)
set(BREVIX_OUTPUT_SOURCES output/canvas_paint.cpp output/eps_writer.cpp output/file_formats.cpp
  output/pdf_writer.cpp output/svg_writer.cpp output/vector_format.cpp)
set(BREVIX_OUTPUT_LINUX_SOURCES output/module_mode.cpp output/raster_output.cpp)
set(BREVIX_API_SOURCES)
set(BREVIX_API_LINUX_SOURCES api/barcode.cpp)
set(BREVIX_CONTROL_SOURCES core/captions.cpp core/control.cpp render/draw.cpp
  render/matrix_draw.cpp render/module_paint.cpp render/pdf417_draw.cpp render/rotate.cpp)
set(BREVIX_CONTROL_LINUX_SOURCES render/export.cpp)

# Absolute paths, so that a build rooted elsewhere (activex/) can use them as they are.
foreach(layer ${BREVIX_LAYER_NAMES})
  string(TOUPPER ${layer} LAYER)
  foreach(kind SOURCES LINUX_SOURCES)
    list(TRANSFORM BREVIX_${LAYER}_${kind} PREPEND "${BREVIX_SOURCE_ROOT}/")
  endforeach()
endforeach()
