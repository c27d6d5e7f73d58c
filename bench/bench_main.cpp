// Speed per barcode, ours against libzint at the same image size: encode only; encode and paint
// into a raster bitmap; encode, paint and write a PNG file; the same file in module mode (text to
// symbol, layout, raster, PNG: the tool's default picture). libpng alone writing the same bitmap
// is the floor for the PNG step. After the runs a table gives the medians and the throughput
// ratios of this one run (medians move between runs; ratios from one run are what counts).

#include <benchmark/benchmark.h>
#include <zint.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_rows.h"
#include "bench/our_side.h"
#include "bench/paired.h"
#include "bench/png_floor.h"
#include "bench/zint_side.h"

namespace brevix::bench {

const std::array<TBenchRow, 6>& BenchRows() {
  static const std::array<TBenchRow, 6> rows = {{
      {"EAN-13+caption", csCodeEAN13, "9771210107001", BARCODE_EANX, true, 0},
      {"Code 128", csCode128, "Brevix-128 bench 0123", BARCODE_CODE128, false, 0},
      {"2of5 interleaved", csCode_2_5_interleaved, "0123456789", BARCODE_C25INTER, false, 0},
      {"Code 39", csCode39, "BREVIX-39", BARCODE_CODE39, false, 0},
      {"PDF417 100", csCodePDF417, PDF417Text(100), BARCODE_PDF417, false, 10},
      {"PDF417 1000", csCodePDF417, PDF417Text(1000), BARCODE_PDF417, false, 10},
  }};
  return rows;
}

namespace {

namespace fs = std::filesystem;

// New file names in a scratch folder on a memory file system, both sides alike: overwriting a
// file costs more than creating one, and a disk would time the disk. The files are removed in
// batches with the clock stopped.
class TFileNames {
 public:
  TFileNames() {
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "brevix-bench.XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create " + pattern);
    FFolder = pattern;
  }
  ~TFileNames() {
    std::error_code ec;
    fs::remove_all(FFolder, ec);
  }
  TFileNames(const TFileNames&) = delete;
  TFileNames& operator=(const TFileNames&) = delete;

  std::string Next(const char* prefix) {
    return (FFolder / (prefix + std::to_string(FCounter++) + ".png")).string();
  }
  // Called every iteration; clears the folder now and then outside the timing.
  void MaybeClear(benchmark::State& state) {
    if (++FSinceClear < kBatch) return;
    state.PauseTiming();
    Clear();
    state.ResumeTiming();
  }
  void Clear() {
    for (const auto& entry : fs::directory_iterator(FFolder)) fs::remove(entry.path());
    FSinceClear = 0;
  }

 private:
  static constexpr int kBatch = 512;
  fs::path FFolder;
  long long FCounter = 0;
  int FSinceClear = 0;
};

TFileNames& Files() {
  static TFileNames files;
  return files;
}

enum TStage { kEncode, kRaster, kPng, kFloor, kPaletteFloor, kMemoryFloor, kModulePng };
constexpr const char* kStageNames[] = {
    "encode",           "encode+raster",        "encode+raster+PNG",
    "libpng RGB floor", "libpng palette floor", "memory floor",
    "module mode PNG"};

std::string BenchName(const TBenchRow& row, TStage stage, const char* side) {
  return std::string(side) + "/" + kStageNames[stage] + "/" + row.Name;
}

// Our side of every row, in the order of BenchRows, for the paired runs after the benchmarks.
std::vector<std::shared_ptr<TOurSide>>& OurSides() {
  static std::vector<std::shared_ptr<TOurSide>> sides;
  return sides;
}

void RegisterRow(const TBenchRow& row) {
  const TZintSize size = ZintImageSize(row);
  auto ours = std::make_shared<TOurSide>(row, size.Width, size.Height);
  OurSides().push_back(ours);

  benchmark::RegisterBenchmark(BenchName(row, kEncode, "ours").c_str(),
                               [ours](benchmark::State& state) {
                                 for (auto _ : state) benchmark::DoNotOptimize(ours->Encode());
                               });
  benchmark::RegisterBenchmark(BenchName(row, kEncode, "zint").c_str(),
                               [&row](benchmark::State& state) {
                                 for (auto _ : state) benchmark::DoNotOptimize(ZintEncode(row));
                               });
  benchmark::RegisterBenchmark(BenchName(row, kRaster, "ours").c_str(),
                               [ours](benchmark::State& state) {
                                 for (auto _ : state) {
                                   ours->Paint();
                                   benchmark::ClobberMemory();
                                 }
                               });
  benchmark::RegisterBenchmark(BenchName(row, kRaster, "zint").c_str(),
                               [&row](benchmark::State& state) {
                                 for (auto _ : state) benchmark::DoNotOptimize(ZintRaster(row));
                               });
#if BREVIX_BENCH_HAVE_EXPORT
  benchmark::RegisterBenchmark(BenchName(row, kPng, "ours").c_str(),
                               [ours](benchmark::State& state) {
                                 for (auto _ : state) {
                                   ours->PaintToPng(Files().Next("b"));
                                   Files().MaybeClear(state);
                                 }
                               });
#endif
#if BREVIX_BENCH_HAVE_MODULE_MODE
  // Encode, layout, raster and PNG in module mode; its peer is zint's PNG row.
  benchmark::RegisterBenchmark(BenchName(row, kModulePng, "ours").c_str(),
                               [ours](benchmark::State& state) {
                                 for (auto _ : state) {
                                   ours->ModuleModeToPng(Files().Next("m"));
                                   Files().MaybeClear(state);
                                 }
                               });
#endif
  benchmark::RegisterBenchmark(BenchName(row, kPng, "zint").c_str(),
                               [&row](benchmark::State& state) {
                                 for (auto _ : state) {
                                   ZintPng(row, Files().Next("z"));
                                   Files().MaybeClear(state);
                                 }
                               });
  // Writing every byte of the picture once (one row set, copied down): no painter of an RGB
  // picture of this size can be faster.
  benchmark::RegisterBenchmark(
      BenchName(row, kMemoryFloor, "memory").c_str(), [size](benchmark::State& state) {
        const std::size_t stride = static_cast<std::size_t>(size.Width) * 3;
        std::vector<unsigned char> rgb(stride * static_cast<std::size_t>(size.Height));
        for (auto _ : state) {
          std::memset(rgb.data(), 255, stride);
          for (std::size_t at = stride; at < rgb.size(); at += stride)
            std::memcpy(rgb.data() + at, rgb.data(), stride);
          benchmark::ClobberMemory();
        }
      });
  benchmark::RegisterBenchmark(BenchName(row, kFloor, "libpng").c_str(),
                               [ours](benchmark::State& state) {
                                 ours->Paint();
                                 for (auto _ : state) {
                                   WritePngWithLibpng(ours->Bitmap(), Files().Next("f"));
                                   Files().MaybeClear(state);
                                 }
                               });
  benchmark::RegisterBenchmark(BenchName(row, kPaletteFloor, "libpng").c_str(),
                               [ours](benchmark::State& state) {
                                 ours->Paint();
                                 const TGifImage image = GifImageFromBitmap(ours->Bitmap());
                                 for (auto _ : state) {
                                   WritePalettePngWithLibpng(image, Files().Next("p"));
                                   Files().MaybeClear(state);
                                 }
                               });
}

// Keeps the console output and remembers the median CPU time (us) of every benchmark.
class TTableReporter : public benchmark::ConsoleReporter {
 public:
  TTableReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const double us = run.GetAdjustedCPUTime() *
                        benchmark::GetTimeUnitMultiplier(benchmark::kMicrosecond) /
                        benchmark::GetTimeUnitMultiplier(run.time_unit);
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
        FMedian[run.run_name.str()] = us;
      else if (run.run_type == Run::RT_Iteration && run.repetitions <= 1)
        FMedian.try_emplace(run.run_name.str(), us);
    }
  }
  double Median(const std::string& name) const {
    const auto it = FMedian.find(name);
    return it == FMedian.end() ? 0.0 : it->second;
  }

 private:
  std::map<std::string, double> FMedian;
};

void PrintTable(const TTableReporter& r) {
  std::printf(
      "\nMedian CPU time per barcode in microseconds (one run). ours/zint: our time over zint's,"
      " below 1 means we are faster; speed-up: zint's time over ours, the goal's measure\n");
  std::printf("%-18s %-18s %10s %10s %10s %9s %6s\n", "row", "stage", "ours us", "zint us",
              "ours/zint", "speed-up", "goal");
  for (const TBenchRow& row : BenchRows()) {
    const TStage stages[] = {kEncode, kRaster, kPng, kModulePng};
    const char* goals[] = {"", "2.0", "1.5", "1.5"};
    for (int i = 0; i < 4; ++i) {
      const double ours = r.Median(BenchName(row, stages[i], "ours"));
      const double zint =
          r.Median(BenchName(row, stages[i] == kModulePng ? kPng : stages[i], "zint"));
      if (ours <= 0 || zint <= 0) continue;
      const double ratio = zint / ours;
      const bool met = goals[i][0] == 0 || ratio >= std::atof(goals[i]);
      std::printf("%-18s %-18s %10.2f %10.2f %10.2f %8.2fx %6s%s\n", row.Name,
                  kStageNames[stages[i]], ours, zint, ours / zint, ratio, goals[i],
                  met ? "" : "  (below goal)");
    }
  }
  std::printf(
      "\nencode+raster against the memory floor (writing each byte of the same RGB picture once):"
      " the best speed-up any painter of that picture could reach is zint's time over the floor\n");
  std::printf("%-18s %10s %10s %10s %14s\n", "row", "ours us", "zint us", "floor us",
              "best speed-up");
  for (const TBenchRow& row : BenchRows()) {
    const double ours = r.Median(BenchName(row, kRaster, "ours"));
    const double zint = r.Median(BenchName(row, kRaster, "zint"));
    const double floor = r.Median(BenchName(row, kMemoryFloor, "memory"));
    if (ours <= 0 || zint <= 0 || floor <= 0) continue;
    std::printf("%-18s %10.2f %10.2f %10.2f %13.2fx\n", row.Name, ours, zint, floor, zint / floor);
  }
  std::printf(
      "\nPNG step alone (encode+raster+PNG minus encode+raster) against libpng alone writing the"
      " same bitmap: as RGB with its defaults, and as the palette picture our writer stores"
      " (goal: at most 1.5x the floor)\n");
  std::printf("%-18s %10s %10s %8s %10s %8s\n", "row", "ours us", "RGB us", "ours/RGB",
              "palette us", "ours/pal");
  for (const TBenchRow& row : BenchRows()) {
    const double png = r.Median(BenchName(row, kPng, "ours"));
    const double raster = r.Median(BenchName(row, kRaster, "ours"));
    const double rgb = r.Median(BenchName(row, kFloor, "libpng"));
    const double palette = r.Median(BenchName(row, kPaletteFloor, "libpng"));
    if (png <= 0 || raster <= 0 || rgb <= 0 || palette <= 0) continue;
    const double step = png - raster;
    std::printf("%-18s %10.2f %10.2f %7.2fx %10.2f %7.2fx%s\n", row.Name, step, rgb, step / rgb,
                palette, step / palette, step <= 1.5 * palette ? "" : "  (above goal)");
  }
}

// The goal's measure again, each ratio taken in pairs of short alternating batches (see
// paired.h): steadier than the ratio of the two medians above when the machine's speed drifts.
void PrintPairedTable() {
  constexpr int kRounds = 61;
  constexpr double kBatchSeconds = 0.005;
  std::printf(
      "\nSpeed-up measured in pairs (zint's time over ours; median and quartiles of %d rounds of"
      " alternating batches)\n",
      kRounds);
  std::printf("%-18s %-18s %9s %16s %6s\n", "row", "stage", "speed-up", "quartiles", "goal");
  const auto& rows = BenchRows();
  for (std::size_t k = 0; k < rows.size() && k < OurSides().size(); ++k) {
    const TBenchRow& row = rows[k];
    TOurSide& ours = *OurSides()[k];
    struct TStageRun {
      TStage Stage;
      const char* Goal;
      std::function<void()> Ours, Zint, Idle;
    };
    const TStageRun stages[] = {
      {kEncode,
       "",
       [&] { benchmark::DoNotOptimize(ours.Encode()); },
       [&] { benchmark::DoNotOptimize(ZintEncode(row)); },
       {}},
      {kRaster,
       "2.0",
       [&] {
         ours.Paint();
         benchmark::ClobberMemory();
       },
       [&] { benchmark::DoNotOptimize(ZintRaster(row)); },
       {}},
#if BREVIX_BENCH_HAVE_EXPORT
      {kPng, "1.5", [&] { ours.PaintToPng(Files().Next("b")); },
       [&] { ZintPng(row, Files().Next("z")); }, [] { Files().Clear(); }},
#endif
#if BREVIX_BENCH_HAVE_MODULE_MODE
      {kModulePng, "1.5", [&] { ours.ModuleModeToPng(Files().Next("m")); },
       [&] { ZintPng(row, Files().Next("z")); }, [] { Files().Clear(); }},
#endif
    };
    for (const TStageRun& run : stages) {
      const TPairedSpeedUp r = PairedSpeedUp(run.Ours, run.Zint, kRounds, kBatchSeconds, run.Idle);
      const bool met = run.Goal[0] == 0 || r.Median >= std::atof(run.Goal);
      std::printf("%-18s %-18s %8.2fx %7.2fx-%6.2fx %6s%s\n", row.Name, kStageNames[run.Stage],
                  r.Median, r.Low, r.High, run.Goal, met ? "" : "  (below goal)");
    }
  }
}

}  // namespace
}  // namespace brevix::bench

// Besides Google Benchmark's flags: --paired=no skips the paired table, --paired=only runs just
// that table (the quick way to compare two builds).
int main(int argc, char** argv) {
  using namespace brevix::bench;
  std::string paired = "yes";
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--paired=", 0) == 0)
      paired = arg.substr(9);
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  if (paired != "yes" && paired != "no" && paired != "only") {
    std::fprintf(stderr, "--paired takes yes, no or only\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  for (const TBenchRow& row : BenchRows()) RegisterRow(row);
  if (paired != "only") {
    TTableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintTable(reporter);
  }
  if (paired != "no") PrintPairedTable();
  benchmark::Shutdown();
  return 0;
}
