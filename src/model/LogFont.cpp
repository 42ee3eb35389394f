#include "model/LogFont.h"

#include "model/Text1251.h"

namespace korvanix::model {

std::string LogFont::Face() const {
    return ReadFixedCp1251(faceName, sizeof faceName);
}

void LogFont::SetFace(const std::string& utf8) {
    WriteFixedCp1251(utf8, faceName, sizeof faceName);
}

} // namespace korvanix::model
