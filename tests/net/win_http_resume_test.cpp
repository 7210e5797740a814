// TWinHTTP: resuming partial files, the progress figures and the output file attributes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/dispatcher.h"
#include "net/file_attributes.h"
#include "net/progress_figures.h"
#include "net/win_http.h"
#include "net_test_support.h"
#include "support/test_support.h"

namespace tallowin::net {
namespace {

using test::EventLog;
using test::Pattern;
using test::TestServer;
using test::WaitIdle;
using Events = std::vector<std::string>;

std::string Url(const std::string& path) {
  return TestServer::Shared().Url(path);
}

struct Resume {
  TWinHTTP http;
  EventLog log;
  std::vector<std::string> ranges;  // the range of every request, from the raw headers
  explicit Resume(const std::string& file) {
    http.Proxy.AccessType = TWinHTTPAccessType::atDirect;
    http.OutputFileName = file;
    log.Attach(http);
    http.OnHeaderInfo = [this](TCustomWinHTTP&, const THeaderInfo& info, bool&) {
      ranges.push_back(std::to_string(info.ErrorCode));
    };
  }
  void Run(const std::string& url, std::uint32_t start) {
    http.URL = url;
    ASSERT_TRUE(http.ReadRange(start, 0));
    ASSERT_TRUE(WaitIdle(http));
  }
};

constexpr std::int64_t kSize = 100000;

TEST(WinHTTPResumeTest, APartialFileResumesToIdenticalBytes) {
  test::TempDir dir;
  const auto path = dir / "video.flv";
  // 50000 bytes on disk; resuming one block earlier makes the first block overlap them.
  test::WriteFile(path, Pattern(0, 50000));
  Resume r(path.string());
  r.Run(Url("/data?size=100000"), 50000 - 4096);
  EXPECT_EQ(r.log.events, Events{"OnDone 100000"});
  EXPECT_EQ(r.ranges, Events{"206"});
  EXPECT_EQ(test::ReadFile(path), Pattern(0, kSize));
  ASSERT_FALSE(r.log.progress.empty());
  // The figures count the bytes that were already there.
  EXPECT_EQ(r.log.progress.back().BytesRead, kSize);
  EXPECT_EQ(r.log.progress.back().DataSize, kSize);
  EXPECT_EQ(r.log.progress.back().PercentsDone, 100);
  EXPECT_EQ(r.log.progress.front().BytesRead, 50000 - 4096 + 2 * 4096);
}

TEST(WinHTTPResumeTest, AFileWhoseBytesDifferIsDownloadedWholeAfterBoundedRetries) {
  test::TempDir dir;
  const auto path = dir / "video.flv";
  // Longer than the download and different from it everywhere.
  test::WriteFile(path, Pattern(0, 120000, 9));
  Resume r(path.string());
  r.Run(Url("/data?size=100000"), 50000);
  EXPECT_EQ(r.log.events, Events{"OnDone 100000"});
  // Two attempts at the position, then everything from the start.
  EXPECT_EQ(r.ranges, (Events{"206", "206", "200"}));
  EXPECT_EQ(test::ReadFile(path), Pattern(0, kSize));
}

TEST(WinHTTPResumeTest, AResumeWithoutOverlapFallsBackToAFullDownload) {
  test::TempDir dir;
  const auto path = dir / "video.flv";
  test::WriteFile(path, Pattern(0, 50000));
  Resume r(path.string());
  r.Run(Url("/data?size=100000"), 50000);  // nothing on disk to compare the first block with
  EXPECT_EQ(r.log.events, Events{"OnDone 100000"});
  EXPECT_EQ(test::ReadFile(path), Pattern(0, kSize));
}

TEST(WinHTTPResumeTest, ACompleteFileIsReportedDone) {
  test::TempDir dir;
  const auto path = dir / "video.flv";
  test::WriteFile(path, Pattern(0, kSize));
  Resume r(path.string());
  r.http.OnHeaderInfo = nullptr;
  r.Run(Url("/data?size=100000"), kSize);
  EXPECT_EQ(r.log.events, Events{"OnDone 100000"});
  EXPECT_TRUE(r.log.body_was_null);
  EXPECT_EQ(test::ReadFile(path), Pattern(0, kSize));
  EXPECT_EQ(ReadFileAttributes(path.string()),
            TWinHTTPFileAttributes{TWinHTTPFileAttribute::atrArchive});

  // A local file shorter than the claimed position is not complete: it is fetched again.
  test::WriteFile(path, Pattern(0, 10));
  Resume short_file(path.string());
  short_file.Run(Url("/data?size=100000"), kSize);
  EXPECT_EQ(short_file.log.events, Events{"OnDone 100000"});
  EXPECT_EQ(test::ReadFile(path), Pattern(0, kSize));
}

TEST(WinHTTPResumeTest, AServerThatIgnoresRangesSendsEverything) {
  test::TempDir dir;
  const auto path = dir / "video.flv";
  test::WriteFile(path, Pattern(0, 50000));
  Resume r(path.string());
  r.Run(Url("/data?size=100000&norange=1"), 50000 - 4096);
  EXPECT_EQ(r.log.events, Events{"OnDone 100000"});
  EXPECT_EQ(r.http.StartOffset(), 0);
  EXPECT_EQ(test::ReadFile(path), Pattern(0, kSize));
}

TEST(WinHTTPResumeTest, AttributesMarkIncompleteAndCompleteFiles) {
  test::TempDir dir;
  const auto lost = dir / "lost.bin";
  Resume r(lost.string());
  r.Run(Url("/lie?len=1000&send=600"), 0);
  EXPECT_EQ(r.log.events, (Events{"OnConnLost 1000 600", "OnAnyError"}));
  EXPECT_EQ(ReadFileAttributes(lost.string()),
            (TWinHTTPFileAttributes{TWinHTTPFileAttribute::atrArchive,
                                    TWinHTTPFileAttribute::atrTemporary}));

  const auto done = dir / "done.bin";
  Resume ok(done.string());
  ok.http.OutputFileAttributes.Complete = {TWinHTTPFileAttribute::atrReadOnly,
                                           TWinHTTPFileAttribute::atrHidden};
  ok.Run(Url("/data?size=10"), 0);
  EXPECT_EQ(ok.log.events, Events{"OnDone 10"});
  EXPECT_EQ(ReadFileAttributes(done.string()),
            (TWinHTTPFileAttributes{TWinHTTPFileAttribute::atrReadOnly,
                                    TWinHTTPFileAttribute::atrHidden}));
  EXPECT_TRUE(ApplyFileAttributes(done.string(), {TWinHTTPFileAttribute::atrArchive}));
  EXPECT_EQ(ReadFileAttributes(done.string()),
            TWinHTTPFileAttributes{TWinHTTPFileAttribute::atrArchive});
}

TEST(ProgressFiguresTest, RoundingAndEdgeValues) {
  // 1 of 8 = 12.5 % -> 12, 3 of 8 = 37.5 % -> 38: halves go to the even neighbour.
  EXPECT_EQ(ComputeProgress(1, 0, 8, 0, 0).PercentsDone, 12);
  EXPECT_EQ(ComputeProgress(3, 0, 8, 0, 0).PercentsDone, 38);
  EXPECT_EQ(ComputeProgress(1, 0, 200, 0, 0).PercentsDone, 0);  // 0.5 -> 0
  EXPECT_EQ(ComputeProgress(3, 0, 200, 0, 0).PercentsDone, 2);  // 1.5 -> 2
  // No length known: 0 %, no estimate; more than announced never passes 100 %.
  EXPECT_EQ(ComputeProgress(5000, 0, 0, 0, 0).PercentsDone, 0);
  EXPECT_EQ(ComputeProgress(5000, 0, 0, 0, 9000).EstimatedTimeLeft, 0);
  EXPECT_EQ(ComputeProgress(5000, 0, 1000, 0, 0).PercentsDone, 100);
  // The resume position counts for the percentage but not for the estimate.
  auto p = ComputeProgress(100, 900, 1100, 0, 0);
  EXPECT_EQ(p.DataSize, 2000);
  EXPECT_EQ(p.BytesRead, 1000);
  EXPECT_EQ(p.PercentsDone, 50);
  // 2.5 s elapsed counts as 2 s; 1000 of 4000 bytes in 2 s: 8 s in all, 6 s left.
  p = ComputeProgress(1000, 0, 4000, 10000, 12500);
  EXPECT_EQ(p.ElapsedTime, 2u);
  EXPECT_EQ(p.EstimatedTimeLeft, 6);
  // 5 of 2 s left after 1 s: 2.5 rounds to 2, so 1 s is left.
  EXPECT_EQ(ComputeProgress(2, 0, 5, 0, 1000).EstimatedTimeLeft, 1);
  // A wrap of the tick counter between start and now is harmless.
  EXPECT_EQ(ComputeProgress(1, 0, 2, 0xFFFFF000u, 0x00001000u).ElapsedTime, 8u);
  // Rate in KB/s; while no whole second has passed it is the kilobytes so far.
  EXPECT_FLOAT_EQ(ComputeProgress(2048, 0, 0, 0, 500).TransferRate, 2.0f);
  EXPECT_FLOAT_EQ(ComputeProgress(8192, 0, 0, 0, 4000).TransferRate, 2.0f);
}

}  // namespace
}  // namespace tallowin::net
