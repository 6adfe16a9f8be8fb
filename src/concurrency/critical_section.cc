#include "concurrency/critical_section.h"

namespace tarvik {

void CriticalSection::Enter() { mutex_.lock(); }

void CriticalSection::Leave() { mutex_.unlock(); }

int32_t CriticalSection::TryEnter() { return mutex_.try_lock() ? 1 : 0; }

}  // namespace tarvik
