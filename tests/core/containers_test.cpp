#include "core/containers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/report_log.h"
#include "core/shell_link.h"
#include "platform/messages.h"
#include "support/logged_test.h"
#include "support/test_support.h"

namespace {

// 12 bytes, as a frame step is.
struct Step {
    int frame;
    int duration;
    int flag;
    bool operator==(const Step&) const = default;
};

// An element whose default is not all zero, as stored records are.
struct Named {
    std::string name = "none";
    int value = -1;
    bool operator==(const Named&) const = default;
};

class ContainerTest : public orvtest::LoggedTest {
protected:
    std::string Log() { return orvtest::ReadHostFile("Report_Game.txt"); }
    size_t Closes() {
        size_t n = 0;
        plat::Message m;
        while (plat::PeekWindowMessage(window, m)) n += m.id == plat::kWmClose ? 1 : 0;
        return n;
    }
};

}  // namespace

TEST_F(ContainerTest, VectorBadIndexLogsClosesAndFallsBackToElementZero) {
    cVector<int32_t> v = {10, 20, 30};
    EXPECT_EQ(v.At(1), 20);
    EXPECT_EQ(Closes(), 0u);
    EXPECT_EQ(v.At(3), 10);
    EXPECT_EQ(v.At(-1), 10);
    v.At(7) = 99;  // writes land in element 0
    EXPECT_EQ(v[0], 99);
    EXPECT_EQ(Log(), "err V[3] ( 3 , 4 )\nerr V[-1] ( 3 , 4 )\nerr V[7] ( 3 , 4 )\n");
    EXPECT_EQ(Closes(), 3u);

    cVector<Step> steps(2);
    steps.At(2);
    EXPECT_NE(Log().find("err V[2] ( 2 , 12 )\n"), std::string::npos);
}

TEST_F(ContainerTest, EmptyVectorHandsOutAFreshSpare) {
    cVector<Named> v;
    Named& a = v.At(0);
    EXPECT_EQ(a, Named{});
    a.name = "scribbled";
    // The next caller does not see what the last one wrote.
    EXPECT_EQ(v.At(5), Named{});
    EXPECT_EQ(Closes(), 2u);
}

TEST_F(ContainerTest, ListBadIndexKeepsOneSparePerType) {
    cList<Step> l;
    l.push_back({1, 2, 3});
    l.push_back({4, 5, 6});
    EXPECT_EQ(l.At(1), (Step{4, 5, 6}));
    Step& spare = l.At(2);
    EXPECT_EQ(spare, (Step{0, 0, 0}));
    spare.frame = 42;
    EXPECT_EQ(l.At(-3).frame, 42);  // the same spare, with what was written
    EXPECT_EQ(Log(), "err L[2] ( 2 , 12 )\nerr L[-3] ( 2 , 12 )\n");
    EXPECT_EQ(Closes(), 2u);

    EXPECT_EQ(l.EraseAt(2), l.end());
    EXPECT_EQ(l.EraseAt(-1), l.end());
    EXPECT_EQ(l.Size(), 2);
    auto next = l.EraseAt(0);
    EXPECT_EQ(*next, (Step{4, 5, 6}));
    EXPECT_EQ(l.Size(), 1);
}

TEST_F(ContainerTest, AssignmentTakesTheSourceCount) {
    cVector<Named> five(5), two(2);
    for (int i = 0; i < 5; ++i) five[static_cast<size_t>(i)] = {"n" + std::to_string(i), i};
    two[0] = {"x", 1};
    cVector<Named> target = five;
    target = two;
    EXPECT_EQ(target.Size(), 2);
    EXPECT_EQ(target[0], (Named{"x", 1}));
    target = five;
    ASSERT_EQ(target.Size(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(target[static_cast<size_t>(i)], five[static_cast<size_t>(i)]);

    cVector<cVector<Step>> nested(1), nestedSource(3);
    nestedSource[2].push_back({7, 8, 9});
    nested = nestedSource;
    ASSERT_EQ(nested.Size(), 3);
    EXPECT_EQ(nested[2].At(0), (Step{7, 8, 9}));

    cList<int> la = {1, 2, 3}, lb = {9};
    la = lb;
    EXPECT_EQ(la, (cList<int>{9}));
    lb = {4, 5, 6, 7};
    la = lb;
    EXPECT_EQ(la, (cList<int>{4, 5, 6, 7}));
}

TEST_F(ContainerTest, WholeVectorHelpers) {
    cVector<int32_t> empty;
    empty.Fill(3);
    EXPECT_EQ(empty.Count(3), 0);
    cVector<int32_t> v(4);
    v.Fill(7);
    v[2] = 1;
    EXPECT_EQ(v.Count(7), 3);
    EXPECT_EQ(Closes(), 0u);

    FILE* f = std::fopen("v.bin", "wb");
    ASSERT_TRUE(f);
    EXPECT_TRUE(empty.Write(f));
    cVector<uint8_t> bytes = {0xAB, 0xCD};
    EXPECT_TRUE(bytes.Write(f));
    std::fclose(f);
    EXPECT_EQ(orvtest::Hex(orvtest::ReadHostFile("v.bin")), "00 00 00 00 02 00 00 00 AB CD");
}
