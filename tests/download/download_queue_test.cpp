// The download queue driven through the main window against the fake video service: rows and
// figures, the quality fallback, cancel, and the files saved.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <fstream>

#include "download/download_queue.h"
#include "download/download_test_support.h"
#include "shell/global_vars.h"
#include "ui/picture_button.h"
#include "ui/picture_label.h"
#include "ui/report_list.h"
#include "ui/slide_grid.h"

namespace tallowin::test {
namespace {

using download::kStatusFailed;
using download::kStatusFinished;

FakeStream Stream(const fs::path& file) {
  FakeStream s;
  s.file = file.string();
  return s;
}

// A stream file of `size` bytes in `dir`.
FakeStream BytesStream(const TempDir& dir, const std::string& name, size_t size, int seed = 0) {
  WriteFile(dir / name, StreamBytes(size, seed));
  return Stream(dir / name);
}

std::string Summary(TFormMain& form) {
  return form.LabelURLTotalFiles->text().toStdString() + "/" +
         form.LabelURLSucedded->text().toStdString() + "/" +
         form.LabelURLFailed->text().toStdString();
}

int CountRequests(const FakeVideoService& service, const std::string& part) {
  int n = 0;
  for (const auto& r : service.Requests()) n += r.find(part) != std::string::npos;
  return n;
}

TEST(DownloadQueue, ThreeVideosOfWhichTheSecondHasNoStream) {
  FakeVideoService service({
      {"a1", Video("Cats &amp; Dogs: 1/2", {{18, Stream(ClipMP4())}})},
      {"b2", Video("Nothing here").WithoutMap()},
      {"c3", Video("Cats &amp; Dogs: 1/2", {{18, Stream(ClipMP4())}})},
  });
  DownloadPages pages(true);
  pages.AddLinks({"a1", "b2", "c3"});
  pages.Download();
  ASSERT_EQ(pages.form.ActivePage(), TWizardPage::Step6);
  // Before the first message is handled, each row shows its link and the initial texts.
  ASSERT_EQ(pages.form.ListViewURLDownload->RowCount(), 3);
  EXPECT_EQ(pages.form.ListViewURLDownload->Cell(1, kColName).toStdString(),
            FakeVideoService::Link("b2"));
  EXPECT_EQ(pages.form.ListViewURLDownload->Cell(1, kColStatus).toStdString(), "Waiting...");
  ASSERT_TRUE(pages.WaitForSummary());

  EXPECT_EQ(
      pages.watch.Last(kColStatus),
      (std::map<int, std::string>{{0, kStatusFinished}, {1, kStatusFailed}, {2, kStatusFinished}}));
  EXPECT_EQ(pages.watch.Last(kColName)[0], "Cats & Dogs: 1/2");
  EXPECT_EQ(pages.watch.Last(kColURL)[1], "http://www.youtube.com/get_video_info?video_id=b2");
  EXPECT_EQ(pages.watch.Last(kColProgress)[0], "100%");
  EXPECT_EQ(Summary(pages.form), "3/2/1");
  EXPECT_EQ(pages.form.ListViewURLDownload->RowCount(), 0);
  EXPECT_EQ(pages.form.ListViewInputURL->RowCount(), 0);
  EXPECT_EQ(pages.form.LabelQuality->text().toStdString(), "...");
  EXPECT_EQ(pages.form.ButtonNext->text().toStdString(), "Finish");

  // Same titles: the second file gets "(1)"; both hold exactly what was served.
  const std::vector<std::string> expected = {pages.folder + "Cats & Dogs_ 1_2.mp4",
                                             pages.folder + "Cats & Dogs_ 1_2(1).mp4"};
  EXPECT_EQ(GlobalVars().DownloadedFiles, expected);
  EXPECT_EQ(pages.FolderNames(),
            (std::vector<std::string>{"Cats & Dogs_ 1_2(1).mp4", "Cats & Dogs_ 1_2.mp4"}));
  for (const auto& path : expected) EXPECT_EQ(ReadFile(path), ReadFile(ClipMP4())) << path;
  // The user agent and the proxy route: the service saw the service's own paths.
  EXPECT_EQ(CountRequests(service, "/watch?v="), 3);
  EXPECT_EQ(CountRequests(service, "/videoplayback?v=b2"), 0);

  pages.form.LabelURLOpenFolder->Clicked();
  ASSERT_FALSE(pages.env.fake.opened.empty());
  EXPECT_EQ(pages.env.fake.opened.back(), pages.folder);

  // The saved files go to the input list of Step1.
  pages.form.ButtonConvertDownloaded->click();
  EXPECT_EQ(pages.form.ActivePage(), TWizardPage::Step1);
  ASSERT_EQ(pages.form.NextGrid->RowCount(), 2);
  EXPECT_EQ(pages.form.NextGrid->Cell(1, NxTextColumnFileFullName).toStdString(), expected[1]);
}

TEST(DownloadQueue, BestQualityFallsBackToTheNextOffered) {
  FakeStream slow = Stream(ClipMP4());
  slow.chunk = 8192;
  slow.delay_ms = 150;  // keeps the fallback text up long enough to be seen
  FakeVideoService service({{"hd", Video("Clip", {{22, slow}, {18, Stream(ClipFLV())}})}});
  DownloadPages pages(true, download::kBestAvailableOrder);
  pages.AddLinks({"hd"});
  pages.Download();
  ASSERT_TRUE(pages.WaitForSummary());
  EXPECT_TRUE(pages.watch.SawQuality("[HQ37] failed, try next: [HQ22]"));
  EXPECT_TRUE(pages.watch.SawQuality("[HQ22] - (MP4(H.264), 1280 x 720, Stereo 44KHz AAC)"));
  EXPECT_EQ(Summary(pages.form), "1/1/0");
  ASSERT_EQ(GlobalVars().DownloadedFiles, std::vector<std::string>{pages.folder + "Clip.mp4"});
  EXPECT_EQ(ReadFile(pages.folder + "Clip.mp4"), ReadFile(ClipMP4()));
  // [HQ37] was not offered, so only [HQ22] was fetched.
  EXPECT_EQ(service.Requests().back(), "/videoplayback?v=hd&itag=22");
  EXPECT_EQ(CountRequests(service, "videoplayback"), 1);
}

TEST(DownloadQueue, WithoutPreferencesOnlyTheDefaultStreamIsTried) {
  FakeVideoService service({
      {"d5", Video("Default", {{5, Stream(ClipFLV())}, {18, Stream(ClipMP4())}})},
      {"n5", Video("No default", {{18, Stream(ClipMP4())}, {22, Stream(ClipMP4())}})},
  });
  DownloadPages pages(false);
  pages.AddLinks({"d5", "n5"});
  pages.Download();
  ASSERT_TRUE(pages.WaitForSummary());
  EXPECT_EQ(pages.watch.Last(kColStatus),
            (std::map<int, std::string>{{0, kStatusFinished}, {1, kStatusFailed}}));
  EXPECT_EQ(Summary(pages.form), "2/1/1");
  EXPECT_EQ(GlobalVars().DownloadedFiles, std::vector<std::string>{pages.folder + "Default.flv"});
  EXPECT_EQ(ReadFile(pages.folder + "Default.flv"), ReadFile(ClipFLV()));
  EXPECT_TRUE(pages.watch.SawQuality(download::kDefaultQualityText));
  EXPECT_EQ(CountRequests(service, "videoplayback"), 1);
  EXPECT_EQ(pages.FolderNames(), std::vector<std::string>{"Default.flv"});
}

TEST(DownloadQueue, CancelDuringTheSecondOfFive) {
  FakeStream slow = Stream(ClipMP4());
  slow.chunk = 4096;
  slow.delay_ms = 200;
  std::map<std::string, FakeVideo> videos;
  for (const char* id : {"v1", "v3", "v4", "v5"}) videos[id] = Video(id, {{18, Stream(ClipMP4())}});
  videos["v2"] = Video("v2", {{18, slow}});
  FakeVideoService service(videos);
  DownloadPages pages(true);
  pages.AddLinks({"v1", "v2", "v3", "v4", "v5"});
  pages.Download();
  // The second video's stream has been asked for and arrives slowly.
  ASSERT_TRUE(PumpUntil([&] { return CountRequests(service, "videoplayback?v=v2") == 1; }));
  PumpUntil([] { return false; }, 400);
  pages.env.fake.answers = {kMrYes};
  pages.form.ActionExitExecute();
  EXPECT_EQ(pages.env.fake.messages.back().text, "Do you really want to cancel the downloading?");
  ASSERT_TRUE(pages.WaitForSummary(10000));
  EXPECT_EQ(Summary(pages.form), "5/1/4");
  EXPECT_EQ(pages.form.ListViewInputURL->RowCount(), 0);
  EXPECT_EQ(pages.form.ListViewURLDownload->RowCount(), 0);
  EXPECT_EQ(pages.form.ButtonNext->text().toStdString(), "Finish");
  // Only the first video is there: no partial or temporary file, nothing more was asked for.
  EXPECT_EQ(pages.FolderNames(), std::vector<std::string>{"v1.mp4"});
  EXPECT_EQ(CountRequests(service, "/watch?v=v3"), 0);
  EXPECT_EQ(GlobalVars().DownloadedFiles.size(), 1u);
  // Nothing runs any more: no late message brings the queue back.
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(pages.form.ActivePage(), TWizardPage::Step7);
  EXPECT_EQ(CountRequests(service, "/watch?v="), 2);
}

TEST(DownloadQueue, CancelBetweenTwoVideosEndsTheRun) {
  FakeVideoService service({{"x1", Video("x1", {{18, Stream(ClipMP4())}})},
                            {"x2", Video("x2", {{18, Stream(ClipMP4())}})}});
  DownloadPages pages(true);
  pages.AddLinks({"x1", "x2"});
  pages.Download();
  // No transfer runs yet: the first message is still pending.
  pages.env.fake.answers = {kMrYes};
  pages.form.ActionExitExecute();
  EXPECT_EQ(pages.form.ActivePage(), TWizardPage::Step7);
  EXPECT_EQ(Summary(pages.form), "2/0/2");
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(pages.form.ActivePage(), TWizardPage::Step7);
  EXPECT_TRUE(service.Requests().empty());
}

TEST(DownloadQueue, PageWithoutTitleSavesUnderTheExtension) {
  FakeVideoService service({{"nt", Video("", {{18, Stream(ClipMP4())}}).WithoutTitle()}});
  DownloadPages pages(true);
  pages.AddLinks({"nt"});
  pages.Download();
  ASSERT_TRUE(pages.WaitForSummary());
  EXPECT_EQ(pages.watch.Last(kColName)[0], "");
  EXPECT_EQ(GlobalVars().DownloadedFiles, std::vector<std::string>{pages.folder + ".mp4"});
  EXPECT_EQ(ReadFile(pages.folder + ".mp4"), ReadFile(ClipMP4()));
}

TEST(DownloadQueue, PagesWithoutMarkerOrThatNeverEndFailOnlyTheirVideo) {
  FakeVideoService service({
      {"e1", Video("Endless").Endless()},
      {"m2", Video("No marker", {{18, Stream(ClipMP4())}}).WithoutMarker()},
      {"ok", Video("Fine", {{18, Stream(ClipMP4())}})},
  });
  DownloadPages pages(true);
  pages.AddLinks({"e1", "m2", "ok"});
  // The endless page must not take the memory with it: the page stops at its cap.
  std::ofstream("/proc/self/clear_refs") << "5";
  pages.Download();
  ASSERT_TRUE(pages.WaitForSummary(30000));
  EXPECT_EQ(
      pages.watch.Last(kColStatus),
      (std::map<int, std::string>{{0, kStatusFailed}, {1, kStatusFailed}, {2, kStatusFinished}}));
  EXPECT_EQ(pages.watch.Last(kColURL)[1], "http://www.youtube.com/get_video_info?");
  EXPECT_EQ(Summary(pages.form), "3/1/2");
  std::ifstream status("/proc/self/status");
  std::string line;
  long peak_kb = 0, now_kb = 0;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) peak_kb = std::stol(line.substr(6));
    if (line.rfind("VmRSS:", 0) == 0) now_kb = std::stol(line.substr(6));
  }
  EXPECT_LT(peak_kb - now_kb, 64 * 1024) << "peak " << peak_kb << " kB, now " << now_kb << " kB";
}

TEST(DownloadQueue, StreamWithoutLengthKeepsTheSizeAndSaysTheTimeLeftIsUnknown) {
  TempDir streams;
  FakeStream open = BytesStream(streams, "open.bin", 1 << 20);
  open.nolen = true;
  open.chunk = 65536;
  open.delay_ms = 30;
  FakeVideoService service({{"nl", Video("Open end", {{18, open}})}});
  DownloadPages pages(true);
  pages.AddLinks({"nl"});
  pages.Download();
  ASSERT_TRUE(pages.WaitForSummary());
  EXPECT_EQ(pages.watch.Last(kColStatus)[0], kStatusFinished);
  // The page's own length is the last size shown: the video of unknown length leaves it.
  EXPECT_EQ(pages.watch.History(0, kColSize), (std::vector<std::string>{"0 KB", "0.00MB"}));
  EXPECT_TRUE(pages.watch.SawTimeLeft(download::kTimeLeftUnknown));
  for (const auto& text : pages.watch.History(0, kColSpeed))
    EXPECT_TRUE(text == "0 KB/s" || text == download::kSpeedNotKnownYet ||
                text.find(" KB/s") != std::string::npos)
        << text;
  EXPECT_EQ(ReadFile(pages.folder + "Open end.mp4"), ReadFile(streams / "open.bin"));
}

TEST(DownloadQueue, AFolderThatVanishedFailsEachVideoAndTheQueueGoesOn) {
  FakeVideoService service({{"g1", Video("g1", {{18, Stream(ClipMP4())}})},
                            {"g2", Video("g2", {{18, Stream(ClipMP4())}})}});
  DownloadPages pages(true);
  pages.AddLinks({"g1", "g2"});
  pages.Download();
  fs::remove_all(pages.folder);  // before the first message is handled
  ASSERT_TRUE(pages.WaitForSummary());
  EXPECT_EQ(pages.watch.Last(kColStatus),
            (std::map<int, std::string>{{0, kStatusFailed}, {1, kStatusFailed}}));
  EXPECT_EQ(Summary(pages.form), "2/0/2");
  EXPECT_TRUE(GlobalVars().DownloadedFiles.empty());
  // A video that cannot be written is not fetched again at the other qualities.
  EXPECT_EQ(CountRequests(service, "/watch?v="), 2);
  EXPECT_FALSE(fs::exists(pages.folder));
}

// The file-size limit of the process makes writes past it fail, as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_{};
  sighandler_t old_handler_ = SIG_DFL;
};

TEST(DownloadQueue, AWriteFailureFailsTheVideoAndLeavesNothingBehind) {
  TempDir streams;
  FakeStream big = BytesStream(streams, "big.bin", 3 << 20, 1);
  FakeStream small = BytesStream(streams, "small.bin", 20000, 2);
  FakeVideoService service(
      {{"w1", Video("Too big", {{18, big}, {35, small}})}, {"w2", Video("Small", {{18, small}})}});
  DownloadPages pages(true);
  pages.AddLinks({"w1", "w2"});
  bool finished = false;
  {
    FileSizeLimit limit(1 << 20);
    pages.Download();
    finished = pages.WaitForSummary();
  }
  ASSERT_TRUE(finished);
  EXPECT_EQ(pages.watch.Last(kColStatus),
            (std::map<int, std::string>{{0, kStatusFailed}, {1, kStatusFinished}}));
  EXPECT_EQ(Summary(pages.form), "2/1/1");
  EXPECT_EQ(GlobalVars().DownloadedFiles, std::vector<std::string>{pages.folder + "Small.mp4"});
  EXPECT_EQ(pages.FolderNames(), std::vector<std::string>{"Small.mp4"});
  EXPECT_EQ(ReadFile(pages.folder + "Small.mp4"), ReadFile(streams / "small.bin"));
  // The failed write is not retried at the next quality.
  EXPECT_EQ(CountRequests(service, "videoplayback?v=w1"), 1);
}

TEST(DownloadQueue, AFileThatAppearsMeanwhileIsNeverReplaced) {
  FakeStream slow = Stream(ClipMP4());
  slow.chunk = 8192;
  slow.delay_ms = 50;
  FakeVideoService service({{"r1", Video("Race", {{18, slow}})}});
  DownloadPages pages(true);
  pages.AddLinks({"r1"});
  pages.Download();
  ASSERT_TRUE(PumpUntil([&] { return CountRequests(service, "videoplayback") == 1; }));
  WriteFile(pages.folder + "Race.mp4", "the user's own file");
  ASSERT_TRUE(pages.WaitForSummary());
  EXPECT_EQ(ReadFile(pages.folder + "Race.mp4"), "the user's own file");
  EXPECT_EQ(GlobalVars().DownloadedFiles, std::vector<std::string>{pages.folder + "Race(1).mp4"});
  EXPECT_EQ(ReadFile(pages.folder + "Race(1).mp4"), ReadFile(ClipMP4()));
}

TEST(DownloadQueue, ClosingTheWindowDuringAVideoLeavesNothingPartial) {
  FakeStream slow = Stream(ClipMP4());
  slow.chunk = 4096;
  slow.delay_ms = 200;
  FakeVideoService service({{"c1", Video("Closed", {{18, slow}})}});
  DownloadPages pages(true);
  pages.AddLinks({"c1"});
  pages.Download();
  ASSERT_TRUE(PumpUntil([&] { return CountRequests(service, "videoplayback") == 1; }));
  PumpUntil([] { return false; }, 300);
  pages.form.close();
  ASSERT_TRUE(PumpUntil([&] { return pages.FolderNames().empty(); }, 5000))
      << pages.FolderNames().front();
  EXPECT_TRUE(GlobalVars().DownloadedFiles.empty());
}

}  // namespace
}  // namespace tallowin::test
