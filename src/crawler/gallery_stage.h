// The third stage: the galleries of one list page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvik {

// Pops one list-page URL and, for every gallery entry on the page: reads the
// gallery's picture count ("共<N>页" on its first page), makes its folder
// (category folder included), adds its row to the results list and queues one
// download job per picture. Runs on collectPool; counts itself in
// activeCollectTasks while it works.
void CollectGalleriesTask(int32_t unused, int32_t unused2);

// Adds one row to the results list under sharedLock: number, folder name,
// picture count text and downloaded text. Any thread.
void AddResultRow(int32_t rowNumber, std::string_view title, std::string_view countText,
                  std::string_view downloadedText);

// The category folder name for a URL slug ("xinggan" -> "性感美女"), empty
// for a slug the table does not know. Byte-exact and case-sensitive.
std::string CategoryFolderForSlug(std::string_view slug);

// Most pictures one gallery may announce; a page claiming more is believed
// only this far, so a broken page cannot queue millions of jobs.
inline constexpr int32_t kMaxPicturesPerGallery = 10000;

}  // namespace tarvik
