// A program run under the headless toolkit, with its executable in a
// temporary directory and pack.db beside it.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "app/Unit5.h"
#include "app/descriptor.h"
#include "app/page_fetch.h"
#include "app/program.h"
#include "sys/codepage.h"
#include "support/temp_dir.h"
#include "toolkit/headless/headless_platform.h"

namespace portal_testing {

using toolkit::headless::Event;
using toolkit::headless::EventKind;

class PortalFixture : public ::testing::Test {
 protected:
  // Descriptor fields by number; the others stay empty.
  void WriteDescriptor(const std::map<std::size_t, std::u16string>& values) {
    std::vector<std::u16string> fields(app::kDescriptorFieldCount);
    for (const auto& [number, text] : values) fields[number] = text;
    testing_support::WriteFile(dir_.Path() / "pack.db", app::BuildDescriptorFile(fields));
  }

  void WriteDescriptor(const std::string& portalUrl, const std::u16string& installer,
                       const std::u16string& banner = u"") {
    WriteDescriptor({{app::kPackageIdField, u"p1"},
                     {app::kInstallerNameField, installer},
                     {app::kBannerUrlField, banner},
                     {app::kPortalUrlField, sys::FromUtf8(portalUrl)}});
  }

  // Start-up: the application object, the main window reading pack.db, the
  // portal window. With a fetcher the browsers load pages over HTTP.
  void Start(bool fetchPages = true) {
    auto platform = std::make_unique<toolkit::headless::HeadlessPlatform>();
    platform_ = platform.get();
    if (fetchPages) platform->SetPageFetcher(app::FetchPage);
    program_ = std::make_unique<app::Program>(std::move(platform), dir_.Text(u"packstub-console"));
  }

  int Run() { return program_->Run(); }

  app::TForm5& Form() { return *app::Form5; }
  toolkit::headless::HeadlessPlatform& Platform() { return *platform_; }
  std::vector<Event> Boxes() const { return platform_->Boxes(); }
  std::filesystem::path Download(const std::filesystem::path& name = {}) const {
    return name.empty() ? dir_.Path() / "download" : dir_.Path() / "download" / name;
  }
  std::size_t Count(EventKind kind) const {
    std::size_t n = 0;
    for (const Event& event : platform_->Journal()) n += event.kind == kind ? 1 : 0;
    return n;
  }

  testing_support::TempDir dir_;
  toolkit::headless::HeadlessPlatform* platform_ = nullptr;
  std::unique_ptr<app::Program> program_;
};

inline Event Box(std::u16string text) { return {EventKind::MessageBox, std::move(text), u"packstub-console"}; }
inline Event Report(std::u16string text) { return {EventKind::ErrorReport, std::move(text), u"packstub-console"}; }

}  // namespace portal_testing
