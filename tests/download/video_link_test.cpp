// The link test, the clipboard's line splitting and the refusal texts, without a window.
#include <gtest/gtest.h>

#include "download/video_link.h"

namespace tallowin::download {
namespace {

using Lines = std::vector<std::string>;

TEST(VideoLink, NeedsHttpAndTheDomainAnywhere) {
  for (const char* link : {
           "https://www.youtube.com/watch?v=abc123", "http://youtube.com/watch?v=x",
           "https://m.youtube.com/watch?v=abc", "HTTPS://WWW.YOUTUBE.COM/WATCH?V=ABC",
           "https://youtu.be/abc123",
           "  www.youtube.com/watch?v=1 from http",  // no position is asked for
       }) {
    EXPECT_TRUE(IsVideoLink(link)) << link;
  }
  for (const char* text : {
           "www.youtube.com/watch?v=abc123",  // no "http"
           "https://vimeo.com/12345",         // another site
           "https://youtube.co/watch?v=1",
           "https://youtu.be",  // a share link names a video
           "",
           "http",
       }) {
    EXPECT_FALSE(IsVideoLink(text)) << text;
  }
}

TEST(VideoLink, LinesBreakAtLineBreaksAndDropEmptyOnes) {
  EXPECT_EQ(SplitLinkLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLinkLines("\r\n\r\n a \n\n\n\r\nb\r\n\r\n"), (Lines{" a ", "b"}));
  EXPECT_EQ(SplitLinkLines(""), Lines{});
  EXPECT_EQ(SplitLinkLines("\n\r\n"), Lines{});
  // Spaces are kept; a line of spaces is not empty.
  EXPECT_EQ(SplitLinkLines("x\n   \ny"), (Lines{"x", "   ", "y"}));
}

TEST(VideoLink, QuotedStretchesKeepTheirLineBreaks) {
  EXPECT_EQ(SplitLinkLines("a\"b\nc\"d\ne"), (Lines{"a\"b\nc\"d", "e"}));
  EXPECT_EQ(SplitLinkLines("'x\r\ny'\nz"), (Lines{"'x\r\ny'", "z"}));
  // A stretch ends only at the same quote character.
  EXPECT_EQ(SplitLinkLines("\"it's\nstill\"\nnext"), (Lines{"\"it's\nstill\"", "next"}));
  EXPECT_EQ(SplitLinkLines("'say \"hi\n' there\nnext"), (Lines{"'say \"hi\n' there", "next"}));
  // An unclosed quote runs to the end of the text.
  EXPECT_EQ(SplitLinkLines("a\n\"b\nc\n"), (Lines{"a", "\"b\nc\n"}));
}

TEST(VideoLink, ChecksRefuseOtherTextsAndExactRepeats) {
  const std::vector<std::string> listed = {"https://www.youtube.com/watch?v=a"};
  EXPECT_EQ(CheckVideoLink("https://www.youtube.com/watch?v=b", listed), TLinkCheck::Accepted);
  EXPECT_EQ(CheckVideoLink("https://www.youtube.com/watch?v=a", listed), TLinkCheck::AlreadyListed);
  // Letter case makes another row.
  EXPECT_EQ(CheckVideoLink("https://www.youtube.com/watch?v=A", listed), TLinkCheck::Accepted);
  EXPECT_EQ(CheckVideoLink("https://example.org/", listed), TLinkCheck::NotVideoLink);
  EXPECT_EQ(CheckVideoLink("https://www.youtube.com/watch?v=a", {}), TLinkCheck::Accepted);

  EXPECT_EQ(LinkRefusalMessage("x", TLinkCheck::NotVideoLink),
            "x\n\r\n\rThis is not a YouTube video link.");
  EXPECT_EQ(LinkRefusalMessage("y", TLinkCheck::AlreadyListed),
            "y\n\r\n\rThis video is already in the download list.");
  EXPECT_EQ(LinkRefusalMessage("z", TLinkCheck::Accepted), "");
}

TEST(VideoLink, OnlyWebAddressesAreOpened) {
  EXPECT_TRUE(IsWebAddress("https://www.youtube.com/watch?v=a"));
  EXPECT_TRUE(IsWebAddress("HTTP://youtube.com/"));
  EXPECT_FALSE(IsWebAddress("file:///home/me/run.sh?http://youtube.com"));
  EXPECT_FALSE(IsWebAddress(" https://youtube.com/"));
  EXPECT_FALSE(IsWebAddress("/usr/bin/xterm http youtube.com"));
  EXPECT_FALSE(IsWebAddress("http"));
}

}  // namespace
}  // namespace tallowin::download
