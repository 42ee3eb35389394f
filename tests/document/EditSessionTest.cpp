// The edit session: one history of the document's states, one modified state,
// and transactions that either record a step or put everything back.
#include "document/EditSession.h"
#include "document/UndoHistory.h"
#include "model/ElementKind.h"
#include "model/Scheme.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace korvanix::document {
namespace {

TEST(UndoHistoryTest, DepthIsBoundedAndTheSavedStateIsForgottenWhenDropped) {
    UndoHistory history(3);
    history.Reset({0});
    for (uint8_t i = 1; i <= 5; ++i)
        EXPECT_TRUE(history.Commit({i}));
    EXPECT_FALSE(history.Commit({5})) << "an unchanged state is no step";
    EXPECT_EQ(history.UndoSteps(), 3u);
    EXPECT_FALSE(history.AtSavedState());
    EXPECT_EQ(*history.Undo(), Snapshot{4});
    EXPECT_EQ(*history.Undo(), Snapshot{3});
    EXPECT_EQ(*history.Undo(), Snapshot{2});
    EXPECT_EQ(history.Undo(), nullptr);
    // None of the remaining states is the saved one.
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(history.AtSavedState());
        history.Redo();
    }
    EXPECT_FALSE(history.AtSavedState());

    history.MarkSaved(); // at {5}
    history.Undo();
    history.Commit({9}); // the saved state was ahead: it can never come back
    history.Undo();
    EXPECT_FALSE(history.AtSavedState());
    history.Redo();
    EXPECT_FALSE(history.AtSavedState());
}

TEST(EditSessionTest, ACommittedStepIsOneUndoableStep) {
    EditSession session;
    model::Scheme& scheme = session.Doc().scheme;
    {
        Transaction step(session, "Поместить элемент");
        scheme.PlaceNew(model::kind::Resistor, 400, 400);
        EXPECT_TRUE(step.Commit());
        EXPECT_FALSE(step.Commit()) << "a step commits once";
    }
    EXPECT_EQ(scheme.elements.size(), 1u);
    EXPECT_TRUE(session.IsModified());
    EXPECT_TRUE(session.Doc().IsModified());
    EXPECT_TRUE(session.History().CanUndo());

    ASSERT_TRUE(session.Undo());
    EXPECT_TRUE(scheme.elements.empty());
    EXPECT_FALSE(session.Doc().IsModified()) << "back at the saved state";
    ASSERT_TRUE(session.Redo());
    EXPECT_EQ(scheme.elements.size(), 1u);
    EXPECT_FALSE(session.Redo());

    // A step that changed nothing is no step.
    Transaction nothing(session, "Выделить все");
    scheme.SelectAll();
    EXPECT_FALSE(nothing.Commit());
    EXPECT_EQ(session.History().UndoSteps(), 1u);
}

// A step abandoned halfway (an exception, an early return) leaves the document
// as it was before the step, and tells the window to rebuild what it shows.
TEST(EditSessionTest, AnAbandonedStepPutsTheDocumentBack) {
    EditSession session;
    model::Scheme& scheme = session.Doc().scheme;
    {
        Transaction step(session, "Поместить элемент");
        scheme.PlaceNew(model::kind::Capacitor, 400, 400);
        step.Commit();
    }
    int restored = 0;
    session.SetRestoredHandler([&] { ++restored; });
    try {
        Transaction step(session, "Удалить");
        scheme.SelectAll();
        scheme.DeleteSelection();
        ASSERT_TRUE(scheme.elements.empty());
        throw std::runtime_error("out of memory, say");
    } catch (const std::runtime_error&) {
    }
    ASSERT_EQ(scheme.elements.size(), 1u);
    EXPECT_EQ(scheme.elements.front()->kind, model::kind::Capacitor);
    EXPECT_EQ(restored, 1);
    EXPECT_EQ(session.History().UndoSteps(), 1u);

    // Abandoned without a change: nothing to put back.
    { Transaction idle(session, "Ничего"); }
    EXPECT_EQ(restored, 1);
}

// Every source of "modified", and each one's way back.
TEST(EditSessionTest, TheModifiedStateHasEverySourceAndComesBack) {
    struct Case {
        const char* what;
        std::function<void(EditSession&)> change;
        std::function<void(EditSession&)> back; // null: only saving brings it back
    };
    const Case cases[] = {
        {"an edit, undone",
         [](EditSession& s) {
             Transaction step(s, "Поместить элемент");
             s.Doc().scheme.PlaceNew(model::kind::Resistor, 0, 0);
             step.Commit();
         },
         [](EditSession& s) { s.Undo(); }},
        {"an analysis record, changed back",
         [](EditSession& s) {
             s.Doc().settings.options.maxIter = 50;
             s.UpdateModified();
         },
         [](EditSession& s) {
             s.Doc().settings.options.maxIter = 100;
             s.UpdateModified();
         }},
        {"the view", [](EditSession& s) { s.MarkViewMoved(); }, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EditSession session;
        ASSERT_FALSE(session.IsModified());
        c.change(session);
        EXPECT_TRUE(session.IsModified());
        EXPECT_TRUE(session.Doc().IsModified());
        if (c.back) {
            c.back(session);
            EXPECT_FALSE(session.Doc().IsModified());
            c.change(session);
        }
        session.MarkSaved();
        EXPECT_FALSE(session.UpdateModified()) << "saving makes it the file's state";
        EXPECT_FALSE(session.Doc().IsModified());
    }
}

TEST(EditSessionTest, TheLearntCheckDepthIsNoEdit) {
    EditSession session;
    session.KeepLearntCheckDepth(7);
    EXPECT_EQ(session.Doc().settings.options.checkDepth, 7);
    EXPECT_FALSE(session.Doc().IsModified());
    // A depth the user changed stays a change, whatever the analysis learns.
    session.Doc().settings.options.checkDepth = 2;
    session.UpdateModified();
    session.KeepLearntCheckDepth(5);
    EXPECT_TRUE(session.Doc().IsModified());
}

} // namespace
} // namespace korvanix::document
