// ImageJob: everything one download task needs, carried in one queue record
// so that a task always handles the gallery, folder and row that were queued
// together with its picture number, however the workers interleave.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvik {

struct ImageJob {
  std::string galleryUrl;  // page the picture belongs to; also its Referer
  std::string folder;      // gallery folder, GBK, backslash-joined
  int32_t row = 0;         // results-list row number, from 1
  int32_t number = 0;      // picture number within the gallery, from 1
};

// One text record for a queue. URLs and folder names never hold control
// bytes (the stages skip or replace them), so a line feed separates fields.
std::string EncodeImageJob(const ImageJob& job);

// The job of a record made by EncodeImageJob; nothing for anything else.
std::optional<ImageJob> DecodeImageJob(std::string_view record);

}  // namespace tarvik
