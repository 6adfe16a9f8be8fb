// The HTML of the demo site's pages, in UTF-8 (the catalog turns it into the
// encoding each page is served in). Titles and names arrive in UTF-8 too.
//
// The markup is what the crawler's default settings look for: the category
// menu after the first "首页" up to the next "</div>", one
// <li><a href='URL'>NAME</a></li> per category; the last-page link
// "下一页</a><a href='list_P_T.html' class="page-en">末页" as the first
// "下一页" of a list page; gallery entries as
// <a target="_blank" href="URL"><img src="..." alt="..." width=".." height=".." />TITLE</a>;
// and "共N页" as the first "共" of a gallery page.
#pragma once

#include <string>
#include <vector>

namespace tarvik {

struct DemoMenuItem {
  std::string url;
  std::string name;
};

struct DemoListEntry {
  int number = 0;
  std::string url;
  std::string title;
};

std::string HomePageHtml(const std::vector<DemoMenuItem>& menu);

// List page |page| (from 1) of |totalPages| of the category at |categoryUrl|.
std::string ListPageHtml(const DemoMenuItem& category, const std::string& listPrefix, int page,
                         int totalPages, const std::vector<DemoListEntry>& entries, bool utf8);

std::string GalleryPageHtml(const DemoMenuItem& category, const DemoListEntry& gallery,
                            int pictureCount, bool utf8);

}  // namespace tarvik
