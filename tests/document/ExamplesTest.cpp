#include "ExampleCircuits.h"
#include "TempFolder.h"
#include "document/Document.h"
#include "document/ScmFile.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

using namespace korvanix;
using namespace korvanix::document::testing;

namespace {
const std::string kExamples = std::string(KORVANIX_SOURCE_DIR) + "/examples/";
}

// The committed examples are exactly what the code writes today; regenerate them
// with `make_examples examples` after a deliberate change of the record layout.
TEST(ExamplesTest, CommittedExamplesMatchTheGenerator) {
    TempFolder folder;
    ASSERT_EQ(tools::WriteExamples(folder.Path().string()), "");
    const auto names = tools::ExampleFileNames();
    ASSERT_EQ(names.size(), 4u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadBytes(folder / name), ReadBytes(kExamples + name));
    }
}

TEST(ExamplesTest, ExamplesOpenWithTheirSettings) {
    for (const std::string& name : tools::ExampleFileNames()) {
        SCOPED_TRACE(name);
        document::Document doc;
        const document::OpenResult r = doc.Open(kExamples + name);
        ASSERT_TRUE(r.read) << r.message;
        EXPECT_EQ(r.message, "");
        EXPECT_GT(doc.scheme.elements.size(), 4u);
        EXPECT_FALSE(doc.scheme.wires.empty());
        EXPECT_EQ(doc.settings.frequency.InputElement(), "U1");
        EXPECT_GE(doc.settings.transient.voltageOutputCount, 1);
        // Every pin of every circuit element is wired.
        for (const auto& e : doc.scheme.elements)
            for (int p = 1; p <= e->PinCount(); ++p)
                EXPECT_GE(e->PinNode(p), 0) << e->Name() << " pin " << p;
    }
}

TEST(ExamplesTest, EveryTruncationOfAnExampleIsCorrupt) {
    const auto full = ReadBytes(kExamples + "transistor_amplifier.scm");
    for (std::size_t size = 0; size < full.size(); ++size) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
        if (cut.size() >= 3)
            cut[2] = document::CheckSum(cut, 3);
        try {
            document::ReadScmFile(cut, "cut.scm");
            ADD_FAILURE() << "a file cut to " << size << " bytes was read";
        } catch (const model::FileError& e) {
            ASSERT_EQ(e.Code(), model::FileError::Corrupt) << "cut to " << size;
        }
    }
}
