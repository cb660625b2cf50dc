#include "text/characters.h"

#include <gtest/gtest.h>

namespace webexam {
namespace {

// A name a candidate chose (a PC, a file on the share) or a share address
// the teacher typed, as the tools print it.
TEST(Characters, ShownNamesMoveNoCursorAndShowNoPassword) {
  EXPECT_EQ(ShownName(u"JF\x1B[2J07\u0085\x7F机房"), u"JF\uFFFD[2J07\uFFFD\uFFFD机房");
  EXPECT_EQ(ShownName(u"JF-07 机房\u3000"), u"JF-07 机房\u3000");
  EXPECT_EQ(ShownName(u"smb://root:Kao shi@2026!@127.0.0.1/teacher/cjwyzz.txt"),
            u"smb://…@127.0.0.1/teacher/cjwyzz.txt");
  EXPECT_EQ(ShownName(u"SMB://kaoshi@teacher/results/"), u"SMB://…@teacher/results/");
  EXPECT_EQ(ShownName(u"\\\\kaoshi:pw@teacher\\results\\"), u"\\\\…@teacher\\results\\");
  // An '@' after the server is a name's own; a local path names no server.
  EXPECT_EQ(ShownName(u"smb://teacher/results/pages/a@b.htm"),
            u"smb://teacher/results/pages/a@b.htm");
  EXPECT_EQ(ShownName(u"/home/kaoshi@room/share/"), u"/home/kaoshi@room/share/");
  EXPECT_EQ(AccountInAddress(std::string_view("smb://u:p@s/r/")).length, 4u);
}

TEST(Characters, AsciiCaseIsIgnoredAndNothingElse) {
  EXPECT_TRUE(EqualIgnoringAsciiCase(u"CJWYZZ.TXT", u"cjwyzz.txt"));
  EXPECT_TRUE(EqualIgnoringAsciiCase("SMB://Server", "smb://server"));
  EXPECT_FALSE(EqualIgnoringAsciiCase(u"cjwyzz.txt", u"cjwyzz.tx"));
  // Full-width and Latin-1 letters are other names on a Windows share.
  EXPECT_FALSE(EqualIgnoringAsciiCase(u"Ａ", u"ａ"));
  EXPECT_FALSE(EqualIgnoringAsciiCase(u"É", u"é"));
  EXPECT_EQ(AsciiLower(u"JF07-ÀБ"), u"jf07-ÀБ");
}

}  // namespace
}  // namespace webexam
