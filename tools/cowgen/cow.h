#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "mesh.h"

namespace cowgen {

// One model part as it is written out: its pieces and a normal per vertex.
struct Part {
    std::string name;
    Mesh mesh;
    std::vector<Vec3> normals;
};

// Models the cow and returns its six parts in table order: face, hide,
// hoofs, horns, tail, udder. Progress and the fitting of each part go to log.
std::vector<Part> buildCow(std::ostream& log);

}  // namespace cowgen
