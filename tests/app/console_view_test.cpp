// The figures of the console edition's progress line.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/console_view.h"

namespace {

constexpr std::int64_t KiB = 1024;
constexpr std::int64_t MiB = 1024 * KiB;

struct Case {
  std::string shown, expected;
};

void ExpectAll(std::initializer_list<Case> cases) {
  for (const Case& c : cases) EXPECT_EQ(c.shown, c.expected);
}

TEST(ConsoleProgressFigures, ByteCountsInUnitsOf1024) {
  ExpectAll({{app::ByteCountText(0), "0 B"},
             {app::ByteCountText(1023), "1023 B"},
             {app::ByteCountText(1536), "1.5 KB"},
             {app::ByteCountText(20 * MiB), "20.0 MB"},
             {app::ByteCountText(1280 * MiB), "1.25 GB"}});
}

TEST(ConsoleProgressFigures, Speed) {
  ExpectAll({{app::SpeedText(std::nullopt), "--/s"},
             {app::SpeedText(100.7), "100 B/s"},
             {app::SpeedText(512.0 * KiB), "512.0 KB/s"},
             {app::SpeedText(1.5 * MiB), "1.5 MB/s"}});
}

TEST(ConsoleProgressFigures, TimeLeft) {
  ExpectAll({{app::TimeLeftText(500, 1000, 100.0), "0:05"},
             {app::TimeLeftText(0, 750, 100.0), "0:08"},  // 7.5 s shows as 8
             {app::TimeLeftText(0, 754 * 1000, 1000.0), "12:34"},
             {app::TimeLeftText(0, 3723 * 1000, 1000.0), "1:02:03"},
             {app::TimeLeftText(1000, 1000, std::nullopt), "0:00"},
             {app::TimeLeftText(0, 1000, std::nullopt), "--:--"},        // no speed yet
             {app::TimeLeftText(0, 1000, 0.0), "--:--"},                 // stalled
             {app::TimeLeftText(10, 0, 100.0), "--:--"},                 // no length announced
             {app::TimeLeftText(0, 360000LL * 1000, 1000.0), "--:--"}}); // 100 hours
}

TEST(ConsoleProgressFigures, LineAndSummary) {
  ExpectAll({{app::ProgressFigures(3 * MiB / 2, 4 * MiB, 512.0 * KiB), "1.5 MB / 4.0 MB  512.0 KB/s  0:05 left"},
             {app::ProgressFigures(0, 4 * MiB, std::nullopt), "0 B / 4.0 MB  --/s  --:-- left"},
             {app::ProgressFigures(100, 0, 50.0), "total unknown  50 B/s"},
             {app::DownloadSummary(4 * MiB, 4.1), "4.0 MB in 4.1 s, 999.0 KB/s on average"},
             {app::DownloadSummary(10 * MiB, 62.0), "10.0 MB in 1:02, 165.2 KB/s on average"},
             {app::DownloadSummary(1000, 0.0), "1000 B in 0.0 s, --/s on average"}});
}

}  // namespace
