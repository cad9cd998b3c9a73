// The vertex displacement shader's outputs computed afresh on the processor in double precision,
// each with how far a correct single-precision evaluation may land from it.
//
// Tolerance. How far a correct single-precision evaluation lands from the exact value depends
// strongly on the vertex: the noise coordinate grows by OctScale at every octave, so its rounding
// error grows the same way (OctScale^octave over up to ten octaves), weighted by OctMult^octave,
// steepened by the ridge shaping, fed back through the multi-fractal damping, scaled by the bends'
// radius 1 / (b * PI) and, for the normal and density, divided by the Epsilon step of the finite
// differences (and where the surface folds, by the small angle between the two differences). One
// fixed tolerance would be too loose for one-octave points or too tight for ten-octave ones. So
// the reference carries with every value an estimate of its rounding error along exactly the
// operations the shader performs: half an ulp per operation, the float rounding of the shader's
// decimal constants, four ulps for the driver's division, square root and exp, 1e-6 for its sin
// and cos, each carried to the result through the operation's first derivatives. Roundings of
// different operations are independent, so they add in quadrature; a worst-case sum would grow
// with the number of operations and allow a hundred times more than the GPU ever deviates. The
// allowed deviation is 8 times the estimate: llvmpipe stays within 0.3 of that, while faults in
// the shader (a constant, sign, weight, index or order) move the outputs far beyond it.
//
// Decision boundaries. Where the shader decides (the cell floor(p + s), the six comparisons of
// Pf0, the wrap mod(w, W), the amplitude texel and its fract) and the decided quantity lies within
// the allowance of its boundary, the GPU may decide the other way. The noise is not continuous
// across such a boundary (the kernel radius 0.6 does not vanish on simplex faces), so these
// vertices are flagged and not compared; the look-ups of the noise textures sit on texel centres
// and never come close.
#pragma once

#include "tests/plugin/gl/vertex/displacement_state.h"

namespace zel::test {

struct Bounded {
    double value;
    double allowed;  // largest deviation a correct single-precision evaluation may show
};

struct ExpectedVertex {
    std::array<Bounded, kCapturedFloats> outputs;  // in CapturedVertex order
    bool nearBoundary;  // some decision may go the other way on the GPU
};

ExpectedVertex referenceVertex(const DisplacementState& state, const AmplitudeImage& amplitude,
                               const GridVertex& vertex);

}  // namespace zel::test
