// Tests of the Windows command-line splitting and quoting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/process.h"

namespace {

using platform::QuoteArgument;
using platform::SplitCommandLine;
using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksSeparateAndQuotesGroup) {
    EXPECT_EQ(SplitCommandLine("setup.exe -i C:\\X"), (Args{"setup.exe", "-i", "C:\\X"}));
    EXPECT_EQ(SplitCommandLine("  a \t b  "), (Args{"a", "b"}));
    EXPECT_EQ(SplitCommandLine("p \"two words\" x\"y z\"w"), (Args{"p", "two words", "xy zw"}));
    EXPECT_EQ(SplitCommandLine("p \"\" x"), (Args{"p", "", "x"}));
    EXPECT_EQ(SplitCommandLine("p \"unterminated arg"), (Args{"p", "unterminated arg"}));
    EXPECT_TRUE(SplitCommandLine("").empty());
    EXPECT_TRUE(SplitCommandLine("   ").empty());
}

TEST(SplitCommandLine, ProgramNameKeepsBackslashesAndEndsAtItsQuote) {
    EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\x\\\" -i"),
              (Args{"C:\\Program Files\\x\\", "-i"}));
    EXPECT_EQ(SplitCommandLine("C:\\Temp\\setup.exe -i \"D:\\\""),
              (Args{"C:\\Temp\\setup.exe", "-i", "D:\""}));
}

TEST(SplitCommandLine, BackslashesEscapeOnlyBeforeAQuote) {
    // 2n backslashes + quote: n backslashes, quote toggles; 2n+1: n backslashes and a quote.
    EXPECT_EQ(SplitCommandLine("p a\\\\b"), (Args{"p", "a\\\\b"}));
    EXPECT_EQ(SplitCommandLine("p a\\\"b"), (Args{"p", "a\"b"}));
    EXPECT_EQ(SplitCommandLine("p a\\\\\"b c\""), (Args{"p", "a\\b c"}));
    EXPECT_EQ(SplitCommandLine("p a\\\\\\\"b"), (Args{"p", "a\\\"b"}));
    EXPECT_EQ(SplitCommandLine("p \"C:\\dir\\\\\" next"), (Args{"p", "C:\\dir\\", "next"}));
    EXPECT_EQ(SplitCommandLine("p \"a\"\"b\" c"), (Args{"p", "a\"b", "c"}));
}

TEST(QuoteArgument, LeavesPlainArgumentsAlone) {
    EXPECT_EQ(QuoteArgument("C:\\ZEFI\\"), "C:\\ZEFI\\");
    EXPECT_EQ(QuoteArgument("-i"), "-i");
    EXPECT_EQ(QuoteArgument(""), "\"\"");
    EXPECT_EQ(QuoteArgument("C:\\Program Files\\"), "\"C:\\Program Files\\\\\"");
}

TEST(QuoteArgument, SplitGivesEveryArgumentBack) {
    const Args args = {"C:\\Program Files\\ZEFI\\",
                       "two  words",
                       "",
                       "quote\"inside",
                       "back\\\\\"slashes",
                       "tab\there",
                       "\\\\server\\share\\",
                       "ends with \\",
                       "plain",
                       "\"",
                       "a\\b\\c"};
    std::string line = "prog";
    for (const std::string& a : args) line += " " + QuoteArgument(a);
    Args expected = {"prog"};
    expected.insert(expected.end(), args.begin(), args.end());
    EXPECT_EQ(SplitCommandLine(line), expected) << line;
}

}  // namespace
