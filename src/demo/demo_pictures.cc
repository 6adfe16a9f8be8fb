#include "demo/demo_pictures.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <stb_image_write.h>

namespace tarvik {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgb {
  double r, g, b;
};

Rgb FromHsv(double hue, double saturation, double value) {
  hue = std::fmod(hue, 360.0);
  if (hue < 0) hue += 360.0;
  double c = value * saturation;
  double x = c * (1 - std::fabs(std::fmod(hue / 60.0, 2.0) - 1));
  double m = value - c;
  Rgb rgb{};
  switch (static_cast<int>(hue / 60.0)) {
    case 0:
      rgb = {c, x, 0};
      break;
    case 1:
      rgb = {x, c, 0};
      break;
    case 2:
      rgb = {0, c, x};
      break;
    case 3:
      rgb = {0, x, c};
      break;
    case 4:
      rgb = {x, 0, c};
      break;
    default:
      rgb = {c, 0, x};
      break;
  }
  return {(rgb.r + m) * 255, (rgb.g + m) * 255, (rgb.b + m) * 255};
}

uint8_t Clamp(double v) { return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0)); }

// One of four patterns, chosen by the gallery; |phase| moves it per picture.
double Pattern(int kind, double u, double v, double phase, double scale) {
  switch (kind) {
    case 0: {  // rings around a wandering centre
      double cx = 0.5 + 0.3 * std::sin(phase), cy = 0.5 + 0.3 * std::cos(phase * 1.3);
      return std::sin(std::hypot(u - cx, v - cy) * scale * 2 * kPi);
    }
    case 1:  // diagonal stripes
      return std::sin((u + v) * scale * kPi + phase);
    case 2:  // soft checkerboard
      return std::sin(u * scale * kPi + phase) * std::sin(v * scale * kPi - phase);
    default:  // waves
      return std::sin(u * scale * kPi + 3 * std::sin(v * scale * 0.7 * kPi + phase));
  }
}

// 3x5 glyphs for the digits and "-", one row per 3 bits.
constexpr uint16_t kGlyphs[11] = {
    0b111101101101111, 0b010110010010111, 0b111001111100111, 0b111001111001111,
    0b101101111001001, 0b111100111001111, 0b111100111101111, 0b111001001001001,
    0b111101111101111, 0b111101111001111, 0b000000111000000,
};

void DrawLabel(std::vector<uint8_t>& rgb, int width, int height, const std::string& label) {
  int cell = std::max(2, height / 60);
  int labelWidth = static_cast<int>(label.size()) * 4 * cell + cell;
  int labelHeight = 7 * cell;
  int x0 = cell, y0 = height - labelHeight - cell;
  if (x0 + labelWidth > width || y0 < 0) return;
  for (int y = y0; y < y0 + labelHeight; ++y) {
    for (int x = x0; x < x0 + labelWidth; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(p[c] / 4);
    }
  }
  for (size_t i = 0; i < label.size(); ++i) {
    int glyph = label[i] == '-' ? 10 : label[i] - '0';
    for (int row = 0; row < 5; ++row) {
      for (int col = 0; col < 3; ++col) {
        if (!(kGlyphs[glyph] >> (14 - row * 3 - col) & 1)) continue;
        int gx = x0 + cell + static_cast<int>(i) * 4 * cell + col * cell;
        int gy = y0 + cell + row * cell;
        for (int y = gy; y < gy + cell; ++y) {
          std::fill_n(&rgb[(static_cast<size_t>(y) * width + gx) * 3], cell * 3, 255);
        }
      }
    }
  }
}

void AppendBytes(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
}

}  // namespace

std::string DrawDemoJpeg(int gallery, int image, int width, int height, int quality) {
  width = std::max(width, 8);
  height = std::max(height, 8);
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  double hue = (gallery * 47) % 360;
  int kind = gallery % 4;
  double phase = image * 0.9;
  double scale = 3 + (gallery % 5) + (image % 4);
  // A fixed grain makes the pictures look less synthetic and weigh what a
  // real photo of that size would.
  uint32_t seed = static_cast<uint32_t>(gallery) * 7919u + static_cast<uint32_t>(image) * 104729u;
  for (int y = 0; y < height; ++y) {
    double v = static_cast<double>(y) / height;
    for (int x = 0; x < width; ++x) {
      double u = static_cast<double>(x) / width;
      double t = Pattern(kind, u, v, phase, scale);
      Rgb c = FromHsv(hue + 50 * t + 60 * v, 0.45 + 0.35 * u, 0.55 + 0.35 * (t + 1) / 2);
      seed = seed * 1664525u + 1013904223u;
      double grain = static_cast<double>(seed >> 24) / 255.0 * 24 - 12;
      uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      p[0] = Clamp(c.r + grain);
      p[1] = Clamp(c.g + grain);
      p[2] = Clamp(c.b + grain);
    }
  }
  std::string label = std::to_string(gallery);
  if (image > 0) label.append("-").append(std::to_string(image));
  DrawLabel(rgb, width, height, label);

  std::string jpeg;
  stbi_write_jpg_to_func(AppendBytes, &jpeg, width, height, 3, rgb.data(), quality);
  if (jpeg.size() < 2) return {};

  std::string comment = "gallery=" + std::to_string(gallery) +
                        (image > 0 ? " image=" + std::to_string(image) : " thumbnail");
  size_t length = comment.size() + 2;  // the length field counts itself
  std::string segment = "\xFF\xFE";
  segment += static_cast<char>(length >> 8);
  segment += static_cast<char>(length & 0xFF);
  segment += comment;
  jpeg.insert(2, segment);  // right after FF D8
  return jpeg;
}

DemoPictures::DemoPictures(int width, int height, int quality)
    : width_(width), height_(height), quality_(std::clamp(quality, 1, 100)) {}

std::shared_ptr<const std::string> DemoPictures::Picture(int gallery, int image) {
  uint64_t key =
      static_cast<uint64_t>(static_cast<uint32_t>(gallery)) << 32 | static_cast<uint32_t>(image);
  return Cached(key, gallery, image, width_, height_);
}

std::shared_ptr<const std::string> DemoPictures::Thumbnail(int gallery) {
  uint64_t key = static_cast<uint64_t>(static_cast<uint32_t>(gallery)) << 32;
  return Cached(key, gallery, 0, kThumbnailWidth, kThumbnailHeight);
}

std::shared_ptr<const std::string> DemoPictures::Cached(uint64_t key, int gallery, int image,
                                                        int width, int height) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;
  }
  // Drawing takes milliseconds, so it happens outside the lock; two threads
  // that race draw the same bytes and the first one stored wins.
  auto drawn =
      std::make_shared<const std::string>(DrawDemoJpeg(gallery, image, width, height, quality_));
  std::lock_guard<std::mutex> lock(mutex_);
  return cache_.emplace(key, std::move(drawn)).first->second;
}

}  // namespace tarvik
