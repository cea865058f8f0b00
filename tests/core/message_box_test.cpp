#include "core/message_box.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/gfx_link.h"
#include "core/report_log.h"
#include "core/shell_link.h"
#include "platform/messages.h"
#include "platform/testing.h"

namespace {

std::vector<std::string> g_layerBoxes;
bool Yes() { return true; }
bool No() { return false; }
int LayerBox(const char* text, const char* caption, uint32_t) {
    g_layerBoxes.push_back(std::string(caption) + ":" + text);
    return 1;
}

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        plat::testing::ClearDialogTranscript();
        g_layerBoxes.clear();
        InitDebugLog(false, "EC_Game.txt");
    }
    void TearDown() override { GfxLink() = GfxHooks{}; }
};

}  // namespace

TEST_F(MessageBoxTest, FullScreenLayerShowsItsOwnBoxElseTheDesktopOne) {
    GfxLink().mesBox = LayerBox;
    GfxLink().fullScreenUp = No;
    EXPECT_EQ(ErrorPrintf("%d 件", 3), plat::kIdOk);
    GfxLink().fullScreenUp = Yes;
    EXPECT_EQ(ErrorBox("over the game"), 1);
    auto desk = plat::testing::DialogTranscript();
    ASSERT_EQ(desk.size(), 1u);
    EXPECT_EQ(desk[0].caption, "エラー");
    EXPECT_EQ(desk[0].text, "3 件");
    EXPECT_EQ(g_layerBoxes, (std::vector<std::string>{"エラー:over the game"}));
}

TEST_F(MessageBoxTest, DebugBoxesStayHiddenWhileTheDebugLogIsOff) {
    EXPECT_EQ(DebugErrorPrintf("x"), 0);
    EXPECT_TRUE(plat::testing::DialogTranscript().empty());
}

TEST_F(MessageBoxTest, OutOfMemoryTellsTheUserThenAsksToClose) {
    plat::WindowHandle w = plat::CreateMessageWindow();
    g_hMainWnd = w;
    OutOfMemoryExit();
    g_hMainWnd = plat::kNoWindow;
    auto boxes = plat::testing::DialogTranscript();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "メモリが不足しています！");
    plat::Message m;
    ASSERT_TRUE(plat::PeekWindowMessage(w, m));
    EXPECT_EQ(m.id, plat::kWmClose);
    plat::DestroyMessageWindow(w);
}
