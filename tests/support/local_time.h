// File times as tests compare them, to the second: a local calendar time by
// the zone's rule in force on that date, and a file's last-write time.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>

namespace testing_support {

inline std::int64_t LocalSeconds(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;  // the zone's rule for that date decides
  return static_cast<std::int64_t>(std::mktime(&local));
}

inline std::int64_t WriteSeconds(const std::filesystem::path& path) {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::file_clock::to_sys(std::filesystem::last_write_time(path)).time_since_epoch())
      .count();
}

}  // namespace testing_support
