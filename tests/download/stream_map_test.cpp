// The page, record and file-name rules of a video's download.
#include <gtest/gtest.h>

#include "download/stream_map.h"
#include "shell/util_funcs.h"
#include "support/test_support.h"

namespace tallowin::test {
namespace {

using download::ExtractVideoTitle;
using download::MakeInfoRecordURL;
using download::ParseStreamMap;
using download::StreamURLForType;
using download::UnescapeURL;
using download::VideoFileName;

std::string Escape(const std::string& text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

// A record as the service writes it: each stream's address escaped inside its piece, the whole
// map escaped once more.
std::string Record(const std::vector<std::string>& pieces) {
  std::string map;
  for (const auto& piece : pieces) map += (map.empty() ? "" : ",") + piece;
  return "status=ok&url_encoded_fmt_stream_map=" + Escape(map) + "&token=x";
}

std::string Piece(const std::string& url, const std::string& itag) {
  return "url=" + Escape(url) + "&itag=" + itag;
}

TEST(StreamMap, TitleOfThePage) {
  const std::string page =
      "<html><head>\n<meta name=\"title\" content=\"Cats &amp; Dogs\">\n"
      "<meta name=\"title\" content=\"second\"></head>";
  EXPECT_EQ(ExtractVideoTitle(page), "Cats &amp; Dogs");
  EXPECT_EQ(DecodeHtmlEntities(ExtractVideoTitle(page)), "Cats & Dogs");
  // Line breaks are ordinary characters of the title; the match is case-sensitive.
  EXPECT_EQ(ExtractVideoTitle("<meta name=\"title\" content=\"two\nlines\">"), "two\nlines");
  EXPECT_EQ(ExtractVideoTitle("<META NAME=\"title\" content=\"x\">"), "");
  EXPECT_EQ(ExtractVideoTitle("<meta name=\"title\" content=\"\">"), "");
  EXPECT_EQ(ExtractVideoTitle("no title here"), "");
  // A title holding a quote and ">" loses that pair, not the closing one.
  EXPECT_EQ(ExtractVideoTitle("<meta name=\"title\" content=\"a\">b\">"), "ab\">");
}

TEST(StreamMap, RecordAddressFromTheMarker) {
  EXPECT_EQ(MakeInfoRecordURL("var a = \"&video_id=abc123\\u0026t=xyz\";"),
            "http://www.youtube.com/get_video_info?video_id=abc123");
  // The shortest run: the first escaped ampersand ends it, across line breaks.
  EXPECT_EQ(MakeInfoRecordURL("video_id=a\nb\\u0026c=d\\u0026"),
            "http://www.youtube.com/get_video_info?video_id=a\nb");
  EXPECT_EQ(MakeInfoRecordURL("<html>no marker</html>"), "http://www.youtube.com/get_video_info?");
  EXPECT_EQ(MakeInfoRecordURL("VIDEO_ID=abc\\u0026"), "http://www.youtube.com/get_video_info?");
}

TEST(StreamMap, UnescapeRules) {
  EXPECT_EQ(UnescapeURL("a+b%2Cc"), "a b,c");
  EXPECT_EQ(UnescapeURL("x%00y%zzw"), "xyw");
  EXPECT_EQ(UnescapeURL("end%"), "end");
  EXPECT_EQ(UnescapeURL("end%4"), "end");
  EXPECT_EQ(UnescapeURL("%41%e9%FF"), std::string("A\xe9\xff"));
  EXPECT_EQ(UnescapeURL(""), "");
}

TEST(StreamMap, StreamsByItag) {
  TGlobalVars vars;
  vars.QualityStreamURL[0] = "stale";
  download::ClearStreamURLs(vars);
  ParseStreamMap(Record({Piece("http://v/22?a=1&b=2", "22"), Piece("http://v/18", "18"),
                         Piece("http://v/5", "5"), Piece("http://v/43", "43")}),
                 vars);
  EXPECT_EQ(vars.QualityStreamURL[3], "http://v/22?a=1&b=2");
  EXPECT_EQ(vars.QualityStreamURL[1], "http://v/18");
  EXPECT_EQ(vars.DefaultStreamURL, "http://v/5");
  for (int type : {0, 2, 4, 5, 6, 7}) EXPECT_EQ(StreamURLForType(vars, type), "") << type;
  EXPECT_EQ(StreamURLForType(vars, 3), "http://v/22?a=1&b=2");
  EXPECT_EQ(StreamURLForType(vars, -1), "");
  EXPECT_EQ(StreamURLForType(vars, 8), "");
}

TEST(StreamMap, BadPiecesAreSkippedAndTheRestRead) {
  TGlobalVars vars;
  ParseStreamMap(Record({"url=" + Escape("http://v/noitag"), Piece("http://v/x", "22&x=1"),
                         Piece("http://v/y", ""), Piece("http://v/z", "-5"),
                         Piece("http://v/37", "37"), "", Piece("http://v/6", "6")}),
                 vars);
  EXPECT_EQ(vars.QualityStreamURL[7], "http://v/37");
  EXPECT_EQ(vars.QualityStreamURL[0], "http://v/6");
  EXPECT_EQ(vars.QualityStreamURL[3], "");
  // A later piece with the same itag wins; the address keeps parameters before "&itag=".
  ParseStreamMap(Record({Piece("http://v/first", "18"),
                         "url=" + Escape("http://v/second") + "&quality=medium&itag=18"}),
                 vars);
  EXPECT_EQ(vars.QualityStreamURL[1], "http://v/second&quality=medium");
}

TEST(StreamMap, RecordsWithoutAMap) {
  TGlobalVars vars;
  ParseStreamMap("status=fail&reason=gone", vars);
  ParseStreamMap("url_encoded_fmt_stream_ma", vars);
  ParseStreamMap("", vars);
  ParseStreamMap("url_encoded_fmt_stream_map", vars);
  EXPECT_EQ(vars.DefaultStreamURL, "");
  for (const auto& url : vars.QualityStreamURL) EXPECT_EQ(url, "");
}

TEST(StreamMap, FileNamesAreSanitisedAndUnique) {
  TempDir dir;
  const std::string first = VideoFileName("T", ".mp4", dir.path().string());
  EXPECT_EQ(first, dir.dir() + "T.mp4");
  WriteFile(first, "x");
  EXPECT_EQ(VideoFileName("T", ".mp4", dir.dir()), dir.dir() + "T(1).mp4");
  EXPECT_EQ(VideoFileName("a/b:c", ".flv", dir.dir()), dir.dir() + "a_b_c.flv");
  EXPECT_EQ(VideoFileName("", ".3gp", dir.dir()), dir.dir() + ".3gp");
  // A NUL (from "&#256;") or a line break would cut or break the name.
  EXPECT_EQ(VideoFileName(std::string("a\0b\nc\x7f", 6), ".mp4", dir.dir()),
            dir.dir() + "a_b_c_.mp4");
  // A title too long for a file name is cut at a character boundary, keeping the extension.
  std::string long_title;
  for (int i = 0; i < 200; ++i) long_title += "\xc3\xa9";  // 400 bytes of "é"
  const std::string path = VideoFileName(long_title, ".mp4", dir.dir());
  const std::string name = path.substr(dir.dir().size());
  EXPECT_LE(name.size(), 255u);
  EXPECT_EQ(name.substr(name.size() - 4), ".mp4");
  EXPECT_EQ((name.size() - 4) % 2, 0u);
  WriteFile(path, "x");  // the system accepts it
}

}  // namespace
}  // namespace tallowin::test
