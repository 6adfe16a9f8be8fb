// DemoPictures: the demo site's JPEG pictures. Each picture is drawn and
// encoded the first time it is asked for and kept from then on, so start-up
// costs nothing and a picture's bytes never change during a run.
//
// Every JPEG carries a comment segment right after its start-of-image marker
// that names it: "gallery=<number> image=<m>" ("gallery=<number> thumbnail"
// for thumbnails). Colours and pattern follow the gallery number; the image
// number shifts the pattern and is drawn in a corner.
//
// Thread-safe: any thread may ask for any picture.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace tarvik {

class DemoPictures {
 public:
  DemoPictures(int width, int height, int quality);

  // The JPEG bytes of picture |image| of gallery |gallery|. Never null; the
  // caller does not check that the gallery exists.
  std::shared_ptr<const std::string> Picture(int gallery, int image);

  // A small JPEG for list pages.
  std::shared_ptr<const std::string> Thumbnail(int gallery);

  static constexpr int kThumbnailWidth = 240;
  static constexpr int kThumbnailHeight = 180;

 private:
  std::shared_ptr<const std::string> Cached(uint64_t key, int gallery, int image, int width,
                                            int height);

  const int width_;
  const int height_;
  const int quality_;
  std::mutex mutex_;
  std::unordered_map<uint64_t, std::shared_ptr<const std::string>> cache_;  // guarded by mutex_
};

// Draws and encodes one picture; |image| 0 stands for the thumbnail. Exposed
// for tests; the same arguments always give the same bytes.
std::string DrawDemoJpeg(int gallery, int image, int width, int height, int quality);

}  // namespace tarvik
