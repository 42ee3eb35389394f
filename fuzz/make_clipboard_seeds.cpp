// Writes the clipboard blocks of whole documents, as seeds for the paste fuzzer:
//   make_clipboard_seeds OUT_FOLDER FILE.scm...
#include "document/ScmFile.h"
#include "model/Scheme.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace korvanix;
    if (argc < 3) {
        std::cerr << "usage: make_clipboard_seeds OUT_FOLDER FILE.scm...\n";
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        document::ScmContent content = document::ReadScmFile(bytes, argv[i]);
        model::Scheme scheme;
        scheme.AdoptLoaded(std::move(content.elements), std::move(content.wires));
        scheme.SelectAll();
        const model::ClipboardFragment fragment = scheme.CopySelection(false, {50, 50});
        std::ofstream out(std::string(argv[1]) + "/seed" + std::to_string(i - 1) + ".clip",
                          std::ios::binary);
        out.write(reinterpret_cast<const char*>(fragment.bytes.data()),
                  static_cast<std::streamsize>(fragment.bytes.size()));
    }
    return 0;
}
