// The open-file dialog's filter as the Qt dialog takes it.
#include <gtest/gtest.h>

#include "shell/platform_services.h"

namespace tallowin {
namespace {

TEST(OpenDialogFilter, EntriesBecomeCaseFreeNameFilters) {
  EXPECT_EQ(QtNameFilters("Videos|*.AVI;*.3GP;|All Files|*.*"),
            (std::vector<std::string>{"Videos (*.[aA][vV][iI] *.3[gG][pP])", "All Files (*)"}));
  EXPECT_EQ(QtNameFilters("One|*.MP3"), std::vector<std::string>{"One (*.[mM][pP]3)"});
  // A display text without patterns is no entry.
  EXPECT_TRUE(QtNameFilters("").empty());
  EXPECT_EQ(QtNameFilters("A|*.X|B").size(), 1u);
}

}  // namespace
}  // namespace tallowin
