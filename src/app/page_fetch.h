// How the headless browser of the console edition loads a page: one GET
// with redirects followed, the body bytes as received.
#pragma once

#include <string>

namespace app {

std::string FetchPage(const std::u16string& url);

}  // namespace app
