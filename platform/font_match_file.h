#pragma once
// The installed faces fontconfig picked for font names, kept in a small file between processes:
// loading fontconfig's configuration costs a few milliseconds, several times the whole work of a
// command-line call that draws a caption. A file is trusted only while nothing that could change
// fontconfig's choice has changed: the configuration files, the font folders, the chosen font
// files and the environment fontconfig reads. Anything else (a missing, stale, truncated or
// malformed file) reads as empty, and fontconfig is asked again.

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace brevix {

struct TFontRequest {
  std::string Name;
  bool Bold = false;
  bool Italic = false;
  auto operator<=>(const TFontRequest&) const = default;
};

struct TFontMatch {
  std::string File;
  int Index = 0;
  bool Embolden = false;
  bool operator==(const TFontMatch&) const = default;
};

// What stat says of a path; a missing path is a state of its own.
struct TFileStamp {
  bool Exists = false;
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::int64_t Size = 0;
  std::int64_t Modified = 0;  // nanoseconds
  std::int64_t Changed = 0;   // nanoseconds
  bool operator==(const TFileStamp&) const = default;
};
TFileStamp StampOf(const std::string& path);

// The bytes of a regular file of at most maxBytes; nullopt for anything else (missing, larger,
// not a regular file, unreadable). Never blocks on a FIFO put in the file's place.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes);
// Writes data beside path and renames it over path, so that a reader sees the old file or the new
// one whole. Failures leave nothing behind and are not reported: the files kept here are
// shortcuts.
void ReplaceFile(const std::string& path, std::string_view data);

// Not thread-safe: its owner locks.
class TFontMatchFile {
 public:
  // Keeps the matches in path; an empty path keeps nothing.
  explicit TFontMatchFile(std::string path) : FPath(std::move(path)) {}
  // The watched paths point into its own text.
  TFontMatchFile(const TFontMatchFile&) = delete;
  TFontMatchFile& operator=(const TFontMatchFile&) = delete;

  // $XDG_CACHE_HOME/brevix/font-matches (or under ~/.cache); empty when neither is set.
  static std::string DefaultPath();

  // The match the file holds for request, when the file is sound and still current. The file is
  // read on the first call only.
  std::optional<TFontMatch> Find(const TFontRequest& request);

  // Records a match fontconfig made, with the paths whose change could change it (the match's
  // own file is added), and rewrites the file, atomically. Failures to write are ignored: the
  // file is only a shortcut. Keeps at most kMaxMatches matches.
  void Add(const TFontRequest& request, const TFontMatch& match,
           const std::vector<std::string>& watched);

  // The stamp a watched path had when the file was checked or a match was added; nullopt for a
  // path not watched.
  std::optional<TFileStamp> Stamp(const std::string& path);

  // What fontconfig's choices depend on besides its files: its version and the environment.
  static std::string Environment();

  static constexpr std::size_t kMaxMatches = 64;

 private:
  struct TWatched {
    std::string_view Path;  // into FData or FAddedPaths
    TFileStamp Stamp;
  };

  void Load();
  static const TWatched* FindWatched(const std::vector<TWatched>& watched, std::string_view path);
  void Watch(const std::string& path, const TFileStamp& stamp);

  std::string FPath;
  bool FLoaded = false;
  std::string FData;  // the file as read, its watched paths decoded in place
  std::deque<std::string> FAddedPaths;
  std::map<TFontRequest, TFontMatch> FMatches;
  std::vector<TWatched> FWatched;  // in the order of their paths
};

}  // namespace brevix
