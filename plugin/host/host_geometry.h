// Rectangles, matrices and path vertices as the host-independent layer passes them around.
#pragma once

#include <cstdint>

#include "sdk/pf_types.h"

namespace zel {

// Pixels; rows top..bottom and columns left..right as each operation states its bounds.
struct ZQ_Rect {
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};

// The host's rectangle: same values, the host's field order and width.
inline PF_Rect toHostRect(const ZQ_Rect& r)
{
    return PF_Rect{r.left, r.top, r.right, r.bottom};
}

// Laid out as PF_FloatMatrix: rows of three, row vectors, the translation in row 2.
struct ZQ_FloatMatrix {
    double mat[3][3];
};

// The same matrix as a value that multiplies.
struct AEMatrix {
    double m[3][3];

    static constexpr AEMatrix identity() { return AEMatrix{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}; }

    // this × b
    constexpr AEMatrix operator*(const AEMatrix& b) const
    {
        AEMatrix product{};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                for (int k = 0; k < 3; ++k) {
                    product.m[i][j] += m[i][k] * b.m[k][j];
                }
            }
        }
        return product;
    }
};

// One vertex of a mask path with its tangents, in host pixels.
struct ZQ_PathVertex {
    double inTangentX;
    double inTangentY;
    double x;
    double y;
    double outTangentX;
    double outTangentY;
};

}  // namespace zel
