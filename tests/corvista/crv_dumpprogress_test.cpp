// The progress lines of a long dump.

#include "crv_dumpprogress.h"

#include <gtest/gtest.h>

#include <vector>

using norvane::corvista::DumpProgress;

TEST(DumpProgress, ALineEveryIntervalWithSpeedAndTimeLeft) {
    DumpProgress progress(10.0);
    std::vector<std::string> lines;
    // 15 frames per wall second at 30 frames per demo second: the demo goes at half speed.
    for (int n = 0; n <= 375; ++n) {
        const std::string line = progress.frame(100.0 + n / 15.0, 20.0f + static_cast<float>(n) / 30.0f, 96.0f);
        if (!line.empty()) lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Dumping: frame 150, 25.0 s of 96.0 s, 15.0 frames per second, about 2 min 22 s left");
    EXPECT_EQ(lines[1], "Dumping: frame 300, 30.0 s of 96.0 s, 15.0 frames per second, about 2 min 12 s left");
    EXPECT_EQ(progress.frames(), 376);
    EXPECT_EQ(DumpProgress::line(9, 95.7f, 96.0f, 30.0, 0.4), "Dumping: frame 9, 95.7 s of 96.0 s, 30.0 frames per second, about 0 s left");
}
