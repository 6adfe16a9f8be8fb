// The second stage: a category's list pages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvik {

// Pops one category URL, reads the category's page count from its last-page
// link ("list_<prefix>_<total>.html" between the page-count markers) and
// queues the URL of every list page, posting one gallery task for each. A page
// that cannot be read, or holds no count, queues nothing. Runs on categoryPool.
void EnumerateListPagesTask(int32_t unused, int32_t unused2);

// The list pages of a category, for a count text such as "6_189" or "12".
// At most kMaxListPages, however large the count a page claims.
struct ListPagePlan {
  std::string prefix;
  int32_t total = 0;
};
ListPagePlan PlanListPages(std::string_view countText);

inline constexpr int32_t kMaxListPages = 100000;

}  // namespace tarvik
