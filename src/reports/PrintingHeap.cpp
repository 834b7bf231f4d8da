#include "PrintingHeap.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

#if defined(__GLIBC__)
constexpr int kKeptWhilePrinting = 256 * 1024 * 1024;
constexpr int kMappedFromWhilePrinting = 32 * 1024 * 1024;
// glibc's documented defaults (mallopt(3)).
constexpr int kDefaultThreshold = 128 * 1024;
#endif

} // namespace

PrintingHeap::PrintingHeap()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, kMappedFromWhilePrinting);
    mallopt(M_TRIM_THRESHOLD, kKeptWhilePrinting);
#endif
}

PrintingHeap::~PrintingHeap()
{
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, kDefaultThreshold);
    mallopt(M_MMAP_THRESHOLD, kDefaultThreshold);
    malloc_trim(0);
#endif
}
