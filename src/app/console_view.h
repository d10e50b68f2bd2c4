// How the console edition shows the portal window: Label1's texts as lines,
// the progress bar and percentage as one terminal line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace app {

class TForm5;

// Attaches observers to the portal window's status controls. On a
// terminal the progress line is redrawn in place, at most a few times a
// second, with the bytes so far and in total, the speed and the time left
// beside the bar and the percentage, and ends with a line giving the total
// and the average speed. Into a pipe or file it is the bar and the
// percentage, written at most once a second (and at 100%), one line each
// time.
void AttachConsoleView(TForm5& form);

// Ends an open progress line on the terminal, so that what the console
// edition writes next (a message box, an error report) starts on a line of
// its own.
void EndConsoleProgressLine();

// The figures of the terminal's progress line, as text (UTF-8).
// A byte count as the percentage label shows one without a known length:
// "512 B", "1.5 KB", "20.0 MB", "1.25 GB" (units of 1024).
std::string ByteCountText(std::int64_t bytes);
// "512.0 KB/s"; "--/s" while no speed is known yet.
std::string SpeedText(std::optional<double> bytesPerSecond);
// The time the rest of total takes at that speed: "0:07", "12:30",
// "1:02:03"; "--:--" when the total or the speed is unknown, or the rest
// would take 100 hours or more.
std::string TimeLeftText(std::int64_t done, std::int64_t total, std::optional<double> bytesPerSecond);
// What follows the percentage: "1.5 MB / 4.0 MB  512.0 KB/s  0:05 left";
// without a known total (0) the label already shows the bytes so far:
// "total unknown  512.0 KB/s".
std::string ProgressFigures(std::int64_t done, std::int64_t total, std::optional<double> bytesPerSecond);
// "4.0 MB in 4.1 s, 1000.0 KB/s on average"; durations of a minute or more
// as "1:02".
std::string DownloadSummary(std::int64_t bytes, double seconds);

}  // namespace app
