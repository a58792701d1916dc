#include "host/foundation/json_file.h"

#include <fstream>

namespace host {

bool readJSONFile(const std::string& path, nlohmann::json& out, std::string& why) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        why = "it cannot be read";
        return false;
    }
    if (in.tellg() > kMaxJSONFileBytes) {
        why = "it is too large";
        return false;
    }
    in.seekg(0);
    out = nlohmann::json::parse(in, nullptr, false);
    if (out.is_discarded()) {
        why = "it is not JSON";
        return false;
    }
    return true;
}

}  // namespace host
