#pragma once
// A scratch directory of the fuzz target's own, emptied before each input and removed at exit:
// the targets that write files write them only there.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace brevix::fuzz {

class TScratchDir {
 public:
  TScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "brevix-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    FPath = pattern;
  }
  ~TScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TScratchDir(const TScratchDir&) = delete;
  TScratchDir& operator=(const TScratchDir&) = delete;

  const std::string& Path() const { return FPath; }
  std::string File(const std::string& name) const { return FPath + "/" + name; }
  void Empty() const {
    for (const auto& entry : std::filesystem::directory_iterator(FPath))
      std::filesystem::remove_all(entry.path());
  }
  // Whether a temporary file of the writer is left anywhere inside.
  bool HoldsTemporaries() const {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(FPath)) {
      if (entry.path().filename().string().starts_with(".brevix-")) return true;
    }
    return false;
  }

 private:
  std::string FPath;
};

}  // namespace brevix::fuzz
