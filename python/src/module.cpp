// brevix._brevix: the C++ facade (api/barcode.h) for Python. The Python package (brevix/) wraps
// these functions with keyword arguments, colour parsing and the documented signatures.
//
// Every call that draws or encodes releases the GIL, so that Python threads render in parallel;
// each thread keeps its own renderer (buffers, PNG compressor) from one call to the next.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <cstring>
#include <exception>
#include <string>
#include <variant>

#include "api/barcode.h"

namespace py = pybind11;
namespace bx = brevix::api;

namespace {

bx::Renderer& ThreadRenderer() {
  thread_local bx::Renderer renderer;
  return renderer;
}

const char* CodeName(bx::ErrorCode code) {
  switch (code) {
    case bx::ErrorCode::Text:
      return "text";
    case bx::ErrorCode::Symbology:
      return "symbology";
    case bx::ErrorCode::Option:
      return "option";
    case bx::ErrorCode::Format:
      return "format";
    case bx::ErrorCode::Size:
      return "size";
    case bx::ErrorCode::Write:
      return "write";
    case bx::ErrorCode::Memory:
      return "memory";
  }
  return "error";
}

bx::Symbology SymbologyOf(const std::variant<int, std::string>& s) {
  if (const int* value = std::get_if<int>(&s)) return bx::Symbology::FromValue(*value);
  return bx::Symbology::FromName(std::get<std::string>(s));
}

bx::Color ColorOf(const std::tuple<int, int, int>& c) {
  const auto byte = [](int v) {
    if (v < 0 || v > 255) throw bx::Error(bx::ErrorCode::Option, "colour components are 0..255");
    return static_cast<std::uint8_t>(v);
  };
  return {byte(std::get<0>(c)), byte(std::get<1>(c)), byte(std::get<2>(c))};
}

bx::Format FormatOf(const std::string& name) {
  const auto f = bx::FormatOf(name);
  if (!f)
    throw bx::Error(bx::ErrorCode::Format,
                    "unknown format \"" + name + "\" (bmp, gif, png, tif, jpg, svg, eps or pdf)");
  return *f;
}

// A drawing function taking the symbol, the arguments Extra and the drawing options as keyword
// arguments (BREVIX_RENDER_ARGS), which calls body(symbol, extra..., options).
template <class... Extra, class F>
auto WithRenderOptions(F body) {
  return [body](const bx::Symbol& symbol, Extra... extra, int module, double xdimMm, int dpi,
                bool quietZones, int margin, int heightModules, double heightMm, bool showText,
                int angle, const std::tuple<int, int, int>& foreground,
                const std::tuple<int, int, int>& background, bool transparent) {
    bx::RenderOptions o;
    o.ModulePixels = module;
    o.XDimensionMm = xdimMm;
    o.Dpi = dpi;
    o.QuietZones = quietZones;
    o.Margin = margin;
    o.HeightModules = heightModules;
    o.HeightMm = heightMm;
    o.ShowText = showText;
    o.Angle = angle;
    o.Foreground = ColorOf(foreground);
    o.Background = ColorOf(background);
    o.Transparent = transparent;
    return body(symbol, extra..., o);
  };
}

#define BREVIX_RENDER_ARGS                                                             \
  py::arg("module") = 2, py::arg("xdim_mm") = 0.0, py::arg("dpi") = 96,                \
  py::arg("quiet_zones") = true, py::arg("margin") = 0, py::arg("height_modules") = 0, \
  py::arg("height_mm") = 0.0, py::arg("show_text") = true, py::arg("angle") = 0,       \
  py::arg("foreground") = std::tuple<int, int, int>(0, 0, 0),                          \
  py::arg("background") = std::tuple<int, int, int>(255, 255, 255), py::arg("transparent") = false

}  // namespace

PYBIND11_MODULE(_brevix, m) {
  m.doc() = "The C++ core of the brevix package; use the functions of brevix itself.";

  // api::Error becomes brevix.BarcodeError(message, position, code, result).
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const bx::Error& e) {
      const py::object cls = py::module_::import("brevix._errors").attr("BarcodeError");
      const py::object error =
          cls(e.what(), e.Position(), CodeName(e.Code()), static_cast<int>(e.Result()));
      PyErr_SetObject(cls.ptr(), error.ptr());
    }
  });

  py::class_<bx::Symbol>(m, "Symbol", "An encoded barcode: its modules and the text encoded.")
      .def_property_readonly(
          "symbology", [](const bx::Symbol& s) { return std::string(s.Type.Identifier()); },
          "The symbology's identifier, e.g. 'csCodeEAN13'.")
      .def_property_readonly(
          "name", [](const bx::Symbol& s) { return std::string(s.Type.Name()); },
          "The symbology's catalogue name, e.g. 'EAN 13'.")
      .def_property_readonly(
          "text", [](const bx::Symbol& s) { return s.Text; },
          "The text encoded, check characters completed.")
      .def_property_readonly("width", &bx::Symbol::Width, "Modules across, without quiet zones.")
      .def_property_readonly("height", &bx::Symbol::Height, "Modules down, bars only.")
      .def_property_readonly(
          "rows", [](const bx::Symbol& s) { return s.Modules.Rows; },
          "The rows of modules, '1' dark and '0' light.")
      .def("__repr__", [](const bx::Symbol& s) {
        return "<brevix.Symbol " + std::string(s.Type.Identifier()) + " '" + s.Text + "' " +
               std::to_string(s.Width()) + "x" + std::to_string(s.Height()) + " modules>";
      });

  m.def(
      "symbologies",
      [] {
        py::list out;
        for (const bx::Symbology s : bx::Symbology::All())
          out.append(py::make_tuple(s.Value(), std::string(s.Identifier()), std::string(s.Name()),
                                    s.Sample()));
        return out;
      },
      "(value, identifier, name, sample) of every symbology.");

  m.def(
      "symbology_value",
      [](const std::variant<int, std::string>& symbology) {
        return SymbologyOf(symbology).Value();
      },
      py::arg("symbology"), "The value of a symbology named as encode takes it.");

  m.def(
      "encode",
      [](const std::variant<int, std::string>& symbology, const py::object& text, bool complete,
         int codepage, const std::string& pdf417Mode, int pdf417Level, int pdf417Columns,
         int pdf417Rows, bool pdf417Truncated, const std::string& qrLevel, int qrVersion,
         int qrMask, const std::string& dmShape, const std::tuple<int, int>& dmSize, bool gs1) {
        bx::EncodeOptions o;
        std::string data;
        if (py::isinstance<py::bytes>(text)) {
          data = text.cast<std::string>();
          o.CodePage = 0;  // bytes go as they are
        } else {
          data = text.cast<std::string>();  // UTF-8
          o.CodePage = codepage;
        }
        o.CompleteCheckDigits = complete;
        if (pdf417Mode == "alphanumeric")
          o.Pdf417.Mode = bx::Pdf417Mode::Alphanumeric;
        else if (pdf417Mode == "binary")
          o.Pdf417.Mode = bx::Pdf417Mode::Binary;
        else if (pdf417Mode == "numeric")
          o.Pdf417.Mode = bx::Pdf417Mode::Numeric;
        else
          throw bx::Error(bx::ErrorCode::Option,
                          "pdf417_mode \"" + pdf417Mode + "\": alphanumeric, binary or numeric");
        o.Pdf417.Level = pdf417Level;
        o.Pdf417.Columns = pdf417Columns;
        o.Pdf417.Rows = pdf417Rows;
        o.Pdf417.Truncated = pdf417Truncated;
        static const std::array<std::string, 4> kLevels{"L", "M", "Q", "H"};
        const auto level = std::find(kLevels.begin(), kLevels.end(), qrLevel);
        if (level == kLevels.end())
          throw bx::Error(bx::ErrorCode::Option, "qr_level \"" + qrLevel + "\": L, M, Q or H");
        o.Qr.Level = static_cast<bx::QrLevel>(level - kLevels.begin());
        o.Qr.MinVersion = qrVersion;
        o.Qr.Mask = qrMask;
        if (dmShape == "square")
          o.DataMatrix.Shape = bx::DataMatrixShape::Square;
        else if (dmShape == "rect")
          o.DataMatrix.Shape = bx::DataMatrixShape::Rectangle;
        else if (dmShape == "auto")
          o.DataMatrix.Shape = bx::DataMatrixShape::Auto;
        else
          throw bx::Error(bx::ErrorCode::Option,
                          "dm_shape \"" + dmShape + "\": square, rect or auto");
        o.DataMatrix.Rows = std::get<0>(dmSize);
        o.DataMatrix.Columns = std::get<1>(dmSize);
        o.Gs1 = gs1;
        const bx::Symbology type = SymbologyOf(symbology);
        py::gil_scoped_release release;
        return bx::Encode(type, data, o);
      },
      py::arg("symbology"), py::arg("text"), py::arg("complete") = false,
      py::arg("codepage") = 1252, py::arg("pdf417_mode") = "alphanumeric",
      py::arg("pdf417_level") = -1, py::arg("pdf417_columns") = 10, py::arg("pdf417_rows") = 0,
      py::arg("pdf417_truncated") = false, py::arg("qr_level") = "M", py::arg("qr_version") = 0,
      py::arg("qr_mask") = -1, py::arg("dm_shape") = "square",
      py::arg("dm_size") = std::tuple<int, int>{0, 0}, py::arg("gs1") = false);

  m.def("to_bytes",
        WithRenderOptions<const std::string&>(
            [](const bx::Symbol& symbol, const std::string& format, const bx::RenderOptions& o) {
              const bx::Format f = FormatOf(format);
              std::span<const std::uint8_t> bytes;
              {
                py::gil_scoped_release release;
                bytes = ThreadRenderer().Encode(symbol, f, o);
              }
              // The view stays valid: only this thread uses its renderer.
              return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            }),
        py::arg("symbol"), py::arg("format"), BREVIX_RENDER_ARGS);

  m.def("render", WithRenderOptions<>([](const bx::Symbol& symbol, const bx::RenderOptions& o) {
          bx::Image image;
          {
            py::gil_scoped_release release;
            image = ThreadRenderer().Render(symbol, o);
          }
          py::array_t<std::uint8_t> pixels({static_cast<py::ssize_t>(image.Height),
                                            static_cast<py::ssize_t>(image.Width),
                                            static_cast<py::ssize_t>(image.Channels)});
          std::memcpy(pixels.mutable_data(), image.Pixels.data(), image.Pixels.size());
          return pixels;
        }),
        py::arg("symbol"), BREVIX_RENDER_ARGS);

  m.def("write",
        WithRenderOptions<const std::string&>(
            [](const bx::Symbol& symbol, const std::string& path, const bx::RenderOptions& o) {
              py::gil_scoped_release release;
              ThreadRenderer().Write(symbol, path, o);
            }),
        py::arg("symbol"), py::arg("path"), BREVIX_RENDER_ARGS);

  // The benchmark's peer (bench/python_bench.py): what brevix.png does for each text, looped in
  // C++ with the default options. Returns the seconds taken.
  m.def(
      "_loop_png",
      [](const std::string& symbology, const std::vector<std::string>& texts, int rounds) {
        const bx::Symbology type = bx::Symbology::FromName(symbology);
        py::gil_scoped_release release;
        bx::Renderer& renderer = ThreadRenderer();
        std::size_t total = 0;
        const auto start = std::chrono::steady_clock::now();
        for (int r = 0; r < rounds; ++r)
          for (const std::string& text : texts)
            total += renderer.Encode(bx::Encode(type, text), bx::Format::Png).size();
        const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
        return total > 0 ? taken.count() : 0.0;
      },
      py::arg("symbology"), py::arg("texts"), py::arg("rounds"));
}
