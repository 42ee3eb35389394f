// Inputs that once broke the document reader. Each must now be refused with one
// of the file errors, or, if it is a readable document, survive the road the
// program takes with it: adoption by the sheet and the element list.

#include "document/ScmFile.h"
#include "model/Scheme.h"
#include "netlist/NetlistText.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace korvanix;

TEST(FuzzRegressionTest, StoredInputsAreHandled) {
    const std::filesystem::path folder =
        std::filesystem::path(KORVANIX_TEST_DATA) / "fuzz-regressions";
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename().string().front() == '.')
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        const auto bytes = document::testing::ReadBytes(entry.path().string());
        try {
            document::ScmContent content = document::ReadScmFile(bytes, "fuzz.scm");
            model::Scheme scheme;
            scheme.AdoptLoaded(std::move(content.elements), std::move(content.wires));
            netlist::BuildNetlistText(scheme);
        } catch (const model::FileError& e) {
            EXPECT_TRUE(e.Code() == 100 || e.Code() == 101 || e.Code() == 102) << e.Code();
        }
    }
}
