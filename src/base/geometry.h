#pragma once
// A control's place in its container, in twips and single precision as the
// windows' designs give them.

namespace tarvex {

struct Geometry {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    friend bool operator==(const Geometry&, const Geometry&) = default;
};

}  // namespace tarvex
