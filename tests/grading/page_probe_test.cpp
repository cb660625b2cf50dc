#include "grading/page_probe.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/test_support.h"

namespace webexam {
namespace {

using test::Gbk;
using test::WriteBytes;

class PageProbe : public ::testing::Test {
 protected:
  // Probes the page holding `bytes` for `text`, starting from a cleared flag.
  bool Found(std::string_view bytes, std::u16string_view text) {
    WriteBytes(dir_.path() / "index.htm", bytes);
    state_.search_text = text;
    state_.match_flag = kCleared;
    ProbePage(*platform_, state_, page_);
    return state_.match_flag == kHit;
  }

  std::unique_ptr<Platform> platform_ = MakePlatform();
  test::TempDir dir_;
  std::u16string page_ = dir_ / "index.htm";
  ProbeState state_;
};

TEST_F(PageProbe, SearchesTheFirst32000BytesOnly) {
  // "marquee" ending exactly at byte 32000 is found; one byte later it is not.
  std::string page = std::string(32000 - 7, ' ') + "marquee";
  EXPECT_TRUE(Found(page, u"marquee"));
  EXPECT_TRUE(Found(page + std::string(1000, ' '), u"marquee"));
  EXPECT_FALSE(Found(" " + page, u"marquee"));

  // 隶 is two bytes: with its lead byte at byte 32000 it matches nothing,
  // nor does the cut lead byte pair with anything to a stray ASCII hit.
  const std::string li = Gbk(u"隶");
  ASSERT_EQ(li.size(), 2u);
  EXPECT_FALSE(Found(std::string(31999, ' ') + li + Gbk(u"书"), u"隶"));
  EXPECT_FALSE(Found(std::string(31999, ' ') + li, std::u16string(1, li[1])));
  EXPECT_TRUE(Found(std::string(31998, ' ') + li + Gbk(u"书"), u"隶"));
}

// Folding itself is fold_test's: here, that both the page and the text are
// folded, and that a blank still counts.
TEST_F(PageProbe, IgnoresCaseAndWidth) {
  EXPECT_TRUE(Found(Gbk(u"<ｈＲ width=85%>"), u"HR"));
  EXPECT_FALSE(Found(Gbk(u"<title> 欢迎进入网页天地！"), u"<title>欢迎进入网页天地！"));
}

TEST_F(PageProbe, ReadsThePageAsGbkWhateverItWasSavedIn) {
  const std::string utf8 = "<font face=\"\xE9\x9A\xB6\xE4\xB9\xA6\">Brenlowe</font>";  // 隶书
  EXPECT_TRUE(Found(utf8, u"Brenlowe"));
  EXPECT_FALSE(Found(utf8, u"隶书"));
  EXPECT_TRUE(Found(Gbk(u"<font face=\"隶书\">"), u"隶书"));
  // NUL bytes and invalid GBK do not stop the search.
  EXPECT_TRUE(
      Found(std::string("\0\0\xFF\x81", 4) + std::string(1, '\0') + "Bjyy.wav", u"bjyy.wav"));
}

TEST_F(PageProbe, AMissWritesNothingSoAHitStaysUntilTheCallerClearsIt) {
  WriteBytes(dir_.path() / "index.htm", "hr");
  state_.search_text = u"abcd";
  for (std::u16string_view before : {u"", u"kk", u"ok", u"OK"}) {
    state_.match_flag = before;
    ProbePage(*platform_, state_, page_);
    EXPECT_EQ(state_.match_flag, before);
  }
}

TEST_F(PageProbe, ProbesSharingADecodedPageSeeEveryEditBetweenThem) {
  // Each text looked for alone, and all but "hr" in one pass as the page decodes.
  const std::vector<std::u16string_view> texts = {u"<TITLE>网页", u"</title>", u"</titlx>"};
  const NeedleSet one_pass(texts);
  for (bool in_one_pass : {false, true}) {
    SCOPED_TRACE(in_one_pass);
    ProbedPage last = in_one_pass ? ProbedPage(one_pass) : ProbedPage();
    auto probe = [&](std::string_view bytes, std::u16string_view text) {
      if (!bytes.empty()) WriteBytes(dir_.path() / "index.htm", bytes);
      state_.search_text = text;
      state_.match_flag = kCleared;
      ProbePage(*platform_, state_, page_, Platform::IfMissing::kFail, last);
      return state_.match_flag == kHit;
    };
    EXPECT_TRUE(probe(Gbk(u"<TITLE>网页</TITLE>"), u"<title>网页"));
    EXPECT_TRUE(probe("", u"</title>"));
    // The same length, one byte changed: read again, decoded again.
    EXPECT_FALSE(probe(Gbk(u"<TITLE>网页</TITLX>"), u"</title>"));
    EXPECT_TRUE(probe("", u"</titlx>"));
    EXPECT_FALSE(probe("", u"hr"));
    EXPECT_TRUE(probe("<hr>", u"hr"));
    EXPECT_FALSE(probe("", u"</titlx>"));
    EXPECT_TRUE(probe(Gbk(u"<hr></TITLX>"), u"</titlx>"));
    EXPECT_TRUE(probe("", u"hr"));
  }
}

}  // namespace
}  // namespace webexam
