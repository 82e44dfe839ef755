// Tests of CMBString: empty values, comparisons, substrings, trimming, searches, growth and the
// allocation-failure report.
#include "script/mbstring.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

namespace {

using zefi::CMBString;

TEST(CMBString, AbsentAndEmptyAreTheSameValue) {
    CMBString absent(static_cast<const char*>(nullptr));
    CMBString empty("");
    CMBString defaulted;
    EXPECT_TRUE(absent == empty);
    EXPECT_TRUE(empty == defaulted);
    EXPECT_TRUE(absent == nullptr);
    EXPECT_TRUE(absent == "");
    EXPECT_TRUE(absent.IsEmpty());
    EXPECT_EQ(absent.GetLength(), 0);
    ASSERT_NE(absent.c_str(), nullptr);
    EXPECT_STREQ(absent.c_str(), "");
    CMBString text("abc");
    text = static_cast<const char*>(nullptr);
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_FALSE(CMBString("a") == CMBString());
}

TEST(CMBString, EqualityIsExactAndCaseSensitive) {
    EXPECT_TRUE(CMBString("Source") == "Source");
    EXPECT_FALSE(CMBString("Source") == "source");
    EXPECT_FALSE(CMBString("Source") == "Source ");
    EXPECT_FALSE(CMBString("Sourc") == CMBString("Source"));
    EXPECT_TRUE("Source" == CMBString("Source"));
}

TEST(CMBString, CompareNoCaseIgnoresCaseAndCanBeLimited) {
    CMBString path("C:\\ZEFI\\Data\\x.dat");
    EXPECT_EQ(path.CompareNoCase("c:\\zefi\\data\\X.DAT"), 0);
    EXPECT_NE(path.CompareNoCase("c:\\zefi"), 0);
    // A value begins with a directory when its first characters match it.
    EXPECT_EQ(path.CompareNoCase("c:\\zefi\\", 8), 0);
    EXPECT_NE(path.CompareNoCase("c:\\zefx\\", 8), 0);
    EXPECT_EQ(path.CompareNoCase("whatever", 0), 0);
    EXPECT_LT(CMBString("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(CMBString("abd").CompareNoCase("ABC"), 0);
    EXPECT_LT(CMBString("ab").CompareNoCase("abc"), 0);
    EXPECT_GT(CMBString("abc").CompareNoCase(nullptr), 0);
    EXPECT_EQ(CMBString().CompareNoCase(""), 0);
    // Limited to more characters than either text has: the whole texts count.
    EXPECT_NE(CMBString("ab").CompareNoCase("abc", 10), 0);
}

TEST(CMBString, MidTakesInclusiveIndexesAndIsEmptyWhenEndBeforeStart) {
    CMBString text("0123456789");
    EXPECT_EQ(text.Mid(2, 4).str(), "234");
    EXPECT_EQ(text.Mid(5, 5).str(), "5");
    EXPECT_TRUE(text.Mid(5, 4).IsEmpty());
    EXPECT_TRUE(text.Mid(9, -1).IsEmpty());
    EXPECT_EQ(text.Mid(-3, 1).str(), "01");
    EXPECT_EQ(text.Mid(8, 100).str(), "89");
    EXPECT_TRUE(text.Mid(10, 12).IsEmpty());
    EXPECT_EQ(text.Left(3).str(), "012");
    EXPECT_TRUE(text.Left(0).IsEmpty());
    EXPECT_EQ(text.Left(50).str(), "0123456789");
    EXPECT_EQ(text.From(7).str(), "789");
    EXPECT_TRUE(text.From(10).IsEmpty());
    EXPECT_TRUE(CMBString().Mid(0, 0).IsEmpty());
}

TEST(CMBString, TrimUsesTheCLibraryWhitespaceSet) {
    CMBString both(" \t\r\n\v\fword one\f\v\n\r\t ");
    both.Trim();
    EXPECT_EQ(both.str(), "word one");
    CMBString left("  x  ");
    left.TrimLeft();
    EXPECT_EQ(left.str(), "x  ");
    CMBString right("  x  ");
    right.TrimRight();
    EXPECT_EQ(right.str(), "  x");
    // A non-breaking space of Windows-1250 (0xA0) is no whitespace for the C library.
    CMBString nbsp("\xA0x\xA0");
    nbsp.Trim();
    EXPECT_EQ(nbsp.str(), "\xA0x\xA0");
    CMBString blank(" \t \r\n");
    blank.Trim();
    EXPECT_TRUE(blank.IsEmpty());
    blank += "again";
    EXPECT_EQ(blank.str(), "again");
}

TEST(CMBString, SearchesAnswerMinusOneAndReadingOutsideGivesZero) {
    CMBString text("a=b=c d");
    EXPECT_EQ(text.Find('='), 1);
    EXPECT_EQ(text.Find('=', 2), 3);
    EXPECT_EQ(text.Find('x'), -1);
    EXPECT_EQ(text.Find('=', 40), -1);
    EXPECT_EQ(text.Find("b=c"), 2);
    EXPECT_EQ(text.Find("b=c", 3), -1);
    EXPECT_EQ(text.Find(""), -1);
    EXPECT_EQ(text.FindOneOf("dc"), 4);
    EXPECT_EQ(text.FindOneOf("xyz"), -1);
    EXPECT_EQ(text.FindSpace(), 5);
    EXPECT_EQ(CMBString("tab\there").FindSpace(), 3);
    EXPECT_EQ(CMBString("none").FindSpace(), -1);
    EXPECT_EQ(CMBString("C:\\Zefi\\BIN").FindNoCase("zefi\\bin"), 3);
    EXPECT_EQ(CMBString("C:\\Zefi").FindNoCase("zefi\\bin"), -1);
    EXPECT_EQ(text.ReverseFind('='), 3);
    EXPECT_EQ(text.ReverseFind('q'), -1);
    EXPECT_EQ(CMBString().Find('a'), -1);
    EXPECT_EQ(CMBString().ReverseFind('a'), -1);
    EXPECT_EQ(text.GetAt(0), 'a');
    EXPECT_EQ(text.GetAt(6), 'd');
    EXPECT_EQ(text.GetAt(7), 0);
    EXPECT_EQ(text.GetAt(-1), 0);
    EXPECT_EQ(CMBString().GetAt(0), 0);
}

TEST(CMBString, ReplaceChangesEveryExactOccurrence) {
    CMBString text("[SrcBase]a;[SrcBase]b;[srcbase]c");
    EXPECT_EQ(text.Replace("[SrcBase]", "D:\\"), 2);
    EXPECT_EQ(text.str(), "D:\\a;D:\\b;[srcbase]c");
    CMBString grows("aaa");
    EXPECT_EQ(grows.Replace("a", "aa"), 3);
    EXPECT_EQ(grows.str(), "aaaaaa");
    CMBString shrinks("x--y--");
    EXPECT_EQ(shrinks.Replace("--", ""), 2);
    EXPECT_EQ(shrinks.str(), "xy");
    EXPECT_EQ(shrinks.Replace("", "z"), 0);
    EXPECT_EQ(shrinks.Replace("q", "z"), 0);
    EXPECT_EQ(shrinks.str(), "xy");
}

TEST(CMBString, AppendingBuildsLongTextsAndCopiesOwnText) {
    CMBString text;
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        text += static_cast<char>('a' + i % 26);
        expected += static_cast<char>('a' + i % 26);
    }
    EXPECT_EQ(text.str(), expected);
    EXPECT_EQ(text.GetLength(), 2000);
    CMBString self("ab");
    self += self;
    self += self.c_str() + 1;
    EXPECT_EQ(self.str(), "ababbab");
    self = self.c_str() + 2;
    EXPECT_EQ(self.str(), "abbab");
    EXPECT_EQ((CMBString("x") + "y" + CMBString("z")).str(), "xyz");
    EXPECT_EQ(("<" + CMBString("p") + ">").str(), "<p>");
}

TEST(CMBString, CopiesAreIndependentAndMovesEmptyTheSource) {
    CMBString original("value");
    CMBString copy(original);
    copy += "!";
    EXPECT_EQ(original.str(), "value");
    EXPECT_EQ(copy.str(), "value!");
    CMBString moved(std::move(copy));
    EXPECT_EQ(moved.str(), "value!");
    EXPECT_TRUE(copy.IsEmpty());  // NOLINT(bugprone-use-after-move)
    CMBString assigned;
    assigned = original;
    assigned = assigned;
    EXPECT_EQ(assigned.str(), "value");
    EXPECT_EQ(CMBString("abc\0def", 7).str(), "abc");
    EXPECT_EQ(CMBString("abcdef", 2).str(), "ab");
    EXPECT_EQ(CMBString(std::string("s\0t", 3)).GetLength(), 1);
}

void* FailingAllocator(size_t) { return nullptr; }

TEST(CMBString, FailedAllocationIsReportedOnStandardOutputAndLeavesItEmpty) {
    CMBString kept("kept");
    auto previous = zefi::detail::SetMBStringAllocator(&FailingAllocator);
    testing::internal::CaptureStdout();
    CMBString failed("C:\\ZEFI\\zefi6.cfg");
    CMBString appended("x");  // fails as well
    kept += " more text than fits";
    std::string out = testing::internal::GetCapturedStdout();
    zefi::detail::SetMBStringAllocator(previous);

    EXPECT_TRUE(failed.IsEmpty());
    EXPECT_STREQ(failed.c_str(), "");
    EXPECT_TRUE(appended.IsEmpty());
    EXPECT_TRUE(kept.IsEmpty());
    EXPECT_NE(out.find("CMBString() failed for: C:\\ZEFI\\zefi6.cfg"), std::string::npos) << out;
    EXPECT_NE(out.find("CMBString() failed for:  more text than fits"), std::string::npos) << out;
    // The allocator is back: copies work again.
    CMBString after("after");
    EXPECT_EQ(after.str(), "after");
}

}  // namespace
