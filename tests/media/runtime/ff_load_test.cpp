// The run-time loader: sets, folders, version and entry-point checks, and the interrupt registry.
#include "media/runtime/ff_load.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "media/media_fixtures.h"

namespace tallowin::test {
namespace {

using namespace tallowin::media;

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override { FFLoader().Unload(kAllLibraries); }
  void TearDown() override {
    for (int id = 0; id < kLibraryCount; ++id) FFLoader().SetLibraryFileName(TLibraryId(id), "");
    FFLoader().Unload(kAllLibraries);
    LoadSystemLibraries();
  }
  // Nothing of FFmpeg is loaded: no row, no entry point, no mapping in the process.
  static bool NoneLoaded() {
    for (int id = 0; id < kLibraryCount; ++id)
      if (FFLoader().LibraryLoaded(TLibraryId(id))) return false;
    std::string maps = ReadFile("/proc/self/maps");
    for (const char* name : {"/libavcodec.so", "/libavformat.so", "/libavutil.so", "/libswscale.so",
                             "/libswresample.so", "/libavfilter.so"})
      if (maps.find(name) != std::string::npos) return false;
    return !FF().avcodec_open2 && !FF().av_malloc && !FF().avformat_open_input && !FF().sws_scale &&
           !FF().swr_alloc;
  }
  // A shared object made from C source with the system compiler.
  static fs::path BuildLibrary(const TempDir& dir, const std::string& name,
                               const std::string& source) {
    WriteFile(dir / (name + ".c"), source);
    auto r = RunProcess(
        {"cc", "-shared", "-fPIC", "-o", (dir / name).string(), (dir / (name + ".c")).string()});
    if (r.exit_code != 0) return fs::path();
    return dir / name;
  }
};

TEST_F(LoaderTest, LibraryTable) {
  EXPECT_EQ(TFFLoader::DefaultFileName(libAVCodec),
            "libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR));
  EXPECT_EQ(TFFLoader::DefaultFileName(libAVCore),
            "libswresample.so." + std::to_string(LIBSWRESAMPLE_VERSION_MAJOR));
  EXPECT_EQ(TFFLoader::DefaultFileName(libSwScale),
            "libswscale.so." + std::to_string(LIBSWSCALE_VERSION_MAJOR));
  EXPECT_EQ(TFFLoader::DefaultFileName(libMSVCRT), "libc.so.6");
  EXPECT_STREQ(TFFLoader::BaseName(libAVCore), "avcore");
  EXPECT_STREQ(TFFLoader::BaseName(libMSVCRT), "msvcrt");
  EXPECT_EQ(TFFLoader::HeaderMajorVersion(libMSVCRT), -1);
  EXPECT_EQ(kEncoderLibraries, 0xFBu);
  EXPECT_EQ(kEncoderLibraries & LibraryBit(libAVDevice), 0u);
}

TEST_F(LoaderTest, EmptyFolderLoadsTheSystemLibraries) {
  TempDir lib;
  TFFLoader& loader = FFLoader();
  EXPECT_FALSE(loader.Load(0));
  EXPECT_FALSE(loader.LastErrMsg().empty());
  loader.SetLibraryFolder(lib.path().string());
  EXPECT_EQ(loader.LibraryFolder(), lib.dir());
  ASSERT_TRUE(loader.Load(kEncoderLibraries)) << loader.LastErrMsg();
  EXPECT_TRUE(loader.Loaded(kEncoderLibraries));
  EXPECT_FALSE(loader.Loaded(kAllLibraries));
  EXPECT_FALSE(loader.LibraryLoaded(libAVDevice));
  EXPECT_TRUE(loader.LibraryLoaded(libMSVCRT));
  EXPECT_EQ(FF().avdevice_version, nullptr);
  EXPECT_EQ(FF().avcodec_version() >> 16, unsigned(LIBAVCODEC_VERSION_MAJOR));
  EXPECT_EQ(FF().swresample_version() >> 16, unsigned(LIBSWRESAMPLE_VERSION_MAJOR));
  // Loading again changes nothing; the whole set then unloads.
  auto open2 = FF().avcodec_open2;
  EXPECT_TRUE(loader.Load(kEncoderLibraries));
  EXPECT_EQ(FF().avcodec_open2, open2);
  EXPECT_TRUE(loader.Load(kAllLibraries));
  EXPECT_NE(FF().avdevice_version, nullptr);
  loader.Unload(kAllLibraries);
  EXPECT_TRUE(NoneLoaded());
}

// A file in the folder that is not a library fails the set by its name and leaves nothing
// loaded, also what loaded before it; the C library is never taken from the folder.
TEST_F(LoaderTest, NonLibraryInTheFolderFailsTheWholeSet) {
  TempDir lib;
  const std::string avformat = TFFLoader::DefaultFileName(libAVFormat);
  WriteFile(lib / avformat, "this is not a shared object");
  WriteFile(lib / "libc.so.6", "neither is this");
  TFFLoader& loader = FFLoader();
  loader.SetLibraryFolder(lib.path().string());
  EXPECT_FALSE(loader.Load(kEncoderLibraries));
  EXPECT_EQ(loader.LastErrMsg().rfind("Load library " + lib.dir() + avformat + " error: ", 0), 0u)
      << loader.LastErrMsg();
  EXPECT_TRUE(NoneLoaded());
  EXPECT_EQ(ReadFile(lib / avformat), "this is not a shared object");

  EXPECT_TRUE(loader.Load(LibraryBit(libMSVCRT))) << loader.LastErrMsg();
  // avcodec and the others load on their own from the system; avformat's companions do not
  // rescue it.
  EXPECT_TRUE(loader.Load(LibraryBit(libAVCodec) | LibraryBit(libAVUtil)));
  EXPECT_FALSE(loader.Load(LibraryBit(libAVFormat)));
  EXPECT_TRUE(loader.LibraryLoaded(libAVCodec));

  // The same junk as a dependency: avcodec needs avutil, which is junk in the folder.
  TempDir lib2;
  WriteFile(lib2 / TFFLoader::DefaultFileName(libAVUtil), "junk");
  loader.Unload(kAllLibraries);
  loader.SetLibraryFolder(lib2.path().string());
  EXPECT_FALSE(loader.Load(LibraryBit(libAVCodec)));
  EXPECT_NE(loader.LastErrMsg().find(lib2.dir() + TFFLoader::DefaultFileName(libAVUtil)),
            std::string::npos);
  EXPECT_TRUE(NoneLoaded());

  TempDir empty;
  loader.SetLibraryFolder(empty.path().string());
  EXPECT_TRUE(loader.Load(kEncoderLibraries)) << loader.LastErrMsg();
}

TEST_F(LoaderTest, VersionAndEntryPointChecks) {
  TempDir dir;
  fs::path old_avutil = BuildLibrary(
      dir, "libold.so", "unsigned avutil_version(void) { return (56u << 16) | (1u << 8) | 3u; }");
  fs::path bare_avutil = BuildLibrary(
      dir, "libbare.so",
      "unsigned avutil_version(void) { return " + std::to_string(LIBAVUTIL_VERSION_INT) + "u; }");
  if (old_avutil.empty() || bare_avutil.empty()) GTEST_SKIP() << "no C compiler";
  TFFLoader& loader = FFLoader();
  loader.SetLibraryFolder("");

  loader.SetLibraryFileName(libAVUtil, old_avutil.string());
  EXPECT_FALSE(loader.Load(kEncoderLibraries));
  EXPECT_EQ(loader.LastErrMsg(),
            "Load library " + old_avutil.string() +
                " error: the library is version 56.1.3, the program was built for version " +
                std::to_string(LIBAVUTIL_VERSION_MAJOR));
  EXPECT_TRUE(NoneLoaded());

  loader.SetLibraryFileName(libAVUtil, bare_avutil.string());
  EXPECT_FALSE(loader.Load(LibraryBit(libAVUtil)));
  EXPECT_EQ(loader.LastErrMsg().rfind("Load function av_log_set_callback@libbare.so error: ", 0),
            0u)
      << loader.LastErrMsg();
  EXPECT_TRUE(NoneLoaded());

  // A real library in the wrong row lacks the row's version entry.
  loader.SetLibraryFileName(libAVUtil, "");
  loader.SetLibraryFileName(libAVCore, TFFLoader::DefaultFileName(libAVUtil));
  EXPECT_FALSE(loader.Load(kEncoderLibraries));
  EXPECT_EQ(loader.LastErrMsg().rfind("Load function swresample_version@" +
                                          TFFLoader::DefaultFileName(libAVUtil) + " error: ",
                                      0),
            0u)
      << loader.LastErrMsg();
  EXPECT_TRUE(NoneLoaded());
}

bool AskedToStop(void* owner) {
  return static_cast<std::atomic<bool>*>(owner)->load();
}
bool NeverStop(void*) {
  return false;
}

TEST(InterruptRegistryTest, TestsArePerThread) {
  TInterruptCB registry;
  std::atomic<bool> stop{true};
  registry.Add(1, &AskedToStop, &stop);
  registry.Add(1, &AskedToStop, &stop);  // ignored
  registry.Add(2, &NeverStop, nullptr);
  EXPECT_TRUE(registry.Check(1));
  EXPECT_FALSE(registry.Check(2));
  EXPECT_FALSE(registry.Check(3));
  registry.Remove(1, &AskedToStop, &stop);
  EXPECT_FALSE(registry.Check(1)) << "the duplicate was not added";
  registry.Add(2, &AskedToStop, &stop);
  EXPECT_FALSE(registry.Check(2)) << "the first test of the thread answers";
  registry.Clear();
  EXPECT_FALSE(registry.Check(2));
}

// Blocking I/O of a format context is abandoned only in the thread whose test says so.
TEST(InterruptRegistryTest, AbandonsOnlyTheRegisteringThreadsIO) {
  LoadSystemLibraries();
  const std::string clip = StandardClip().string();
  auto open = [&clip]() {
    AVFormatContext* context = FF().avformat_alloc_context();
    context->interrupt_callback = TInterruptCB::IOCallback();
    int result = FF().avformat_open_input(&context, clip.c_str(), nullptr, nullptr);
    if (result >= 0) FF().avformat_close_input(&context);
    return result;
  };
  std::atomic<bool> stop{true};
  int other_thread = -1;
  {
    TScopedInterrupt guard(&AskedToStop, &stop);
    EXPECT_EQ(open(), AVERROR_EXIT);
    std::thread([&] { other_thread = open(); }).join();
    stop = false;
    EXPECT_EQ(open(), 0);
    stop = true;
  }
  EXPECT_EQ(other_thread, 0);
  EXPECT_EQ(open(), 0) << "the test was removed with its guard";
}

}  // namespace
}  // namespace tallowin::test
