// Tests of comma-list items: trimming, numbering, leading, empty and trailing items.
#include "script/comma_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using zefi::CMBString;
using zefi::GetCommaListItem;

// Every item the list gives, from 0 until the first failure.
std::vector<std::string> Items(const char* list) {
    std::vector<std::string> items;
    CMBString item("sentinel");
    for (int i = 0; GetCommaListItem(CMBString(list), i, &item); ++i) {
        items.push_back(item.str());
        if (i > 100) break;
    }
    EXPECT_TRUE(item.IsEmpty()) << "a failed lookup empties the item";
    return items;
}

using List = std::vector<std::string>;

TEST(CommaList, ItemsAreTrimmedAndNumberedFromZero) {
    EXPECT_EQ(Items("LIT, CLO ,\tZDISK\t"), (List{"LIT", "CLO", "ZDISK"}));
    EXPECT_EQ(Items("single"), (List{"single"}));
    EXPECT_EQ(Items("  !PZP  "), (List{"!PZP"}));
    EXPECT_EQ(Items("a b, c d"), (List{"a b", "c d"}));
}

TEST(CommaList, LeadingCommaIsSkipped) {
    EXPECT_EQ(Items(",A,B"), (List{"A", "B"}));
    // Only the one comma in front: a second one makes an empty first item.
    EXPECT_EQ(Items(",,A"), (List{"", "A"}));
}

TEST(CommaList, EmptyItemBetweenCommasIsEmptyText) {
    EXPECT_EQ(Items("A,,B"), (List{"A", "", "B"}));
    EXPECT_EQ(Items("A,  ,B"), (List{"A", "", "B"}));
}

TEST(CommaList, TrailingCommaGivesEmptyLastItemAndNothingAfterIt) {
    EXPECT_EQ(Items("A,B,"), (List{"A", "B", ""}));
    CMBString item;
    EXPECT_TRUE(GetCommaListItem(CMBString("A,B,"), 2, &item));
    EXPECT_TRUE(item.IsEmpty());
    EXPECT_FALSE(GetCommaListItem(CMBString("A,B,"), 3, &item));
}

TEST(CommaList, EmptyListHasOnlyAnEmptyItemZero) {
    EXPECT_EQ(Items(""), (List{""}));
    CMBString item("x");
    EXPECT_TRUE(GetCommaListItem(CMBString(), 0, &item));
    EXPECT_TRUE(item.IsEmpty());
    EXPECT_FALSE(GetCommaListItem(CMBString(), 1, &item));
    EXPECT_FALSE(GetCommaListItem(CMBString("A"), -1, &item));
}

TEST(CommaList, ItemBeyondTheLastSeparatorFails) {
    CMBString item;
    EXPECT_TRUE(GetCommaListItem(CMBString("A,B,C"), 2, &item));
    EXPECT_EQ(item.str(), "C");
    EXPECT_FALSE(GetCommaListItem(CMBString("A,B,C"), 3, &item));
    EXPECT_FALSE(GetCommaListItem(CMBString("A,B,C"), 1000, &item));
}

}  // namespace
