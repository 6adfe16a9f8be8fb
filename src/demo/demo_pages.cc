#include "demo/demo_pages.h"

#include <string_view>

namespace tarvik {
namespace {

std::string Head(std::string_view title, bool utf8) {
  std::string html = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"";
  html += utf8 ? "utf-8" : "gbk";
  html += "\">\n<title>";
  html += title;
  html += "</title>\n</head>\n<body>\n";
  return html;
}

std::string ListPageName(const std::string& prefix, int page) {
  return "list_" + prefix + "_" + std::to_string(page) + ".html";
}

// A breadcrumb that never says "首页": on the home page that word opens the
// category menu, and elsewhere it is not needed.
std::string Breadcrumb(const DemoMenuItem& category) {
  return "<div class=\"crumb\"><a href='http://www.example.com/'>图库</a> &gt; <a href='" +
         category.url + "'>" + category.name + "</a></div>\n";
}

}  // namespace

std::string HomePageHtml(const std::vector<DemoMenuItem>& menu) {
  std::string html = Head("示例图库 - 生成的风景图集", false);
  html += "<div class=\"nav\">\n<ul>\n<li><a href='http://www.example.com/'>首页</a></li>\n";
  for (const DemoMenuItem& item : menu) {
    html += "<li><a href='" + item.url + "'>" + item.name + "</a></li>\n";
  }
  html += "</ul>\n</div>\n";
  html +=
      "<div class=\"intro\">\n<p>这是一个演示图库，每一张图片都由程序当场绘制。</p>\n"
      "<p>选择上方的分类开始浏览。</p>\n</div>\n</body>\n</html>\n";
  return html;
}

std::string ListPageHtml(const DemoMenuItem& category, const std::string& listPrefix, int page,
                         int totalPages, const std::vector<DemoListEntry>& entries, bool utf8) {
  std::string html = Head(category.name + " 第" + std::to_string(page) + "页", utf8);
  html += Breadcrumb(category);
  html += "<ul class=\"list\">\n";
  for (const DemoListEntry& entry : entries) {
    html += "<li><a target=\"_blank\" href=\"" + entry.url +
            "\"><img src=\"http://img.example.com/thumb/" + std::to_string(entry.number) +
            ".jpg\" alt=\"" + entry.title + "\" width=\"240\" height=\"180\" />" + entry.title +
            "</a></li>\n";
  }
  html += "</ul>\n<div class=\"page\">";
  // The first "下一页" of the page must be the one in front of the last-page
  // link, so the link to the next page comes right before it.
  if (page > 1) {
    html += "<a href='" + category.url + "'>第一页</a>";
    html += "<a href='" + ListPageName(listPrefix, page - 1) + "'>上一页</a>";
  }
  int next = page < totalPages ? page + 1 : totalPages;
  html += "<a href='" + ListPageName(listPrefix, next) + "'>下一页</a>";
  html += "<a href='" + ListPageName(listPrefix, totalPages) + "' class=\"page-en\">末页</a>";
  html += "</div>\n</body>\n</html>\n";
  return html;
}

std::string GalleryPageHtml(const DemoMenuItem& category, const DemoListEntry& gallery,
                            int pictureCount, bool utf8) {
  std::string html = Head(gallery.title, utf8);
  html += Breadcrumb(category);
  html += "<h1>" + gallery.title + "</h1>\n";
  html += "<div class=\"count\">共" + std::to_string(pictureCount) + "页</div>\n";
  std::string number = std::to_string(gallery.number);
  for (int m = 1; m <= pictureCount; ++m) {
    html += "<p><img src=\"http://img.example.com/pic/" + number + "/" + std::to_string(m) +
            ".jpg\" alt=\"" + std::to_string(m) + "\" /></p>\n";
  }
  html += "</body>\n</html>\n";
  return html;
}

}  // namespace tarvik
