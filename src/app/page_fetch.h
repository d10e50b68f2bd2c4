// How the headless browser of the console edition loads a page: one GET
// with redirects followed, the body bytes as received.
#pragma once

#include <string>

#include "net/answer.h"

namespace app {

std::string FetchPage(const std::u16string& url);

// The same fetch, with the head of the answer the body came with.
struct FetchedPage {
  std::string source;
  net::THttpAnswer head;
};
FetchedPage FetchPageWithHead(const std::u16string& url);

}  // namespace app
