#include "client/sign_in.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace webexam {
namespace {

class SignInTest : public ::testing::Test {
 protected:
  SignInOutcome Press(std::u16string_view number, std::u16string_view name) {
    return SignIn(*platform_, state_, test::SampleExam(), number, name);
  }
  std::unique_ptr<Platform> platform_ = MakePlatform();
  ExamState state_;
};

TEST_F(SignInTest, AcceptsNumbersFromOneHundredMillionUp) {
  for (std::u16string_view number :
       {u"100000000", u"120722001", u"120723500", u"120722001.5", u" 120722001 ", u"1.20722001e8",
        u"+120722001", u"\u3000120722001", u"99999999999999999999"}) {
    EXPECT_TRUE(IsExamNumber(number, 1e8)) << std::string(number.begin(), number.end());
  }
  for (std::u16string_view number :
       {u"120722", u"99999999", u"99999999.9", u"", u" ", u"abc", u"12072200l", u"120722001x",
        u"1 20722001", u"0x7FFFFFFF", u"1e999", u"-120722001", u"１２０７２２００１",
        u"1,207,220,01", u"inf", u"nan", u"1e", u".", u"+"}) {
    EXPECT_FALSE(IsExamNumber(number, 1e8)) << std::string(number.begin(), number.end());
  }
}

TEST(ExamNumberKey, IsTheNumberSignInReadsAndAnyOtherTextAsItIs) {
  for (std::u16string_view typed : {u"120722001", u"0120722001", u" 120722001\u3000", u"+120722001",
                                    u"1.20722001e8", u"120722001.000"}) {
    EXPECT_EQ(ExamNumberKey(typed), u"120722001") << std::string(typed.begin(), typed.end());
  }
  EXPECT_EQ(ExamNumberKey(u"120722001.5"), u"120722001.5");
  EXPECT_EQ(ExamNumberKey(u"x-7"), u"x-7");
  EXPECT_EQ(ExamNumberKey(u"120722"), u"120722");
}

TEST_F(SignInTest, TestsTheNumberFirstThenTheNameStoringBothAsTyped) {
  EXPECT_EQ(Press(u"120722", u"李四"), SignInOutcome::kBadExamNumber);
  EXPECT_EQ(state_.exam_number, u"120722");
  EXPECT_EQ(state_.candidate_name, u"李四");
  EXPECT_EQ(Press(u"120722001", u""), SignInOutcome::kBadName);
  EXPECT_EQ(Press(u"120722001", u" "), SignInOutcome::kAccepted);  // a name of a blank passes
  EXPECT_EQ(Press(u" 120722001 ", u"张三"), SignInOutcome::kAccepted);
  EXPECT_EQ(state_.exam_number, u" 120722001 ");
  EXPECT_EQ(state_.candidate_name, u"张三");
}

TEST_F(SignInTest, RefusesTextsThatWouldCorruptTheResultLineAndSurvivesAMegabyte) {
  EXPECT_EQ(Press(u"120722001\t", u"张三"), SignInOutcome::kBadExamNumber);
  for (std::u16string_view name : {u"张\t三", u"张三\r\n", u"a\x85", u"김", u"张\U0001F600"}) {
    EXPECT_EQ(Press(u"120722001", name), SignInOutcome::kBadName);
  }
  EXPECT_EQ(Press(u"120722001", u"欧阳·娜娜"), SignInOutcome::kAccepted);
  const std::u16string huge(1 << 20, u'9');
  EXPECT_EQ(Press(huge, huge), SignInOutcome::kBadExamNumber);  // too large to hold
  EXPECT_EQ(Press(u"120722001", huge), SignInOutcome::kAccepted);
  EXPECT_EQ(state_.candidate_name.size(), huge.size());
}

}  // namespace
}  // namespace webexam
