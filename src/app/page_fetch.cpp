// Loading a page for the headless browser.
#include "app/page_fetch.h"

#include "base/stream.h"
#include "net/http_client.h"

namespace app {

std::string FetchPage(const std::u16string& url) {
  net::THttpClient client;
  client.HandleRedirects = true;
  base::TMemoryStream page;
  client.Get(url, page);
  client.Disconnect();
  return page.Data();
}

}  // namespace app
