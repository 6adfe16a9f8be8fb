// What the demo gallery site serves: its size, its pictures, and the faults
// and delays it injects. A plain value; DemoSite copies it at construction.
#pragma once

#include <vector>

namespace tarvik {

// How one picture misbehaves.
enum class PictureFaultKind {
  kNotFound,          // always 404
  kServerErrorFirst,  // 500 for the first |count| requests, then the picture
  kTruncatedBody,     // full Content-Length, half the body, then the connection closes
  kResetConnection,   // the connection is reset before any byte of the answer
  kStall,             // |stallMs| of silence, then the picture
};

// A fault bound to picture |image| (from 1) of gallery |gallery| (its number).
struct PictureFault {
  int gallery = 0;
  int image = 0;
  PictureFaultKind kind = PictureFaultKind::kNotFound;
  int count = 1;    // kServerErrorFirst only
  int stallMs = 0;  // kStall only
};

struct DemoOptions {
  // Categories come from the site's fixed slug table, in the order
  // xinggan, qingchun, mingxing, qipao, chemo, xiaohua; 1 to 6 of them.
  int categories = 3;
  int listPagesPerCategory = 3;
  int galleriesPerListPage = 6;
  // Each gallery gets a picture count in [minPictures, maxPictures], fixed by
  // its number.
  int minPictures = 8;
  int maxPictures = 20;
  int pictureWidth = 480;
  int pictureHeight = 360;
  int jpegQuality = 85;
  // Index (from 0) of a category whose own pages are served in UTF-8 instead
  // of GBK; -1 for none. The home page stays GBK.
  int utf8Category = -1;
  // Gives the first galleries titles that try to escape or break a folder
  // name: "../", "/", "\", "..", control bytes, a GBK character whose second
  // byte is 0x5C, a 150-character title.
  bool hostileTitles = false;
  // Delay before every answer, pages and pictures alike.
  int latencyMs = 0;
  std::vector<PictureFault> faults;
  // Each keep-alive connection holds one worker for as long as it is open,
  // so this bounds the number of clients served at once.
  int workerThreads = 160;
  // Every request is appended to the log (see DemoSite::RequestLog); turn it
  // off for long benchmark runs. Counters are kept either way.
  bool keepRequestLog = true;
};

}  // namespace tarvik
