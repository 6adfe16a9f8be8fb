// The last stage: one picture of one gallery.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvik {

// Pops one image job and saves the picture as "<folder>\<m>.jpg", unless
// that file is already there (then only the skipped count rises). A picture
// counts as fetched only when its transfer completed with status 200, a
// non-empty body and a Content-Type other than text/html; transport
// failures, 5xx and 429 are tried again (3 attempts, 1 s then 2 s apart)
// while the pool runs. A picture that cannot be fetched or written leaves no
// file, no row change and no downloaded count, and raises the failed count.
// Runs on downloadPool.
void DownloadImageTask(int32_t number, int32_t unused);

// The image URL of picture |number| of the gallery at |galleryUrl|:
// |imageBase| (ending in "/", added when missing) + gallery number + "/" +
// number + ".jpg", the gallery number being what stands between the "/" and
// the "." of the URL's part between ".com/" and "html".
std::string ImageUrl(std::string_view imageBase, std::string_view galleryUrl, int32_t number);

inline constexpr int kDownloadAttempts = 3;

}  // namespace tarvik
