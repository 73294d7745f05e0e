#include "platform/memory_policy.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void KeepLargeBuffersInHeap() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}
