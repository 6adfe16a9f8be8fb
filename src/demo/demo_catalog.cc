#include "demo/demo_catalog.h"

#include <algorithm>
#include <cstdint>

#include "demo/demo_pages.h"
#include "platform/encoding.h"

namespace tarvik {
namespace {

struct SlugName {
  const char* slug;
  const char* name;  // UTF-8
};

// The crawler files galleries under these names by slug, so the menu uses
// them verbatim.
constexpr SlugName kSlugTable[] = {
    {"xinggan", "性感美女"}, {"qingchun", "清纯美眉"}, {"mingxing", "明星写真"},
    {"qipao", "旗袍美女"},   {"chemo", "性感车模"},    {"xiaohua", "美女校花"},
};
constexpr int kMaxCategories = 6;
constexpr int kFirstGalleryNumber = 1001;

constexpr const char* kThemes[] = {
    "山间晨雾", "海边日落", "城市夜景", "花园小径", "雪后森林", "秋日田野",
    "古镇石桥", "星空草原", "湖畔清晨", "竹林深处", "沙漠驼铃", "春日樱花",
};

// Titles meant to break a naive folder name, one per gallery from the first.
// Each but ".." carries the gallery number so that no two clean up to the
// same name.
std::string HostileTitleUtf8(size_t which, int number) {
  std::string n = std::to_string(number);
  switch (which) {
    case 0:
      return "../../越界" + n;
    case 1:
      return "斜杠/标题" + n;
    case 2:
      return "反斜杠\\标题" + n;
    case 3:
      return "..";
    case 4:
      return "控制\x01\x07\x1b字符" + n;
    // 昞 is 0x95 0x5C in GBK: its second byte is a backslash.
    case 5:
      return "尾字节昞昞" + n;
    case 6: {
      std::string title;
      for (size_t i = n.size(); i < 150; ++i) title += "长";
      return title + n;
    }
    default:
      return {};
  }
}
constexpr size_t kHostileTitleCount = 7;

int PictureCountFor(int number, int minPictures, int maxPictures) {
  uint32_t hash = static_cast<uint32_t>(number) * 2654435761u;
  int span = maxPictures - minPictures + 1;
  return minPictures + static_cast<int>((hash >> 8) % static_cast<uint32_t>(span));
}

std::string Encode(const std::string& utf8Html, bool utf8) {
  return utf8 ? utf8Html : Utf8ToGbk(utf8Html);
}

}  // namespace

DemoCatalog::DemoCatalog(const DemoOptions& options) {
  int count = std::clamp(options.categories, 1, kMaxCategories);
  int listPages = std::max(1, options.listPagesPerCategory);
  for (int i = 0; i < count; ++i) {
    DemoCategory category;
    category.index = i;
    category.slug = kSlugTable[i].slug;
    category.name = Utf8ToGbk(kSlugTable[i].name);
    category.url = std::string(kDemoHomeUrl) + category.slug + "/";
    category.listPrefix = std::to_string(i + 1);
    category.listPages = listPages;
    category.utf8 = (i == options.utf8Category);
    categories_.push_back(std::move(category));
  }
  AddGalleries(options);
  AddPages();
}

void DemoCatalog::AddGalleries(const DemoOptions& options) {
  int perPage = std::max(0, options.galleriesPerListPage);
  int minPictures = std::max(0, options.minPictures);
  int maxPictures = std::max(minPictures, options.maxPictures);
  int number = kFirstGalleryNumber;
  for (const DemoCategory& category : categories_) {
    for (int page = 1; page <= category.listPages; ++page) {
      for (int j = 0; j < perPage; ++j, ++number) {
        DemoGallery gallery;
        gallery.number = number;
        size_t serial = galleries_.size();
        std::string title = options.hostileTitles && serial < kHostileTitleCount
                                ? HostileTitleUtf8(serial, number)
                                : std::string(kThemes[serial % std::size(kThemes)]) + " 第" +
                                      std::to_string(number) + "辑";
        gallery.title = Utf8ToGbk(title);
        gallery.category = category.index;
        gallery.listPage = page;
        gallery.url = category.url + std::to_string(number) + ".html";
        gallery.pictureCount = PictureCountFor(number, minPictures, maxPictures);
        totalPictures_ += gallery.pictureCount;
        galleryIndex_[number] = galleries_.size();
        galleries_.push_back(std::move(gallery));
      }
    }
  }
}

void DemoCatalog::AddPages() {
  std::vector<DemoMenuItem> menu;
  for (const DemoCategory& category : categories_) {
    menu.push_back({category.url, GbkToUtf8(category.name)});
  }
  std::string home = Utf8ToGbk(HomePageHtml(menu));
  pages_["/"] = {home, false};
  pages_["/index.html"] = {home, false};

  for (const DemoCategory& category : categories_) {
    const DemoMenuItem& item = menu[category.index];
    std::string base = "/" + category.slug + "/";
    for (int page = 1; page <= category.listPages; ++page) {
      std::vector<DemoListEntry> entries;
      for (const DemoGallery& gallery : galleries_) {
        if (gallery.category != category.index || gallery.listPage != page) continue;
        DemoListEntry entry{gallery.number, gallery.url, GbkToUtf8(gallery.title)};
        pages_[base + std::to_string(gallery.number) + ".html"] = {
            Encode(GalleryPageHtml(item, entry, gallery.pictureCount, category.utf8),
                   category.utf8),
            category.utf8};
        entries.push_back(std::move(entry));
      }
      DemoPage listPage{Encode(ListPageHtml(item, category.listPrefix, page, category.listPages,
                                            entries, category.utf8),
                               category.utf8),
                        category.utf8};
      std::string name = "list_" + category.listPrefix + "_" + std::to_string(page) + ".html";
      if (page == 1) pages_[base] = listPage;
      pages_[base + name] = std::move(listPage);
    }
  }
}

const DemoGallery* DemoCatalog::FindGallery(int number) const {
  auto it = galleryIndex_.find(number);
  return it == galleryIndex_.end() ? nullptr : &galleries_[it->second];
}

const DemoPage* DemoCatalog::FindPage(std::string_view path) const {
  auto it = pages_.find(std::string(path));
  return it == pages_.end() ? nullptr : &it->second;
}

std::string DemoCatalog::PictureUrl(int number, int image) {
  return std::string(kDemoImageBase) + std::to_string(number) + "/" + std::to_string(image) +
         ".jpg";
}

}  // namespace tarvik
