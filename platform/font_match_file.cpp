#include "platform/font_match_file.h"

#include <errno.h>
#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace brevix {

namespace {

constexpr std::string_view kHeader = "brevix font matches 1";
// A sound file is a few kilobytes; anything far larger is not ours.
constexpr std::size_t kMaxFileBytes = 1 << 20;
constexpr std::size_t kMaxWatched = 4096;

// Fields are separated by spaces: bytes that are not printable ASCII, spaces and % are written
// as %XX.
std::string Escape(std::string_view s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(s.size());
  for (char ch : s) {
    const auto b = static_cast<unsigned char>(ch);
    if (b <= 0x20 || b >= 0x7F || b == '%') {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> Unescape(std::string_view s) {
  if (s.find('%') == std::string_view::npos) return std::string(s);
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    if (i + 2 >= s.size()) return std::nullopt;
    const int hi = HexDigit(s[i + 1]), lo = HexDigit(s[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return out;
}

// The space-separated fields of a line; false when it has more than fields can hold.
template <std::size_t N>
bool Split(std::string_view line, std::array<std::string_view, N>& fields, std::size_t& count) {
  count = 0;
  for (std::size_t i = 0;;) {
    const std::size_t j = std::min(line.find(' ', i), line.size());
    if (count == N) return false;
    fields[count++] = line.substr(i, j - i);
    if (j == line.size()) return true;
    i = j + 1;
  }
}

template <class T>
bool ParseNumber(std::string_view s, T& value) {
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  return ec == std::errc() && end == s.data() + s.size() && !s.empty();
}

bool ParseFlag(std::string_view s, bool& value) {
  if (s != "0" && s != "1") return false;
  value = s == "1";
  return true;
}

std::string StampLine(const std::string& path, const TFileStamp& s) {
  std::string line = "watch " + Escape(path);
  if (!s.Exists) return line + " absent\n";
  for (const long long v : {static_cast<long long>(s.Device), static_cast<long long>(s.Inode),
                            static_cast<long long>(s.Size), static_cast<long long>(s.Modified),
                            static_cast<long long>(s.Changed)})
    line += ' ' + std::to_string(v);
  return line + '\n';
}

bool ParseStamp(const std::string_view* f, std::size_t count, TFileStamp& s) {
  if (count == 3) return f[2] == "absent";
  if (count != 7) return false;
  long long device = 0, inode = 0;
  if (!ParseNumber(f[2], device) || !ParseNumber(f[3], inode) || !ParseNumber(f[4], s.Size) ||
      !ParseNumber(f[5], s.Modified) || !ParseNumber(f[6], s.Changed))
    return false;
  s.Exists = true;
  s.Device = static_cast<std::uint64_t>(device);
  s.Inode = static_cast<std::uint64_t>(inode);
  return true;
}

std::optional<std::string> ReadSmallFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string data;
  char buffer[16384];
  bool ok = true;
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || data.size() + static_cast<std::size_t>(n) > kMaxFileBytes) ok = false;
    if (n <= 0 || !ok) break;
    data.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  if (!ok) return std::nullopt;
  return data;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

TFileStamp StampOf(const std::string& path) {
  struct stat st {};
  TFileStamp s;
  if (stat(path.c_str(), &st) != 0) return s;
  s.Exists = true;
  s.Device = static_cast<std::uint64_t>(st.st_dev);
  s.Inode = static_cast<std::uint64_t>(st.st_ino);
  s.Size = static_cast<std::int64_t>(st.st_size);
  s.Modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.Changed = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return s;
}

std::string TFontMatchFile::DefaultPath() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache && cache[0] == '/') return std::string(cache) + "/brevix/font-matches";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.cache/brevix/font-matches";
  return {};
}

std::string TFontMatchFile::Environment() {
  // fontconfig's version (another may choose otherwise), what it reads from the environment to
  // find its configuration and the language it prefers, and the program's name, which
  // configuration rules may test.
  static constexpr const char* kNames[] = {"FONTCONFIG_FILE",
                                           "FONTCONFIG_PATH",
                                           "FONTCONFIG_SYSROOT",
                                           "FC_LANG",
                                           "LC_ALL",
                                           "LC_CTYPE",
                                           "LANG",
                                           "HOME",
                                           "XDG_CONFIG_HOME",
                                           "XDG_DATA_HOME",
                                           "XDG_CACHE_HOME"};
  std::string out = "fontconfig " + std::to_string(FcGetVersion()) + '\n';
  for (const char* name : kNames) {
    out += name;
    if (const char* value = std::getenv(name)) {
      out += '=';
      out += value;
    }
    out += '\n';
  }
  out += program_invocation_short_name;
  return out;
}

void TFontMatchFile::Load() {
  FLoaded = true;
  if (FPath.empty()) return;
  const std::optional<std::string> data = ReadSmallFile(FPath);
  if (!data) return;
  // Read on every call of the tool that draws text: no more work per line than it needs.
  const std::string environment = Escape(Environment());
  std::map<TFontRequest, TFontMatch> matches;
  std::map<std::string, TFileStamp> watched;
  std::string_view rest = *data;
  bool header = false, sameEnvironment = false, ended = false;
  std::array<std::string_view, 8> f;
  std::size_t n = 0;
  while (!rest.empty()) {
    const std::size_t eol = rest.find('\n');
    if (eol == std::string_view::npos || ended) return;  // truncated, or more after the end
    const std::string_view line = rest.substr(0, eol);
    rest.remove_prefix(eol + 1);
    if (!header) {
      if (line != kHeader) return;
      header = true;
      continue;
    }
    if (!Split(line, f, n)) return;
    if (f[0] == "env" && n == 2 && !sameEnvironment) {
      if (f[1] != environment) return;
      sameEnvironment = true;
    } else if (f[0] == "watch" && n >= 3 && watched.size() < kMaxWatched + kMaxMatches &&
               sameEnvironment) {
      std::optional<std::string> path = Unescape(f[1]);
      TFileStamp stamp;
      if (!path || path->empty() || !ParseStamp(f.data(), n, stamp)) return;
      // Every watched path must be as it was when fontconfig made the matches.
      if (StampOf(*path) != stamp) return;
      watched.emplace_hint(watched.end(), std::move(*path), stamp);
    } else if (f[0] == "match" && n == 7 && matches.size() < kMaxMatches) {
      TFontRequest request;
      TFontMatch match;
      std::optional<std::string> name = Unescape(f[1]);
      std::optional<std::string> file = Unescape(f[4]);
      if (!name || !file || file->empty() || (*file)[0] != '/' || !ParseFlag(f[2], request.Bold) ||
          !ParseFlag(f[3], request.Italic) || !ParseNumber(f[5], match.Index) || match.Index < 0 ||
          !ParseFlag(f[6], match.Embolden))
        return;
      // A match is only as current as its font file.
      if (!watched.contains(*file)) return;
      request.Name = std::move(*name);
      match.File = std::move(*file);
      matches[std::move(request)] = std::move(match);
    } else if (line == "end") {
      ended = true;
    } else {
      return;
    }
  }
  if (!ended || !sameEnvironment) return;
  FMatches = std::move(matches);
  FWatched = std::move(watched);
}

std::optional<TFontMatch> TFontMatchFile::Find(const TFontRequest& request) {
  if (!FLoaded) Load();
  const auto it = FMatches.find(request);
  if (it == FMatches.end()) return std::nullopt;
  return it->second;
}

std::optional<TFileStamp> TFontMatchFile::Stamp(const std::string& path) {
  if (!FLoaded) Load();
  const auto it = FWatched.find(path);
  if (it == FWatched.end()) return std::nullopt;
  return it->second;
}

void TFontMatchFile::Add(const TFontRequest& request, const TFontMatch& match,
                         const std::vector<std::string>& watched) {
  if (!FLoaded) Load();
  if (FPath.empty() || match.File.empty() || match.File[0] != '/' || match.Index < 0) return;
  if (FMatches.size() >= kMaxMatches && !FMatches.contains(request)) return;
  FMatches[request] = match;
  // Stamped now: the matches kept from the file were checked against the same stamps.
  for (const std::string& path : watched)
    if (!path.empty() && FWatched.size() < kMaxWatched) FWatched[path] = StampOf(path);
  FWatched[match.File] = StampOf(match.File);

  std::string text(kHeader);
  text += "\nenv " + Escape(Environment()) + '\n';
  for (const auto& [path, stamp] : FWatched) text += StampLine(path, stamp);
  for (const auto& [r, m] : FMatches)
    text += "match " + Escape(r.Name) + (r.Bold ? " 1 " : " 0 ") + (r.Italic ? "1 " : "0 ") +
            Escape(m.File) + ' ' + std::to_string(m.Index) + (m.Embolden ? " 1\n" : " 0\n");
  text += "end\n";

  // Written beside the file and renamed over it, so a reader sees the old file or the new one.
  const std::size_t slash = FPath.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    const std::string dir = FPath.substr(0, slash);
    if (mkdir(dir.c_str(), 0700) != 0 && errno == ENOENT) {
      const std::size_t up = dir.rfind('/');
      if (up != std::string::npos && up > 0) mkdir(dir.substr(0, up).c_str(), 0700);
      mkdir(dir.c_str(), 0700);
    }
  }
  std::string temp = FPath + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return;
  const bool written = WriteAll(fd, text);
  if (close(fd) != 0 || !written || rename(temp.c_str(), FPath.c_str()) != 0) unlink(temp.c_str());
}

}  // namespace brevix
