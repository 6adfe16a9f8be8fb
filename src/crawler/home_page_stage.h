// The first stage: the picture root, the home page and its categories.
#pragma once

#include <string_view>

#include "http/http_request.h"
#include "regex/regex_object.h"

namespace tarvik {

// Makes the picture root, fetches |siteUrl| and, in category mode, queues
// every category link of the page's menu (making its folder); with category
// mode off it queues the site address as the box holds it now. Posts one
// list-page task per queued URL. Runs on crawlThread with the routine's own
// request and regex objects; a page that cannot be read queues nothing.
void RunHomePageStage(HttpRequest& request, RegexObject& regex, std::string_view siteUrl);

}  // namespace tarvik
