#include "platform/font_match_file.h"

#include <errno.h>
#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>
#include <type_traits>

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

// Decodes the n bytes at s in place, ending them with a NUL (at most where the field's separator
// was); the decoded length, or nullopt for a bad escape.
std::optional<std::size_t> UnescapeInPlace(char* s, std::size_t n) {
  const char* percent = static_cast<const char*>(std::memchr(s, '%', n));
  std::size_t out = percent ? static_cast<std::size_t>(percent - s) : n;
  for (std::size_t i = out; i < n; ++i, ++out) {
    if (s[i] != '%') {
      s[out] = s[i];
      continue;
    }
    if (i + 2 >= n) return std::nullopt;
    const int hi = HexDigit(s[i + 1]), lo = HexDigit(s[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    s[out] = static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  s[out] = '\0';
  return out;
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

// A decimal number with an optional minus, as from_chars reads it, without its general
// machinery: a file holds hundreds of them.
template <class T>
bool ParseNumber(std::string_view s, T& value) {
  static_assert(std::is_signed_v<T> && sizeof(T) <= 8);
  const bool negative = !s.empty() && s[0] == '-';
  if (negative) s.remove_prefix(1);
  if (s.empty() || s.size() > 19) return false;  // 19 digits cannot overflow 64 bits
  std::uint64_t v = 0;
  for (const char c : s) {
    const auto digit = static_cast<unsigned char>(c - '0');
    if (digit > 9) return false;
    v = v * 10 + digit;
  }
  const auto max = static_cast<std::uint64_t>(std::numeric_limits<T>::max());
  if (v > max + (negative ? 1 : 0)) return false;
  value = static_cast<T>(negative ? 0 - v : v);
  return true;
}

bool ParseFlag(std::string_view s, bool& value) {
  if (s != "0" && s != "1") return false;
  value = s == "1";
  return true;
}

std::string StampLine(std::string_view path, const TFileStamp& s) {
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

TFileStamp StampAt(const char* path) {
  struct stat st {};
  TFileStamp s;
  if (stat(path, &st) != 0) return s;
  s.Exists = true;
  s.Device = static_cast<std::uint64_t>(st.st_dev);
  s.Inode = static_cast<std::uint64_t>(st.st_ino);
  s.Size = static_cast<std::int64_t>(st.st_size);
  s.Modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.Changed = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return s;
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

std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t maxBytes) {
  // Not blocking: a FIFO put in the file's place reads as absent rather than hanging.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  // Read straight into a string of the file's size: a buffer on the stack would cost the
  // process fresh stack pages for one read.
  struct stat st {};
  std::optional<std::string> data;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
      static_cast<std::uint64_t>(st.st_size) <= maxBytes) {
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    if (done == bytes.size()) data = std::move(bytes);
  }
  close(fd);
  return data;
}

TFileStamp StampOf(const std::string& path) {
  return StampAt(path.c_str());
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
  std::optional<std::string> data = ReadSmallFile(FPath, kMaxFileBytes);
  if (!data) return;
  // Read on every call of the tool that draws text: no more work per line than it needs. The
  // watched paths are decoded in place and stay in the file's text.
  FData = std::move(*data);
  const std::string environment = Escape(Environment());
  std::map<TFontRequest, TFontMatch> matches;
  std::vector<TWatched> watched;
  std::string_view rest = FData;
  bool header = false, sameEnvironment = false, ended = false;
  std::array<std::string_view, 8> f;
  std::size_t n = 0;
  const auto fail = [this] { FData.clear(); };
  while (!rest.empty()) {
    const std::size_t eol = rest.find('\n');
    if (eol == std::string_view::npos || ended) return fail();  // truncated, or more after the end
    const std::string_view line = rest.substr(0, eol);
    rest.remove_prefix(eol + 1);
    if (!header) {
      if (line != kHeader) return fail();
      header = true;
      continue;
    }
    if (!Split(line, f, n)) return fail();
    if (f[0] == "env" && n == 2 && !sameEnvironment) {
      if (f[1] != environment) return fail();
      sameEnvironment = true;
    } else if (f[0] == "watch" && n >= 3 && watched.size() < kMaxWatched + kMaxMatches &&
               sameEnvironment) {
      char* const at = FData.data() + (f[1].data() - FData.data());
      const std::optional<std::size_t> size = UnescapeInPlace(at, f[1].size());
      TFileStamp stamp;
      if (!size || *size == 0 || !ParseStamp(f.data(), n, stamp)) return fail();
      const std::string_view path(at, *size);
      // Written in order, once each: a match's file is then found by a binary search.
      if (!watched.empty() && !(watched.back().Path < path)) return fail();
      // Every watched path must be as it was when fontconfig made the matches.
      if (StampAt(at) != stamp) return fail();
      watched.push_back(TWatched{path, stamp});
    } else if (f[0] == "match" && n == 7 && matches.size() < kMaxMatches) {
      TFontRequest request;
      TFontMatch match;
      std::optional<std::string> name = Unescape(f[1]);
      std::optional<std::string> file = Unescape(f[4]);
      if (!name || !file || file->empty() || (*file)[0] != '/' || !ParseFlag(f[2], request.Bold) ||
          !ParseFlag(f[3], request.Italic) || !ParseNumber(f[5], match.Index) || match.Index < 0 ||
          !ParseFlag(f[6], match.Embolden))
        return fail();
      // A match is only as current as its font file.
      if (!FindWatched(watched, *file)) return fail();
      request.Name = std::move(*name);
      match.File = std::move(*file);
      matches[std::move(request)] = std::move(match);
    } else if (line == "end") {
      ended = true;
    } else {
      return fail();
    }
  }
  if (!ended || !sameEnvironment) return fail();
  FMatches = std::move(matches);
  FWatched = std::move(watched);
}

const TFontMatchFile::TWatched* TFontMatchFile::FindWatched(const std::vector<TWatched>& watched,
                                                            std::string_view path) {
  const auto it =
      std::lower_bound(watched.begin(), watched.end(), path,
                       [](const TWatched& w, std::string_view p) { return w.Path < p; });
  return it != watched.end() && it->Path == path ? &*it : nullptr;
}

std::optional<TFontMatch> TFontMatchFile::Find(const TFontRequest& request) {
  if (!FLoaded) Load();
  const auto it = FMatches.find(request);
  if (it == FMatches.end()) return std::nullopt;
  return it->second;
}

std::optional<TFileStamp> TFontMatchFile::Stamp(const std::string& path) {
  if (!FLoaded) Load();
  if (const TWatched* w = FindWatched(FWatched, path)) return w->Stamp;
  return std::nullopt;
}

void TFontMatchFile::Watch(const std::string& path, const TFileStamp& stamp) {
  const auto it =
      std::lower_bound(FWatched.begin(), FWatched.end(), std::string_view(path),
                       [](const TWatched& w, std::string_view p) { return w.Path < p; });
  if (it != FWatched.end() && it->Path == path) {
    it->Stamp = stamp;
    return;
  }
  FAddedPaths.push_back(path);
  FWatched.insert(it, TWatched{FAddedPaths.back(), stamp});
}

void TFontMatchFile::Add(const TFontRequest& request, const TFontMatch& match,
                         const std::vector<std::string>& watched) {
  if (!FLoaded) Load();
  if (FPath.empty() || match.File.empty() || match.File[0] != '/' || match.Index < 0) return;
  if (FMatches.size() >= kMaxMatches && !FMatches.contains(request)) return;
  FMatches[request] = match;
  // Stamped now: the matches kept from the file were checked against the same stamps.
  for (const std::string& path : watched)
    if (!path.empty() && FWatched.size() < kMaxWatched) Watch(path, StampOf(path));
  Watch(match.File, StampOf(match.File));

  std::string text(kHeader);
  text += "\nenv " + Escape(Environment()) + '\n';
  for (const TWatched& w : FWatched) text += StampLine(w.Path, w.Stamp);
  for (const auto& [r, m] : FMatches)
    text += "match " + Escape(r.Name) + (r.Bold ? " 1 " : " 0 ") + (r.Italic ? "1 " : "0 ") +
            Escape(m.File) + ' ' + std::to_string(m.Index) + (m.Embolden ? " 1\n" : " 0\n");
  text += "end\n";

  // The folder is made when missing, its parent too; the file is then replaced whole.
  const std::size_t slash = FPath.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    const std::string dir = FPath.substr(0, slash);
    if (mkdir(dir.c_str(), 0700) != 0 && errno == ENOENT) {
      const std::size_t up = dir.rfind('/');
      if (up != std::string::npos && up > 0) mkdir(dir.substr(0, up).c_str(), 0700);
      mkdir(dir.c_str(), 0700);
    }
  }
  ReplaceFile(FPath, text);
}

void ReplaceFile(const std::string& path, std::string_view data) {
  std::string temp = path + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return;
  const bool written = WriteAll(fd, data);
  if (close(fd) != 0 || !written || rename(temp.c_str(), path.c_str()) != 0) unlink(temp.c_str());
}

}  // namespace brevix
