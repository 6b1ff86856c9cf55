// The processor's vector registers as a new worker thread finds them.
#pragma once

namespace tnw::gui {

// A thread starts with a copy of its creator's registers. Code in the toolkit's start-up
// leaves the upper halves of the AVX registers in use, and from then on every SSE instruction
// of the thread (the C library's formatting, zlib's compression) pays for the mix: a
// conversion ran some 15% slower than the same conversion in tarnwell-convert. Clearing them
// once at the start of the worker puts it back on par. Does nothing where there is no AVX.
void clearUpperVectorState();

}  // namespace tnw::gui
