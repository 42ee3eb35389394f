// Regenerates the example documents: make_examples [FOLDER] (default: examples).

#include "ExampleCircuits.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "Usage: make_examples [FOLDER]\n");
        return 2;
    }
    const std::string folder = argc == 2 ? argv[1] : "examples";
    const std::string failure = korvanix::tools::WriteExamples(folder);
    if (!failure.empty()) {
        std::fprintf(stderr, "%s\n", failure.c_str());
        return 1;
    }
    for (const std::string& name : korvanix::tools::ExampleFileNames())
        std::printf("%s/%s\n", folder.c_str(), name.c_str());
    return 0;
}
