// The gallery stage's regex work on one list page: compile the gallery-entry
// pattern, find every entry, take groups 1 and 4 of each. RegexObject against
// std::regex (ECMAScript, ignore-case, multi-line) over the same GBK page.
#include <benchmark/benchmark.h>

#include <regex>
#include <string>

#include "platform/encoding.h"
#include "regex/regex_object.h"

namespace tarvik {
namespace {

const char kGalleryPattern[] =
    "<a target=\"_blank\" href=\"(.*?)\"><img src=\"(.*?)\" alt=\"(.*?)\" width=\".*?\" "
    "height=\".*?\" />(.*?)</a>";

// About 500 KB of list page in GBK: header, one line per entry with markup
// around it, footer; the entry count is returned through |entries|.
std::string ListPage(int& entries) {
  const std::string title = Utf8ToGbk("清新风景图集第");
  const std::string filler = Utf8ToGbk(
      "<div class=\"meta\"><span>更新时间：2026-12-11</span><span>浏览：12345</span>"
      "<span>标签：风景 山水 自然</span></div>");
  std::string page = Utf8ToGbk("<html><head><title>风景图片列表</title></head><body>\r\n<ul>\r\n");
  entries = 0;
  while (page.size() < 500 * 1024) {
    std::string n = std::to_string(++entries);
    page += "<li><a target=\"_blank\" href=\"/gallery/" + n + ".html\"><img src=\"/thumb/" + n +
            ".jpg\" alt=\"" + title + n + "\" width=\"200\" height=\"300\" />" + title + n +
            "</a>" + filler + filler + filler + "</li>\r\n";
  }
  page += "</ul></body></html>\r\n";
  return page;
}

void BM_RegexObjectListPage(benchmark::State& state) {
  int entries = 0;
  const std::string page = ListPage(entries);
  for (auto _ : state) {
    RegexObject regex;
    regex.Create(kGalleryPattern);
    int32_t count = regex.Execute(page);
    for (int32_t i = 1; i <= count; ++i) {
      benchmark::DoNotOptimize(regex.SubMatchText(i, 1));
      benchmark::DoNotOptimize(regex.SubMatchText(i, 4));
    }
    if (count != entries) state.SkipWithError("wrong entry count");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
  state.counters["entries"] = entries;
}
BENCHMARK(BM_RegexObjectListPage)->Unit(benchmark::kMillisecond);

void BM_StdRegexListPage(benchmark::State& state) {
  int entries = 0;
  const std::string page = ListPage(entries);
  for (auto _ : state) {
    std::regex regex(kGalleryPattern,
                     std::regex::ECMAScript | std::regex::icase | std::regex::multiline);
    int count = 0;
    for (std::sregex_iterator it(page.begin(), page.end(), regex), end; it != end; ++it) {
      benchmark::DoNotOptimize((*it)[1].str());
      benchmark::DoNotOptimize((*it)[4].str());
      ++count;
    }
    if (count != entries) state.SkipWithError("wrong entry count");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
  state.counters["entries"] = entries;
}
BENCHMARK(BM_StdRegexListPage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvik
