// Shortening a path with "..." in place of the folders next to the file name.
#include <gtest/gtest.h>

#include "ui/compact_path.h"

namespace tallowin::ui {
namespace {

// One unit per character.
int Length(const QString& text) {
  return static_cast<int>(text.size());
}

TEST(CompactPath, DropsFoldersNextToTheNameFirst) {
  const QString path = "/home/ann/videos/holiday/clip.mp4";
  EXPECT_EQ(CompactPath(path, 100, Length), path);
  EXPECT_EQ(CompactPath(path, Length(path), Length), path);
  EXPECT_EQ(CompactPath(path, Length(path) - 1, Length), "/home/ann/videos/.../clip.mp4");
  EXPECT_EQ(CompactPath(path, 25, Length), "/home/ann/.../clip.mp4");
  EXPECT_EQ(CompactPath(path, 18, Length), "/home/.../clip.mp4");
  EXPECT_EQ(CompactPath(path, 13, Length), "/.../clip.mp4");
  EXPECT_EQ(CompactPath(path, 12, Length), ".../clip.mp4");
  // Not even the name fits: the short form is cut at its end.
  EXPECT_EQ(CompactPath(path, 9, Length), ".../cl...");
  EXPECT_EQ(CompactPath(path, 2, Length), "...");
}

TEST(CompactPath, NamesWithoutFolders) {
  EXPECT_EQ(CompactPath("/averyverylongname.mp4", 10, Length), "/averyv...");
  EXPECT_EQ(CompactPath("plainname.mp4", 8, Length), "plain...");
  EXPECT_EQ(CompactPath("rel/dir/sub/name.mp4", 17, Length), "rel/.../name.mp4");
  EXPECT_EQ(CompactPath("rel/dir/sub/name.mp4", 15, Length), ".../name.mp4");
}

}  // namespace
}  // namespace tallowin::ui
