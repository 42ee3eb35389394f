#pragma once

#include <string>

namespace korvanix::cli {

// korvanix-cli poles FILE.scm [--csv] [-o FILE]: the natural frequencies and the
// transfer functions of the document's frequency outputs. Exit code 0 (with a
// note on standard error when there are no transfer functions), 1, 3 (the
// circuit cannot be analysed) or 4 (its equations could not be solved).
struct PolesRequest {
    std::string path;
    bool csv = false;
    std::string output;
};

int RunPolesCommand(const PolesRequest& request);

} // namespace korvanix::cli
