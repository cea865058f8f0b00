#include <gtest/gtest.h>

#include "app/input_state.h"
#include "frontend/menu.h"

namespace {

cVector<cCmd> Menu(std::initializer_list<int> enabled) {
    cVector<cCmd> menu;
    int i = 0;
    for (int e : enabled) menu.push_back(cCmd(e, std::string(static_cast<size_t>(++i), 'a')));
    return menu;
}

TEST(Menu, EnabledEntriesCountAndMapToTheirCommands) {
    const cVector<cCmd> menu = Menu({1, 0, 1, 0, 1});
    EXPECT_EQ(GetCmdCount(menu), 3);
    EXPECT_EQ(GetCmdNum(0, menu), 0u);
    EXPECT_EQ(GetCmdNum(1, menu), 2u);
    EXPECT_EQ(GetCmdNum(2, menu), 4u);
    EXPECT_EQ(GetCmdNum(3, menu), 0u);  // past the enabled entries
    EXPECT_EQ(GetCmdNum(-1, menu), 0u);
    // The widest enabled text has 5 characters: the window is 96 wide.
    EXPECT_EQ(CenterCmdWindowX(320, menu), 320 - 48);
    EXPECT_EQ(CenterCmdWindowX(320, Menu({0, 0})), 320);
}

TEST(Menu, GridCursorWrapsAtTheEdges) {
    cCursorStack stack;
    cInputState input;
    auto move = [&](int16_t dir) {
        input.m_sDir = dir;
        stack.MoveGrid(input, 100, 200, 10, 16, 1, 5);
        return stack.Current().row;
    };
    EXPECT_EQ(move(kDirUp), 4);
    EXPECT_EQ(stack.Current().y, 200 + 4 * 16);
    EXPECT_EQ(move(kDirDown), 0);
    EXPECT_EQ(move(kDirUp | kDirDown), 4);  // up wins
    EXPECT_EQ(move(kDirLeft), 4);           // one column: left stays at 0
    EXPECT_EQ(stack.Current().column, 0);
    EXPECT_EQ(stack.Current().x, 100);
}

TEST(Menu, CursorStackPushesAndPops) {
    cCursorStack stack;
    stack.Current().row = 3;
    stack.Pop(0);  // one cursor: nothing happens
    EXPECT_EQ(stack.Depth(), 1);
    EXPECT_EQ(stack.Current().row, 3);
    stack.Push(1);
    EXPECT_EQ(stack.Current().row, 3);
    stack.Current().row = 7;
    stack.Pop(1);
    EXPECT_EQ(stack.Current().row, 3);
    stack.Push(0);
    stack.Current().row = 7;
    stack.Pop(2);
    EXPECT_EQ(stack.Current().row, 7);
    stack.Push(0);
    stack.Pop(0);
    EXPECT_EQ(stack.Current().row, 0);
    stack.Push(0);
    stack.Reset();
    EXPECT_EQ(stack.Depth(), 1);
}

}  // namespace
