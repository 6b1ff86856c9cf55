#include "app/vector_state.h"

namespace tnw::gui {

void clearUpperVectorState() {
#if defined(__x86_64__) || defined(__i386__)
  // The instruction exists only with AVX; without it the registers have no upper halves.
  if (__builtin_cpu_supports("avx")) __asm__ volatile("vzeroupper" ::: "memory");
#endif
}

}  // namespace tnw::gui
