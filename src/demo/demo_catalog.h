// DemoCatalog: everything the demo site says in its pages, worked out once
// from the options: its categories, its galleries and the bytes of every
// page. Tests read the same catalog to know what a crawl must find.
//
// Immutable after construction, so any thread may read it.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "demo/demo_options.h"

namespace tarvik {

inline constexpr char kDemoPageHost[] = "www.example.com";
inline constexpr char kDemoImageHost[] = "img.example.com";
inline constexpr char kDemoHomeUrl[] = "http://www.example.com/";
inline constexpr char kDemoImageBase[] = "http://img.example.com/pic/";

struct DemoCategory {
  int index = 0;           // position in the menu, from 0
  std::string slug;        // "xinggan"
  std::string name;        // menu text, GBK ("性感美女")
  std::string url;         // "http://www.example.com/xinggan/", also its first list page
  std::string listPrefix;  // list pages are list_<listPrefix>_<k>.html
  int listPages = 0;
  bool utf8 = false;  // its pages are served in UTF-8
};

struct DemoGallery {
  int number = 0;        // unique, from 1001, in menu and list order
  std::string title;     // GBK, exactly as the list page shows it
  int category = 0;      // index into Categories()
  int listPage = 0;      // the list page (from 1) that lists it
  std::string url;       // "http://www.example.com/<slug>/<number>.html"
  int pictureCount = 0;  // the N of "共N页"
};

// One page as served: its body bytes and whether they are UTF-8 (else GBK).
struct DemoPage {
  std::string body;
  bool utf8 = false;
};

class DemoCatalog {
 public:
  // Builds the catalog; out-of-range options are clamped (1 to 6
  // categories, at least 1 list page, counts not below 0, max >= min).
  explicit DemoCatalog(const DemoOptions& options);

  const std::vector<DemoCategory>& Categories() const { return categories_; }
  const std::vector<DemoGallery>& Galleries() const { return galleries_; }

  // The gallery with |number|, or nullptr.
  const DemoGallery* FindGallery(int number) const;

  // The page of the page host at |path| ("/", "/xinggan/",
  // "/xinggan/list_1_2.html", "/xinggan/1001.html"), or nullptr.
  const DemoPage* FindPage(std::string_view path) const;

  // Sum of every gallery's picture count.
  int TotalPictures() const { return totalPictures_; }

  // Picture URL of picture |image| of gallery |number|.
  static std::string PictureUrl(int number, int image);

 private:
  void AddGalleries(const DemoOptions& options);
  void AddPages();

  std::vector<DemoCategory> categories_;
  std::vector<DemoGallery> galleries_;
  std::unordered_map<int, size_t> galleryIndex_;
  std::unordered_map<std::string, DemoPage> pages_;
  int totalPictures_ = 0;
};

}  // namespace tarvik
