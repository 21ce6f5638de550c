// Waits until the current OpenGL context has drawn everything asked of it.
//
// A GL frame is only queued when the present returns (and a CPU rasterizer
// may even drop a frame's work that a later clear covers): benchmarks of GL
// drawing finish every frame, so that each one measures the drawing itself.
#ifndef KESTO_BENCH_GLFINISH_H
#define KESTO_BENCH_GLFINISH_H

namespace kes::bench {

// glFinish on the calling thread's current context, whoever made it.
void FinishGl();

} // namespace kes::bench

#endif
