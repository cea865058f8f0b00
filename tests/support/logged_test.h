// A test that runs in a fresh folder with the report log open and a main
// window that takes the close requests of failure paths, for the rooms
// from core up.
#pragma once
#include <gtest/gtest.h>

#include "core/report_log.h"
#include "core/shell_link.h"
#include "platform/messages.h"
#include "support/test_support.h"

namespace orvtest {

class LoggedTest : public ::testing::Test {
protected:
    ScopedTempFolder tmp;
    plat::WindowHandle window = 0;
    void SetUp() override {
        ASSERT_EQ(InitReportLog("Report_Game.txt"), 1);
        window = plat::CreateMessageWindow();
        g_hMainWnd = window;
    }
    void TearDown() override {
        g_hMainWnd = plat::kNoWindow;
        plat::DestroyMessageWindow(window);
    }
};

}  // namespace orvtest
