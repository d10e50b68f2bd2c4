// Loading a page for the headless browser.
#include "app/page_fetch.h"

#include "base/stream.h"
#include "net/http_client.h"

namespace app {
namespace {

// Far above any portal page; a server announcing more cannot make the
// console edition take the memory.
constexpr std::size_t kPageLimit = 64u << 20;

}  // namespace

FetchedPage FetchPageWithHead(const std::u16string& url) {
  net::THttpClient client;
  client.HandleRedirects = true;
  // A portal that stops answering must not hold the window for ever.
  client.ConnectTimeout = net::kStalledServerTimeout;
  client.ReadTimeout = net::kStalledServerTimeout;
  base::TMemoryStream page(kPageLimit);
  client.Get(url, page);
  client.Disconnect();
  return {page.Data(), client.Response()};
}

std::string FetchPage(const std::u16string& url) { return FetchPageWithHead(url).source; }

}  // namespace app
