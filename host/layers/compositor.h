#pragma once

#include "host/layers/cg_image.h"
#include "host/layers/layer.h"

namespace host {

// Draws the layer tree under `root` as it shows at `time` (presentation
// values) into `target` through the drawing backend. The target is first cleared to opaque
// black; then each visible layer's contents are stretched over its bounds,
// under its transform about its position, its sublayers in order above it.
// Hidden layers are skipped with their sublayers. `scale` maps points to the
// target's pixels (the window's zoom); the root's bounds' top left lands at
// the target's top left. Only the affine part of a 3-D transform is drawn.
void composeLayerTree(const CALayer& root, CGImage& target, double time, float scale);

// True while some visible layer of the tree has an animation yet to end at
// `time`: the window must keep composing frames until this turns false.
bool layerTreeIsAnimating(const CALayer& root, double time);

}  // namespace host
