#include "EngineTestSupport.h"

#include "engine/Engine.h"

#include <gtest/gtest.h>

namespace engine_test {
namespace {

TEST(Smoke, Rc) {
    Circuit c;
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 2, 1000);
    c.C(2, 0, 1e-6);
    c.Wire();
    engine::Engine engine(c.scheme);
    RecordingNotifier n;
    const auto result = engine.FormulateTransient(n);
    EXPECT_EQ(result.Code(), 0);
    const auto& st = engine.State();
    EXPECT_EQ(st.NI, 0);
    EXPECT_EQ(st.F2.Rows(), 2);
    for (int i = 0; i < st.F2.Rows(); ++i)
        for (int j = 0; j < st.F2.Cols(); ++j)
            printf("%g ", st.F2(i, j));
    printf("\n");
}

} // namespace
} // namespace engine_test
namespace engine_test {
TEST(Smoke, TransistorPin) {
    Circuit c;
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 2, 1000);
    auto* t = c.Add(model::kind::Transistor, std::vector<int>{2, -1, 0});
    c.Wire();
    engine::Engine engine(c.scheme);
    RecordingNotifier n;
    const auto result = engine.FormulateTransient(n);
    printf("code %d elem %p t %p\n", result.Code(), (void*)result.GetElement(), (void*)t);
}
}
#include <random>
namespace engine_test {
TEST(Smoke, SearchSingular) {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> d(1, 100);
    int found = 0;
    for (int trial = 0; trial < 200000 && found < 5; ++trial) {
        double r1 = d(rng), r2 = d(rng), r3 = d(rng);
        Circuit c;
        c.Ground(0);
        c.E(0, 4, 1);
        c.R(4, 0, 1);
        c.R(1, 2, r1);
        c.R(2, 3, r2);
        c.R(3, 1, r3);
        c.Wire();
        engine::Engine engine(c.scheme);
        RecordingNotifier n;
        const auto result = engine.FormulateTransient(n);
        if (result.Code() == 3100) {
            printf("code %d r %g %g %g\n", result.Code(), r1, r2, r3);
            ++found;
        }
    }
}
}
