// Writing files: errors name the file and the cause, nothing half-written is ever visible, an
// existing file survives a failed write, and no temporary file is left behind.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "imagewriters/image_writers.h"
#include "tests/support/image_read.h"

namespace brevix {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

TBitmap Small() {
  TBitmap b(20, 10, clWhite);
  for (int y = 0; y < 10; ++y) b.SetPixel(3, y, clBlack);
  return b;
}

// Runs one save of every kind, so that each failure case is checked for every writer.
const struct {
  const char* Name;
  void (*Save)(const TBitmap&, const std::string&);
} kSavers[] = {
    {"BMP", [](const TBitmap& b, const std::string& f) { SaveBmpFile(b, f); }},
    {"GIF",
     [](const TBitmap& b, const std::string& f) {
       SaveImageFile(f, [&] { return EncodeGif(GifImageFromBitmap(b)); });
     }},
    {"PNG",
     [](const TBitmap& b, const std::string& f) {
       SaveImageFile(f, [&] { return EncodePng(GifImageFromBitmap(b)); });
     }},
    {"TIFF",
     [](const TBitmap& b, const std::string& f) {
       SaveImageFile(f, [&] { return EncodeTiff(GifImageFromBitmap(b)); });
     }},
    {"JPEG", [](const TBitmap& b, const std::string& f) { SaveJpegFile(b, f, 100); }},
};

TEST(ImageFile, FailuresNameTheFileAndLeaveNothingBehind) {
  test::TTempDir dir;
  const struct {
    const char* What;
    std::string FileName;
    const char* Cause;
  } cases[] = {
      {"missing directory", dir.File("no/such/dir/x.img"), "does not exist"},
      {"parent is a file", dir.File("plain/x.img"), "plain\" is a file, not a directory"},
      {"ancestor is a file", dir.File("plain/a/x.img"), "plain\" is a file, not a directory"},
      {"target is a directory", dir.File("sub"), "is a directory"},
      {"link to a directory", dir.File("tosub"), "is a directory"},
      {"target is a socket", dir.File("sock"), "is a socket"},
      {"name too long", dir.File(std::string(300, 'n') + ".img"), "too long"},
  };
  WriteText(dir.File("plain"), "x");
  fs::create_directory(dir.File("sub"));
  fs::create_directory_symlink(dir.File("sub"), dir.File("tosub"));
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", dir.File("sock").c_str());
  ASSERT_EQ(bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  const auto before = Entries(dir.Path());
  for (const auto& saver : kSavers) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(saver.Name) + ": " + c.What);
      try {
        saver.Save(Small(), c.FileName);
        ADD_FAILURE() << "no error raised";
      } catch (const EImageWriteError& e) {
        EXPECT_EQ(e.FileName(), c.FileName);
        EXPECT_NE(std::string(e.what()).find(c.FileName), std::string::npos) << e.what();
        EXPECT_NE(e.Cause().find(c.Cause), std::string::npos) << e.Cause();
      }
      EXPECT_EQ(Entries(dir.Path()), before);
    }
  }
  close(sock);
}

TEST(ImageFile, BadPictureSizesAreRefusedAndKeepTheOldFile) {
  test::TTempDir dir;
  const std::string file = dir.File("keep.img");
  const struct {
    int Width, Height;
    const char* Cause;
  } cases[] = {
      {0, 0, "empty"}, {0, 10, "empty"}, {40000, 1, "too large"}, {9000, 9000, "too large"}};
  for (const auto& saver : kSavers) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << saver.Name << " " << c.Width << "x" << c.Height);
      WriteText(file, "old content");
      TBitmap bitmap;
      // A bitmap too large to be worth allocating is faked by its dimensions alone.
      bitmap.Width = c.Width;
      bitmap.Height = c.Height;
      EXPECT_THROW(
          {
            try {
              saver.Save(bitmap, file);
            } catch (const EImageWriteError& e) {
              EXPECT_NE(e.Cause().find(c.Cause), std::string::npos) << e.Cause();
              throw;
            }
          },
          EImageWriteError);
      EXPECT_EQ(test::ReadFileBytes(file), "old content");
      EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"keep.img"});
    }
  }
}

// Exits 0 when both saves fail with a permission error and the read-only file is unchanged.
// The superuser ignores permission bits, so it first becomes an ordinary user.
[[noreturn]] void SaveWithoutPermission(const std::string& dir) {
  if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) std::exit(3);
  int failures = 0;
  for (const std::string& name : {dir + "/locked/x.png", dir + "/readonly.png"}) {
    try {
      SavePngFile(GifImageFromBitmap(Small()), name);
    } catch (const EImageWriteError& e) {
      if (e.Cause().find("ermission") != std::string::npos) ++failures;
    }
  }
  std::exit(failures == 2 && test::ReadFileBytes(dir + "/readonly.png") == "old" ? 0 : 1);
}

TEST(ImageFileDeathTest, UnwritableTargetsAreRefused) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  test::TTempDir dir;
  chmod(dir.Path().c_str(), 0755);
  fs::create_directory(dir.File("locked"));
  WriteText(dir.File("readonly.png"), "old");
  chmod(dir.File("readonly.png").c_str(), 0444);
  chmod(dir.File("locked").c_str(), 0555);
  EXPECT_EXIT(SaveWithoutPermission(dir.Path()), testing::ExitedWithCode(0), "");
  EXPECT_EQ(Entries(dir.File("locked")), std::vector<std::string>{});
}

TEST(ImageFile, ReplacingKeepsModeAndWritesThroughLinks) {
  test::TTempDir dir;
  const std::string real = dir.File("real.bmp");
  WriteText(real, "old");
  chmod(real.c_str(), 0640);
  fs::create_symlink(real, dir.File("link.bmp"));
  SaveBmpFile(Small(), dir.File("link.bmp"));
  EXPECT_TRUE(fs::is_symlink(dir.File("link.bmp")));
  EXPECT_EQ(test::ReadFileBytes(real).substr(0, 2), "BM");
  struct stat st {};
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"link.bmp", "real.bmp"}));
}

TEST(ImageFile, EveryKindOfTargetGetsTheNewContent) {
  // A new name, an existing file, links to a file beside them and in another directory, a
  // dangling link (replaced by the file, as any other name is), and pipes and devices, which are
  // written through and stay what they are.
  const struct {
    const char* What;
    const char* Name;
    const char* WrittenAt;  // where the content lands; nullptr: a device that swallows it
    bool LinkStays;
  } rows[] = {
      {"new file", "new.bmp", "new.bmp", false},
      {"existing file", "old.bmp", "old.bmp", false},
      {"link beside", "near.bmp", "old.bmp", true},
      {"link elsewhere", "far.bmp", "sub/deep.bmp", true},
      {"dangling link", "dangling.bmp", "dangling.bmp", false},
      {"FIFO", "fifo.bmp", "fifo.bmp", false},
      {"link to a FIFO", "tofifo.bmp", "fifo.bmp", true},
      {"link to a character device", "null.bmp", nullptr, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.What);
    test::TTempDir dir;
    fs::create_directory(dir.File("sub"));
    WriteText(dir.File("old.bmp"), "old");
    WriteText(dir.File("sub/deep.bmp"), "deep");
    fs::create_symlink(dir.File("old.bmp"), dir.File("near.bmp"));
    fs::create_symlink(dir.File("sub/deep.bmp"), dir.File("far.bmp"));
    fs::create_symlink(dir.File("sub/none.bmp"), dir.File("dangling.bmp"));
    ASSERT_EQ(mkfifo(dir.File("fifo.bmp").c_str(), 0644), 0);
    fs::create_symlink(dir.File("fifo.bmp"), dir.File("tofifo.bmp"));
    // A device node of the test's own (the superuser may make one): a writer that replaced what
    // the link names must not take the system's /dev/null with it.
    const bool ownNode = mknod(dir.File("sub/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    fs::create_symlink(ownNode ? dir.File("sub/null") : "/dev/null", dir.File("null.bmp"));
    if (!row.WrittenAt && !ownNode && geteuid() == 0) continue;
    // The reader is there before the writer, and the picture fits the pipe's buffer.
    const int reader = open(dir.File("fifo.bmp").c_str(), O_RDONLY | O_NONBLOCK);
    const auto before = Entries(dir.Path());
    const auto beforeSub = Entries(dir.File("sub"));
    SaveBmpFile(Small(), dir.File(row.Name));
    std::string piped(4096, '\0');
    piped.resize(static_cast<std::size_t>(std::max<ssize_t>(0, read(reader, piped.data(), 4096))));
    close(reader);
    if (row.WrittenAt && std::string(row.WrittenAt) == "fifo.bmp") {
      const TBytes bmp = EncodeBmp(Small());
      EXPECT_EQ(piped, std::string(bmp.begin(), bmp.end()));
      EXPECT_TRUE(fs::is_fifo(dir.File("fifo.bmp")));
    } else if (row.WrittenAt) {
      EXPECT_EQ(test::ReadFileBytes(dir.File(row.WrittenAt)).substr(0, 2), "BM");
    } else {
      EXPECT_TRUE(fs::is_character_file(dir.File(row.Name)));
    }
    EXPECT_EQ(fs::is_symlink(dir.File(row.Name)), row.LinkStays);
    auto expected = before;
    if (std::string(row.Name) == "new.bmp") {
      expected.push_back("new.bmp");
      std::sort(expected.begin(), expected.end());
    }
    EXPECT_EQ(Entries(dir.Path()), expected);
    EXPECT_EQ(Entries(dir.File("sub")), beforeSub);
  }
}

// Fails part way through the write, as a full disk does, by a file size limit; exits 0 when the
// error names the file, the old content survived and no temporary file is left.
[[noreturn]] void SaveUnderSizeLimit(const std::string& dir, const std::string& file) {
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{4096, 4096};
  setrlimit(RLIMIT_FSIZE, &limit);
  int code = 1;
  try {
    SaveBmpFile(TBitmap(400, 400), file);
  } catch (const EImageWriteError& e) {
    const bool sound = e.FileName() == file && test::ReadFileBytes(file) == "old content" &&
                       Entries(dir).size() == 1;
    code = sound ? 0 : 2;
  }
  std::exit(code);
}

TEST(ImageFileDeathTest, DiskFullKeepsTheOldFile) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  test::TTempDir dir;
  const std::string file = dir.File("big.bmp");
  WriteText(file, "old content");
  EXPECT_EXIT(SaveUnderSizeLimit(dir.Path(), file), testing::ExitedWithCode(0), "");
}

TEST(ImageFileDeathTest, KilledWhileReplacingLeavesNoPartialFile) {
  test::TTempDir dir;
  const std::string file = dir.File("big.bmp");
  const TBitmap big(2000, 2000, clWhite);  // 12 MB: each write takes a while
  const std::size_t size = EncodeBmp(big).size();
  for (const int sig : {SIGINT, SIGTERM, SIGKILL}) {
    SCOPED_TRACE(strsignal(sig));
    SaveBmpFile(big, file);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) SaveBmpFile(big, file);
    }
    usleep(60000);
    kill(child, sig);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig);
    // A complete file under its name; a temporary name only for a complete file, and only when
    // the process had no chance to remove it.
    const auto names = Entries(dir.Path());
    for (const auto& name : names) EXPECT_EQ(fs::file_size(dir.File(name)), size) << name;
    if (sig != SIGKILL) {
      EXPECT_EQ(names, std::vector<std::string>{"big.bmp"});
    }
    for (const auto& name : names)
      if (name != "big.bmp") fs::remove(dir.File(name));
  }
}

}  // namespace
}  // namespace brevix
