// The kept pages' review: how alike two pages are beyond the starting page, and
// which pages of a real share are copies or pass items on hidden text (a room's
// measure and --explain on a stuffed page are copies_test.py's).
#include "results/kept_page_review.h"

#include <gtest/gtest.h>

#include "results/page_likeness.h"
#include "tools/common/tool_run.h"

namespace webexam {
namespace {

using test::ReadBytes;
namespace fs = std::filesystem;

const std::u16string kStart =
    u"<html>\r\n<body>\r\n<p>abcd</p>\r\n<table border=\"1\">\r\n</body>\r\n";

double Alike(std::u16string_view a, std::u16string_view b) {
  const Shingles start = ShinglesOf(kStart);
  return Likeness(OwnShingles(ShinglesOf(a), start), OwnShingles(ShinglesOf(b), start));
}

TEST(PageLikeness, LayoutCaseAndLineOrderDoNotCount) {
  const std::u16string page =
      u"<html>\r\n<body background=\"Bg14.gif\">\r\n<hr width=\"85%\" color=\"#FF0000\">\r\n"
      u"<table border=\"2\" width=\"50%\" cellpadding=\"5\" bgcolor=\"#008000\">\r\n"
      u"<marquee direction=\"right\">Brenlowe</marquee>\r\n</body>\r\n";
  const std::u16string moved =
      u"<HTML>\n  <BODY background=\"Bg14.gif\">\n  <MARQUEE direction=\"right\">Brenlowe"
      u"</MARQUEE>\n<TABLE border=\"2\"  width=\"50%\" cellpadding=\"5\" bgcolor=\"#008000\">\n"
      u"<HR width=\"85%\" color=\"#FF0000\">\n</BODY>\n";
  EXPECT_EQ(Alike(page, moved), 1.0);
}

class KeptPageReviewTest : public test::ToolRun {
 protected:
  KeptPageReview Review(const std::u16string& starting_page) {
    const std::string log = ReadBytes(share_ / "cjwyzz.txt");
    const ShareLogContent content =
        ReadShareLog(log, [this](std::string_view gbk) { return real_->DecodeGbk(gbk); });
    return ReviewKeptPages(*real_, test::SampleExam().key,
                           test::U16(share_) + real_->PathSeparator(), content,
                           real_->ListFiles(test::U16(share_ / "pages")), starting_page);
  }
  const fs::path share_ = dir_.path() / "share";
  const std::string model_ = ReadBytes(test::ModelAnswer());
  const std::string start_ = ReadBytes(fs::path(WEBEXAM_SOURCE_DIR) / "exam" / "aa" / "index.htm");
  const std::u16string start_path_ =
      test::U16(fs::path(WEBEXAM_SOURCE_DIR) / "exam" / "aa" / "index.htm");
};

// Copies with their likeness are held to the golden summary by webexam_results_test.
TEST_F(KeptPageReviewTest,
       OneCandidatesPagesAreNoCopiesHiddenTextIsNamedAndNoStartingPageComparesNothing) {
  fs::create_directories(share_);
  Submit(share_, "pc1", model_, {u"120722001", u"张三", u"JF01"});
  Submit(share_, "pc2", start_, {u"120722002", u"李四", u"JF02"});
  // One candidate's own second page, on another PC: no copy.
  Submit(share_, "pc5", model_, {u"120722001", u"张三", u"JF05"});
  // Items passed only on text a browser does not show are named.
  Submit(share_, "pc3", test::Gbk(u"<!-- 17-1.BMP Bg14.gif -->\r\n<script>Bjyy.wav</script>"),
         {u"120722003", u"王五", u"JF03"});

  const KeptPageReview review = Review(start_path_);
  EXPECT_TRUE(review.starting_page);
  EXPECT_EQ(review.compared, 2u);  // the untouched starting page is not
  EXPECT_TRUE(review.copies.empty());
  EXPECT_EQ(review.hidden_only,
            std::vector<std::u16string>{
                u"第 4 行（120722003 王五，JF03，pages/120722003-JF03.htm）：第 1、18、19 题"});

  // Without the starting page nothing is compared, and the review says why.
  const KeptPageReview blind = Review(dir_ / "none.htm");
  EXPECT_FALSE(blind.starting_page);
  const std::u16string text = KeptPageReviewText(blind);
  EXPECT_TRUE(
      test::Holds(text, u"相似的页面：没有比较。读不了考试的原始页面 " + (dir_ / "none.htm")));
  EXPECT_TRUE(test::Holds(text, u"WEBEXAM_EXAM"));
}

}  // namespace
}  // namespace webexam
