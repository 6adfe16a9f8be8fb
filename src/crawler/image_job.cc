#include "crawler/image_job.h"

#include <vector>

#include "text/text.h"

namespace tarvik {

std::string EncodeImageJob(const ImageJob& job) {
  return job.galleryUrl + "\n" + job.folder + "\n" + ToDecimal(job.row) + "\n" +
         ToDecimal(job.number);
}

std::optional<ImageJob> DecodeImageJob(std::string_view record) {
  std::vector<std::string> fields = SplitText(record, "\n", EmptyPieces::kKeepAll);
  if (fields.size() != 4 || fields[0].empty()) return std::nullopt;
  ImageJob job{fields[0], fields[1], ToInt(fields[2]), ToInt(fields[3])};
  if (job.number < 1) return std::nullopt;
  return job;
}

}  // namespace tarvik
