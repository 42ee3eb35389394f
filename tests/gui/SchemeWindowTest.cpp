// The sheet window driven through its real widget: an 800 x 600 view at scale 100
// whose centre is placed so that sheet point (800 + px, 800 + py) lies under
// pixel (px, py), with message boxes, file dialogs and modal dialogs scripted.
#include "document/UndoHistory.h"
#include "gui/ActionRegistry.h"
#include "gui/CSchemeWnd.h"
#include "gui/CommandIds.h"
#include "gui/DocumentController.h"
#include "gui/GuiPrompts.h"
#include "gui/Messages.h"
#include "gui/dialogs/CSheetSizeDlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <functional>

namespace korvanix::gui {
namespace {

using document::Snapshot;
using document::TakeSnapshot;

using model::Point;

constexpr int kOffset = 800; // sheet units at pixel 0, both axes

class RecordingMessages : public MessageService {
public:
    void Warn(QWidget*, const QString& text) override { warnings.push_back(text); }
    void Inform(QWidget*, const QString& text) override { informs.push_back(text); }
    Reply Ask(QWidget*, const QString& text, bool withCancel) override {
        questions.push_back(text);
        if (answers.empty())
            return withCancel ? Reply::Cancel : Reply::No;
        const Reply r = answers.front();
        answers.pop_front();
        return r;
    }
    QStringList warnings;
    QStringList informs;
    QStringList questions;
    std::deque<Reply> answers;
};

class ScriptedFiles : public FileDialogs {
public:
    bool OpenPath(QWidget*, const QString&, QString& path) override {
        ++opens;
        if (openPath.isEmpty())
            return false;
        path = openPath;
        return true;
    }
    bool SavePath(QWidget*, const QString&, const QString&, const QString&,
                  QString& path) override {
        ++saves;
        if (savePath.isEmpty())
            return false;
        path = savePath;
        return true;
    }
    bool SavePathOfType(QWidget*, const QString& proposed, const QStringList&, const QStringList&,
                        QString& path, int& filter) override {
        proposedName = proposed;
        if (savePath.isEmpty())
            return false;
        path = savePath;
        filter = saveFilter;
        return true;
    }
    QString openPath;
    QString savePath;
    int saveFilter = 0;
    QString proposedName;
    int opens = 0;
    int saves = 0;
};

class FakeDialogs : public SchemeWndDialogs {
public:
    int EditParameters(QWidget*, model::Scheme& scheme) override {
        ++parameterCalls;
        if (!changeParameter)
            return 0;
        model::Element* e = scheme.selection.front();
        e->SetParam(0, e->GetParam(0) * 2);
        return 1;
    }
    bool SheetSize(QWidget*, int& width, int& height) override {
        if (sheetWidth == 0)
            return false;
        width = sheetWidth;
        height = sheetHeight;
        return true;
    }
    bool SchemeSettings(QWidget*, document::SchemeOptions& options) override {
        ++settingsCalls;
        if (!settings)
            return false;
        settings(options);
        return true;
    }
    bool changeParameter = false;
    int parameterCalls = 0;
    int sheetWidth = 0;
    int sheetHeight = 0;
    int settingsCalls = 0;
    std::function<void(document::SchemeOptions&)> settings;
};

class SchemeWindowTest : public ::testing::Test {
public:
    void SetUp() override {
        SetMessageService(&messages);
        SetFileDialogs(&files);
        wnd.SetDialogs(&dialogs);
        wnd.setFrameStyle(0);
        wnd.resize(900, 700);
        wnd.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));
        const QSize want(800, 600);
        wnd.resize(wnd.size() + (want - wnd.viewport()->size()));
        QCoreApplication::processEvents();
        ASSERT_EQ(wnd.viewport()->size(), want);
        ResetView();
    }
    void TearDown() override {
        SetMessageService(nullptr);
        SetFileDialogs(nullptr);
        for (QMenu* menu : wnd.findChildren<QMenu*>())
            menu->hide();
    }

    // Makes the current circuit the document's starting state at the test view.
    void ResetView() {
        auto& view = wnd.Doc().view;
        view.scale = 100;
        view.centerX = kOffset + 400;
        view.centerY = kOffset + 300;
        wnd.DocumentReloaded();
        ASSERT_EQ(wnd.ToSheet(QPoint(0, 0)), (Point{kOffset, kOffset}));
    }

    // An 8000 by 8000 sheet seen from its middle: room to zoom and scroll.
    void CentreOnALargeSheet() {
        auto& view = wnd.Doc().view;
        view.sheetWidth = 8000;
        view.sheetHeight = 8000;
        view.centerX = 4000;
        view.centerY = 4000;
        wnd.DocumentReloaded();
    }

    model::Scheme& Scheme() { return wnd.Doc().scheme; }
    QWidget* Vp() { return wnd.viewport(); }
    QPoint Px(Point p) { return wnd.ToPixel(p); }

    model::Element* Add(int kind, int x, int y) {
        model::Element* e = Scheme().PlaceNew(kind, x, y);
        Scheme().UpdateTags(e);
        return e;
    }

    void LeftDrag(QPoint from, QPoint to) {
        QTest::mousePress(Vp(), Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(Vp(), (from + to) / 2);
        QTest::mouseMove(Vp(), to);
        QTest::mouseRelease(Vp(), Qt::LeftButton, Qt::NoModifier, to);
    }
    void PlaceAt(int command, QPoint pixel) {
        if (!wnd.IsPlacing())
            wnd.OnCommand(command);
        QTest::mouseMove(Vp(), pixel);
        QTest::mouseClick(Vp(), Qt::LeftButton, Qt::NoModifier, pixel);
    }
    Snapshot State() { return TakeSnapshot(Scheme(), wnd.Doc().settings.scheme, wnd.Doc().view); }
    QMenu* OpenMenu() {
        for (QMenu* menu : wnd.findChildren<QMenu*>())
            if (menu->isVisible())
                return menu;
        return nullptr;
    }

    RecordingMessages messages;
    ScriptedFiles files;
    FakeDialogs dialogs;
    CSchemeWnd wnd;
};

// ---------------------------------------------------------------------------
// Placing

// While placing no button is held: a pointer pushed into the window's margin, or
// just past its edge, rests on the confinement border and the sheet scrolls; one
// taken far away (to a palette) stops the scrolling.
TEST_F(SchemeWindowTest, PlacingScrollsAtTheBorderEvenWhenThePointerOvershoots) {
    auto& view = wnd.Doc().view;
    view.sheetWidth = 6000;
    wnd.DocumentReloaded();
    ASSERT_TRUE(wnd.OnCommand(cmd::PlaceResistor));
    struct Case {
        QPoint pixel;
        bool scrolls;
    };
    const Case cases[] = {{{797, 300}, true}, {{820, 300}, true}, {{1200, 300}, false}};
    for (const Case& c : cases) {
        const int before = view.centerX;
        // Past the edge the window sees no move event, only where the pointer is.
        if (Vp()->rect().contains(c.pixel))
            QTest::mouseMove(Vp(), c.pixel);
        QCursor::setPos(Vp()->mapToGlobal(c.pixel));
        // A scroll that must come is waited for; one that must not ends with the
        // timer's next tick, which finds the pointer gone and stops it unscrolled.
        if (c.scrolls) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return view.centerX > before; }, 5000))
                << c.pixel.x();
        } else {
            EXPECT_TRUE(QTest::qWaitFor([&] { return !wnd.IsAutoScrolling(); }, 5000))
                << c.pixel.x();
            EXPECT_EQ(view.centerX, before) << c.pixel.x();
        }
        ASSERT_TRUE(wnd.IsPlacing());
    }
}

TEST_F(SchemeWindowTest, PlacedElementsSnapToTheGridAndPlacingGoesOnUntilRightClick) {
    QSignalSpy status(&wnd, &CSchemeWnd::statusMessage);
    QSignalSpy cancelled(&wnd, &CSchemeWnd::placingCancelled);
    ASSERT_TRUE(wnd.OnCommand(cmd::PlaceResistor));
    ASSERT_TRUE(wnd.IsPlacing());
    ASSERT_FALSE(status.isEmpty());
    EXPECT_EQ(status.last().at(0).toString(),
              QString::fromUtf8("Отмена: щелчок правой кнопки мыши"));

    struct Case {
        QPoint pixel;
        Point expected;
    };
    const Case cases[] = {{{13, 21}, {16, 24}}, {{11, 19}, {8, 16}}, {{300, 200}, {304, 200}}};
    for (const Case& c : cases) {
        const std::size_t before = Scheme().elements.size();
        PlaceAt(cmd::PlaceResistor, c.pixel);
        ASSERT_EQ(Scheme().elements.size(), before + 1);
        const model::Element* placed = Scheme().elements.back().get();
        EXPECT_EQ(placed->kind, model::kind::Resistor);
        EXPECT_EQ(placed->x, kOffset + c.expected.x) << c.pixel.x();
        EXPECT_EQ(placed->y, kOffset + c.expected.y) << c.pixel.y();
        // The next one of the same kind is already waiting, with the next id.
        ASSERT_TRUE(wnd.IsPlacing());
        ASSERT_NE(wnd.PlacingElement(), nullptr);
        EXPECT_EQ(wnd.PlacingElement()->kind, model::kind::Resistor);
        EXPECT_EQ(wnd.PlacingElement()->id, Scheme().nextElementId);
    }
    EXPECT_NE(Scheme().elements[0]->id, Scheme().elements[1]->id);
    EXPECT_TRUE(wnd.Doc().IsModified());

    QTest::mouseClick(Vp(), Qt::RightButton, Qt::NoModifier, QPoint(500, 500));
    EXPECT_FALSE(wnd.IsPlacing());
    EXPECT_EQ(wnd.PlacingElement(), nullptr);
    EXPECT_EQ(cancelled.count(), 1);
    EXPECT_EQ(OpenMenu(), nullptr) << "the right click that ends placing opens no menu";
    EXPECT_EQ(Scheme().elements.size(), 3u);
}

TEST_F(SchemeWindowTest, CancelCommandAndNewPlacingCommandDropTheWaitingElement) {
    wnd.OnCommand(cmd::PlaceResistor);
    wnd.OnCommand(cmd::PlaceGround);
    ASSERT_TRUE(wnd.IsPlacing());
    EXPECT_EQ(wnd.PlacingElement()->kind, model::kind::Ground);
    QSignalSpy cancelled(&wnd, &CSchemeWnd::placingCancelled);
    wnd.OnCommand(cmd::CancelPlacing);
    EXPECT_FALSE(wnd.IsPlacing());
    EXPECT_TRUE(Scheme().elements.empty());
    EXPECT_EQ(cancelled.count(), 0) << "only a right click reports the palettes going up";
    EXPECT_FALSE(wnd.Doc().IsModified());
}

// ---------------------------------------------------------------------------
// Wires

TEST_F(SchemeWindowTest, WireDrawnBetweenTwoPinsAndIntoAWireMakesAJunction) {
    model::Element* r1 = Add(model::kind::Resistor, 1000, 1000);
    model::Element* r2 = Add(model::kind::Resistor, 1200, 1000);
    model::Element* r3 = Add(model::kind::Resistor, 1096, 1200);
    ResetView();

    LeftDrag(Px(r1->PinPosition(2)), Px(r2->PinPosition(1)));
    ASSERT_EQ(Scheme().wires.size(), 1u);
    const model::Wire* w = Scheme().wires.front().get();
    EXPECT_TRUE((w->end1 == r1 && w->pin1 == 2 && w->end2 == r2 && w->pin2 == 1));
    EXPECT_EQ(wnd.CurrentMode(), CSchemeWnd::Mode::Idle);
    EXPECT_TRUE(wnd.Doc().IsModified());

    // From the third resistor's pin into the middle of that wire.
    const Point middle{(r1->PinPosition(2).x + r2->PinPosition(1).x) / 2, 1000};
    for (const auto& e : Scheme().elements)
        ASSERT_FALSE(e->Bounds().Normalized().Contains(middle))
            << "the drop must hit only the wire";
    ASSERT_NE(Scheme().WireAt(middle.x, middle.y), nullptr);
    LeftDrag(Px(r3->PinPosition(1)), Px(middle));
    ASSERT_EQ(Scheme().elements.size(), 4u);
    const model::Element* junction = Scheme().elements.back().get();
    EXPECT_EQ(junction->kind, model::kind::Connector);
    EXPECT_EQ(Scheme().wires.size(), 3u);
    // All three resistors end up on one node.
    EXPECT_EQ(r1->PinNode(2), r2->PinNode(1));
    EXPECT_EQ(r1->PinNode(2), r3->PinNode(1));
    EXPECT_GE(r1->PinNode(2), 1);
}

TEST_F(SchemeWindowTest, WireReleasedOnEmptySheetMakesNothing) {
    model::Element* r1 = Add(model::kind::Resistor, 1000, 1000);
    ResetView();
    LeftDrag(Px(r1->PinPosition(2)), QPoint(600, 500));
    EXPECT_TRUE(Scheme().wires.empty());
    EXPECT_FALSE(wnd.Doc().IsModified());
    EXPECT_FALSE(wnd.IsCommandEnabled(cmd::Undo));
}

// The caption of the object under the mouse belongs to the document it came
// from: a new document, or the history taking the object away, clears it.
TEST_F(SchemeWindowTest, TheHoverCaptionGoesWithTheDocumentItDescribes) {
    model::Element* r = Add(model::kind::Resistor, 1000, 1000);
    ResetView();
    QString caption;
    QObject::connect(&wnd, &CSchemeWnd::hoverCaption, [&](const QString& text) { caption = text; });
    QTest::mouseMove(Vp(), Px({r->x, r->y}));
    ASSERT_FALSE(caption.isEmpty());
    wnd.OnCommand(cmd::New);
    EXPECT_EQ(caption, QString());

    ResetView();
    PlaceAt(cmd::PlaceResistor, Px({1000, 1000}));
    wnd.OnCommand(cmd::CancelPlacing);
    QTest::mouseMove(Vp(), Px({1000, 1000}) + QPoint(1, 0));
    ASSERT_FALSE(caption.isEmpty());
    wnd.OnCommand(cmd::Undo);
    EXPECT_EQ(caption, QString());
}

// Escape in the middle of each gesture ends it as a right click would and puts
// back whatever it changed: nothing is recorded, the circuit is as before.
TEST_F(SchemeWindowTest, EscapeEndsEveryGestureAndPutsBackWhatItChanged) {
    struct Case {
        const char* what;
        std::function<void(model::Element*, model::Element*)> begin;
        CSchemeWnd::Mode mode;
    };
    const Case cases[] = {
        {"placing",
         [&](model::Element*, model::Element*) {
             wnd.OnCommand(cmd::PlaceCapacitor);
             QTest::mouseMove(Vp(), QPoint(400, 400));
         },
         CSchemeWnd::Mode::Placing},
        {"moving",
         [&](model::Element* r1, model::Element*) {
             QTest::mousePress(Vp(), Qt::LeftButton, Qt::NoModifier, Px({r1->x, r1->y}));
             QTest::mouseMove(Vp(), Px({r1->x, r1->y}) + QPoint(100, 80));
         },
         CSchemeWnd::Mode::Moving},
        {"wiring a picked-up wire",
         [&](model::Element* r1, model::Element*) {
             const QPoint pin = Px(r1->PinPosition(2));
             QTest::mousePress(Vp(), Qt::LeftButton, Qt::NoModifier, pin);
             QTest::mouseMove(Vp(), pin + QPoint(60, 120));
         },
         CSchemeWnd::Mode::Wiring},
        {"selecting",
         [&](model::Element*, model::Element*) {
             QTest::mousePress(Vp(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
             QTest::mouseMove(Vp(), QPoint(700, 500));
         },
         CSchemeWnd::Mode::Selecting},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scheme().elements.clear();
        Scheme().wires.clear();
        Scheme().selection.clear();
        model::Element* r1 = Add(model::kind::Resistor, 1000, 1000);
        model::Element* r2 = Add(model::kind::Resistor, 1200, 1000);
        Scheme().Join(r1, 2, r2, 1);
        ResetView();
        const Snapshot before = State();
        int cancelled = 0;
        const auto connection =
            QObject::connect(&wnd, &CSchemeWnd::placingCancelled, [&] { ++cancelled; });

        c.begin(Scheme().elements.front().get(), Scheme().elements.back().get());
        ASSERT_EQ(wnd.CurrentMode(), c.mode);
        QTest::keyClick(&wnd, Qt::Key_Escape);
        EXPECT_EQ(wnd.CurrentMode(), CSchemeWnd::Mode::Idle);
        EXPECT_EQ(wnd.PlacingElement(), nullptr);
        EXPECT_FALSE(wnd.IsAutoScrolling());
        EXPECT_EQ(State(), before) << "the circuit is as it was";
        EXPECT_EQ(Scheme().wires.size(), 1u);
        EXPECT_FALSE(wnd.IsCommandEnabled(cmd::Undo)) << "nothing was recorded";
        EXPECT_FALSE(wnd.Doc().IsModified());
        EXPECT_EQ(cancelled, c.mode == CSchemeWnd::Mode::Placing ? 1 : 0);
        for (const auto& e : Scheme().elements)
            EXPECT_TRUE(e->visible);
        if (c.mode == CSchemeWnd::Mode::Moving) {
            ASSERT_EQ(Scheme().selection.size(), 1u) << "the dragged element stays selected";
            EXPECT_EQ(Scheme().selection.front()->x, 1000);
        }
        // The button let go afterwards does nothing more.
        QTest::mouseRelease(Vp(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
        EXPECT_EQ(State(), before);
        QObject::disconnect(connection);
    }
}

// ---------------------------------------------------------------------------
// Selection and moving

TEST_F(SchemeWindowTest, DraggingAnElementMovesItByThePointerDisplacementOnTheGrid) {
    model::Element* r = Add(model::kind::Resistor, 1000, 1000);
    model::Element* other = Add(model::kind::Capacitor, 1400, 1000);
    ResetView();
    LeftDrag(Px({1000, 1000}), Px({1000 + 51, 1000 - 29}));
    EXPECT_EQ(r->x, 1048); // snap(1051)
    EXPECT_EQ(r->y, 968);  // snap(971)
    EXPECT_EQ(other->x, 1400);
    ASSERT_EQ(Scheme().selection.size(), 1u);
    EXPECT_EQ(Scheme().selection.front(), r);
    EXPECT_TRUE(r->visible);
    EXPECT_TRUE(wnd.Doc().IsModified());
    EXPECT_TRUE(wnd.IsCommandEnabled(cmd::Delete));
}

TEST_F(SchemeWindowTest, AClickWithoutMovingSelectsButLeavesTheDocumentUnmodified) {
    model::Element* r = Add(model::kind::Resistor, 1000, 1000);
    ResetView();
    QTest::mouseClick(Vp(), Qt::LeftButton, Qt::NoModifier, Px({1000, 1000}));
    EXPECT_TRUE(r->selected);
    EXPECT_EQ(r->x, 1000);
    EXPECT_FALSE(wnd.Doc().IsModified());
}

TEST_F(SchemeWindowTest, RectangleSelectsTheElementsInsideAndCtrlClickToggles) {
    model::Element* a = Add(model::kind::Resistor, 1000, 1000);
    model::Element* b = Add(model::kind::Resistor, 1104, 1000);
    model::Element* c = Add(model::kind::Resistor, 1304, 1104);
    ResetView();
    LeftDrag(Px({900, 900}), Px({1160, 1050}));
    EXPECT_TRUE(a->selected);
    EXPECT_TRUE(b->selected);
    EXPECT_FALSE(c->selected);
    EXPECT_EQ(wnd.CurrentMode(), CSchemeWnd::Mode::Idle);

    QTest::mouseClick(Vp(), Qt::LeftButton, Qt::ControlModifier, Px({1304, 1104}));
    QTest::mouseClick(Vp(), Qt::LeftButton, Qt::ControlModifier, Px({1000, 1000}));
    EXPECT_FALSE(a->selected);
    EXPECT_TRUE(b->selected);
    EXPECT_TRUE(c->selected);
    EXPECT_EQ(Scheme().selection.size(), 2u);
    EXPECT_EQ(b->x, 1104) << "a Ctrl click never starts a move";

    // A click on empty sheet clears the selection.
    QTest::mouseClick(Vp(), Qt::LeftButton, Qt::NoModifier, QPoint(700, 550));
    EXPECT_TRUE(Scheme().selection.empty());
    EXPECT_FALSE(wnd.IsCommandEnabled(cmd::Cut));
}

TEST_F(SchemeWindowTest, MovingNearTheLeftEdgeShiftsTheWholeSchemeRight) {
    // The view shows the sheet's top-left corner.
    model::Element* r = Add(model::kind::Resistor, 200, 200);
    model::Element* other = Add(model::kind::Resistor, 600, 400);
    auto& view = wnd.Doc().view;
    view.centerX = 400;
    view.centerY = 300;
    wnd.DocumentReloaded();
    ASSERT_EQ(wnd.ToSheet(QPoint(0, 0)), (Point{0, 0}));
    const int k = r->Bounds().Normalized().left - r->x;
    // Drop it where its box starts 8 units from the edge.
    const int dropX = 8 - k;
    LeftDrag(Px({200, 200}), Px({dropX, 200}));
    const int dropped = model::Snap(dropX);
    const int left = dropped + k;
    ASSERT_LT(left, 20);
    EXPECT_EQ(r->x, model::Snap(dropped + 50 - left));
    EXPECT_EQ(other->x, model::Snap(600 + 50 - left));
    EXPECT_EQ(other->y, 400) << "nothing was near the top";
}

TEST_F(SchemeWindowTest, GrowthPastTheSizeLimitIsCutAndReported) {
    auto& view = wnd.Doc().view;
    view.sheetWidth = 30000;
    view.sheetHeight = 3000;
    view.centerX = 30000 - 400;
    view.centerY = 1500;
    wnd.DocumentReloaded();
    PlaceAt(cmd::PlaceResistor, QPoint(795, 300));
    wnd.OnCommand(cmd::CancelPlacing);
    ASSERT_EQ(Scheme().elements.size(), 1u);
    EXPECT_EQ(view.sheetWidth, 30000);
    EXPECT_LE(Scheme().elements.front()->x, 30000);
    ASSERT_EQ(messages.warnings.size(), 1);
    EXPECT_EQ(messages.warnings.front(),
              QString::fromUtf8("Не удается увеличить размеры листа схемы.\n"
                                "Его ширина и высота не могут быть больше 30000."));
}

TEST_F(SchemeWindowTest, PlacingNearTheRightEdgeWidensTheSheet) {
    auto& view = wnd.Doc().view;
    view.centerX = 3000 - 400;
    wnd.DocumentReloaded();
    PlaceAt(cmd::PlaceResistor, QPoint(790, 300));
    const model::Rect box = Scheme().elements.front()->Bounds().Normalized();
    EXPECT_EQ(view.sheetWidth, box.right + 50);
    EXPECT_EQ(view.sheetHeight, 3000);
    EXPECT_TRUE(messages.warnings.isEmpty());
}

// ---------------------------------------------------------------------------
// Commands on the selection

TEST_F(SchemeWindowTest, DeleteRejoinsTheNeighboursOfATwoTerminalElement) {
    model::Element* r1 = Add(model::kind::Resistor, 1000, 1000);
    model::Element* r2 = Add(model::kind::Resistor, 1200, 1000);
    model::Element* r3 = Add(model::kind::Resistor, 1400, 1000);
    Scheme().Join(r1, 2, r2, 1);
    Scheme().Join(r2, 2, r3, 1);
    Scheme().RenumberNodes();
    ResetView();
    QTest::mouseClick(Vp(), Qt::LeftButton, Qt::NoModifier, Px({1200, 1000}));
    ASSERT_TRUE(wnd.IsCommandEnabled(cmd::Delete));
    ASSERT_TRUE(wnd.OnCommand(cmd::Delete));
    ASSERT_EQ(Scheme().elements.size(), 2u);
    ASSERT_EQ(Scheme().wires.size(), 1u);
    const model::Wire* w = Scheme().wires.front().get();
    EXPECT_TRUE((w->end1 == r1 && w->pin1 == 2 && w->end2 == r3 && w->pin2 == 1));
    EXPECT_FALSE(wnd.IsCommandEnabled(cmd::Delete));
}

TEST_F(SchemeWindowTest, RotateAndMirrorFollowTheModelAndTheirStatesTheSelection) {
    model::Element* r = Add(model::kind::Resistor, 1000, 1000);
    ResetView();
    EXPECT_FALSE(wnd.IsCommandEnabled(cmd::Rotate));
    QTest::mouseClick(Vp(), Qt::LeftButton, Qt::NoModifier, Px({1000, 1000}));
    EXPECT_EQ(wnd.IsCommandEnabled(cmd::Rotate), r->canRotate);
    EXPECT_EQ(wnd.IsCommandEnabled(cmd::MirrorX), r->canMirrorX);
    EXPECT_EQ(wnd.IsCommandEnabled(cmd::MirrorY), r->canMirrorY);
    ASSERT_TRUE(r->canRotate);
    wnd.OnCommand(cmd::Rotate);
    EXPECT_EQ(r->rotation, 1);
    if (r->canMirrorX) {
        wnd.OnCommand(cmd::MirrorX);
        EXPECT_EQ(r->mirrorX, 1);
    }
    if (r->canMirrorY) {
        wnd.OnCommand(cmd::MirrorY);
        EXPECT_EQ(r->mirrorY, 1);
    }
    EXPECT_TRUE(wnd.Doc().IsModified());
}

TEST_F(SchemeWindowTest, HelpCommandsAreNotTheSheets) {
    for (int id : {cmd::HelpContents, cmd::HelpIndex, cmd::About}) {
        EXPECT_FALSE(wnd.OnCommand(id)) << id;
        EXPECT_FALSE(wnd.IsCommandEnabled(id)) << id;
    }
}

TEST_F(SchemeWindowTest, LosingActivationEndsADragAsIfTheButtonWereReleased) {
    model::Element* r = Add(model::kind::Resistor, 1000, 1000);
    ResetView();
    QTest::mousePress(Vp(), Qt::LeftButton, Qt::NoModifier, Px({1000, 1000}));
    QTest::mouseMove(Vp(), Px({1080, 1000}));
    ASSERT_EQ(wnd.CurrentMode(), CSchemeWnd::Mode::Moving);
    EXPECT_FALSE(r->visible) << "only the outline follows the pointer";
    wnd.EndModes();
    EXPECT_EQ(wnd.CurrentMode(), CSchemeWnd::Mode::Idle);
    EXPECT_EQ(r->x, 1080);
    EXPECT_TRUE(r->visible);
    QTest::mouseRelease(Vp(), Qt::LeftButton, Qt::NoModifier, Px({1160, 1000}));
    EXPECT_EQ(r->x, 1080) << "the late release moves nothing";

    wnd.OnCommand(cmd::PlaceGround);
    wnd.EndModes();
    EXPECT_FALSE(wnd.IsPlacing());
}

TEST_F(SchemeWindowTest, TheBorderBandScrollsTheViewWhileAModeRuns) {
    wnd.OnCommand(cmd::PlaceResistor);
    const int before = wnd.Doc().view.centerX;
    // Placing keeps the pointer 7 pixels inside; 2 pixels further in is the band.
    QTest::mouseMove(Vp(), QPoint(9, 300));
    EXPECT_TRUE(QTest::qWaitFor([&] { return wnd.Doc().view.centerX < before; }, 5000));
    const int scrolled = wnd.Doc().view.centerX;
    EXPECT_LT(scrolled, before);
    EXPECT_EQ((before - scrolled) % 160, 0) << "a fifth of the 800-unit page per tick";
    EXPECT_EQ(wnd.Doc().view.centerY, kOffset + 300);
    // The element being placed stays under the pointer.
    EXPECT_EQ(wnd.PlacingElement()->x, wnd.ToSheet(QPoint(9, 300)).x);

    QTest::mouseMove(Vp(), QPoint(400, 300));
    const int stopped = wnd.Doc().view.centerX;
    EXPECT_FALSE(wnd.IsAutoScrolling()) << "leaving the band stops the timer";
    QCoreApplication::processEvents();
    EXPECT_EQ(wnd.Doc().view.centerX, stopped);
    wnd.OnCommand(cmd::CancelPlacing);
}

TEST_F(SchemeWindowTest, ARectangleDraggedPastTheBorderKeepsScrollingThatWay) {
    QTest::mousePress(Vp(), Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    QTest::mouseMove(Vp(), QPoint(850, 300)); // beyond the right edge
    const int before = wnd.Doc().view.centerX;
    EXPECT_TRUE(QTest::qWaitFor([&] { return wnd.Doc().view.centerX > before; }, 5000));
    EXPECT_EQ(wnd.Doc().view.centerY, kOffset + 300);
    QTest::mouseRelease(Vp(), Qt::LeftButton, Qt::NoModifier, QPoint(850, 300));
    const int stopped = wnd.Doc().view.centerX;
    EXPECT_FALSE(wnd.IsAutoScrolling()) << "releasing the button stops the timer";
    QCoreApplication::processEvents();
    EXPECT_EQ(wnd.Doc().view.centerX, stopped);
    EXPECT_EQ(wnd.CurrentMode(), CSchemeWnd::Mode::Idle);
}

TEST_F(SchemeWindowTest, HoverNamesTheObjectUnderThePointer) {
    Add(model::kind::Resistor, 1000, 1000);
    ResetView();
    QSignalSpy captions(&wnd, &CSchemeWnd::hoverCaption);
    QTest::mouseMove(Vp(), Px({1000, 1000}));
    ASSERT_FALSE(captions.isEmpty());
    EXPECT_EQ(captions.last().at(0).toString(), QString::fromUtf8("<R1> Резистор"));
    QTest::mouseMove(Vp(), QPoint(700, 500));
    EXPECT_EQ(captions.last().at(0).toString(), QString());
}

TEST_F(SchemeWindowTest, PaintingShowsTheElementsWhereThePointerFindsThem) {
    Add(model::kind::Resistor, 1000, 1000);
    ResetView();
    wnd.SetShowGrid(false); // only the element's ink counts here
    const auto inkAround = [](const QImage& image, QPoint centre, int half) {
        int ink = 0;
        for (int y = centre.y() - half; y <= centre.y() + half; ++y)
            for (int x = centre.x() - half; x <= centre.x() + half; ++x)
                if (image.rect().contains(x, y) && image.pixel(x, y) != qRgb(255, 255, 255))
                    ++ink;
        return ink;
    };
    for (int scale : {100, 50}) {
        wnd.Doc().view.scale = scale;
        wnd.DocumentReloaded();
        const QImage image = wnd.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QPoint at = Px({1000, 1000});
        EXPECT_GT(inkAround(image, at, 30 * 100 / scale), 0) << scale;
        EXPECT_EQ(inkAround(image, at + QPoint(200, 150), 30), 0) << scale;
    }
}

// ---------------------------------------------------------------------------
// Grid, navigation, free pins

QImage Shown(QWidget* viewport) {
    return viewport->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Whether an orange pixel (the free-pin mark's hue, blended or not) lies within
// `half` pixels of `centre`.
bool MarkNear(const QImage& image, QPoint centre, int half) {
    for (int y = centre.y() - half; y <= centre.y() + half; ++y)
        for (int x = centre.x() - half; x <= centre.x() + half; ++x) {
            if (!image.rect().contains(x, y))
                continue;
            const QRgb c = image.pixel(x, y);
            if (qRed(c) - qBlue(c) > 40 && qRed(c) - qGreen(c) > 20)
                return true;
        }
    return false;
}

void Wheel(QWidget* viewport, QPoint pixel, QPoint angle, Qt::KeyboardModifiers modifiers) {
    QWheelEvent event(QPointF(pixel), QPointF(viewport->mapToGlobal(pixel)), QPoint(), angle,
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
}

// Dots on the placing raster, shown only while they are at least 6 pixels apart
// (8 sheet units: up to scale 133), and only when asked for.
TEST_F(SchemeWindowTest, TheGridShowsOnTheRasterWhileItIsNotTooDense) {
    const QRgb dot = qRgb(190, 190, 190);
    struct Case {
        int scale;
        bool on;
        bool shown;
    };
    const Case cases[] = {
        {100, true, true}, {130, true, true}, {140, true, false}, {100, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.scale << (c.on ? " on" : " off"));
        wnd.Doc().view.scale = c.scale;
        wnd.DocumentReloaded();
        wnd.SetShowGrid(c.on);
        EXPECT_EQ(wnd.GridVisible(), c.shown);
        const QImage image = Shown(Vp());
        const QPoint raster = Px({kOffset + 400, kOffset + 304});
        EXPECT_EQ(image.pixel(raster) == dot, c.shown);
        EXPECT_EQ(image.pixel(raster + QPoint(2, 2)), qRgb(255, 255, 255)) << "between dots";
    }
}

TEST_F(SchemeWindowTest, CtrlWheelZoomsAroundThePointerWithinTheScaleLimits) {
    auto& view = wnd.Doc().view;
    CentreOnALargeSheet();
    const QPoint pointer(600, 150);
    const Point under = wnd.ToSheet(pointer);
    Wheel(Vp(), pointer, QPoint(0, 120), Qt::ControlModifier);
    EXPECT_EQ(view.scale, 80) << "a notch zooms in by a fifth";
    const Point after = wnd.ToSheet(pointer);
    EXPECT_LE(std::abs(after.x - under.x), 1);
    EXPECT_LE(std::abs(after.y - under.y), 1);
    EXPECT_TRUE(wnd.Doc().IsModified()) << "the view is stored with the document";
    for (int i = 0; i < 30; ++i)
        Wheel(Vp(), pointer, QPoint(0, 120), Qt::ControlModifier);
    EXPECT_EQ(view.scale, CSchemeWnd::kLowerScale);
    for (int i = 0; i < 30; ++i)
        Wheel(Vp(), pointer, QPoint(0, -120), Qt::ControlModifier);
    EXPECT_EQ(view.scale, wnd.UpperScale());
}

TEST_F(SchemeWindowTest, TheWheelScrollsAndTheMiddleButtonDragsTheView) {
    auto& view = wnd.Doc().view;
    CentreOnALargeSheet();
    Wheel(Vp(), QPoint(400, 300), QPoint(0, -120), Qt::NoModifier);
    EXPECT_EQ(view.centerX, 4000);
    EXPECT_GT(view.centerY, 4000) << "down";
    const int y = view.centerY;
    Wheel(Vp(), QPoint(400, 300), QPoint(0, -120), Qt::ShiftModifier);
    EXPECT_GT(view.centerX, 4000) << "Shift turns it sideways";
    EXPECT_EQ(view.centerY, y);

    const QPoint from(300, 300);
    const Point grabbed = wnd.ToSheet(from);
    QTest::mousePress(Vp(), Qt::MiddleButton, Qt::NoModifier, from);
    EXPECT_EQ(wnd.CurrentMode(), CSchemeWnd::Mode::Panning);
    QTest::mouseMove(Vp(), from + QPoint(120, -80));
    QTest::mouseRelease(Vp(), Qt::MiddleButton, Qt::NoModifier, from + QPoint(120, -80));
    EXPECT_EQ(wnd.ToSheet(from + QPoint(120, -80)), grabbed) << "the sheet follows the hand";
    EXPECT_EQ(wnd.CurrentMode(), CSchemeWnd::Mode::Idle);
}

// "Показать всю схему" finds an element however far from the others it strayed.
TEST_F(SchemeWindowTest, FitAllBringsEveryElementIntoView) {
    auto& view = wnd.Doc().view;
    view.sheetWidth = 4000;
    view.sheetHeight = 3000;
    model::Element* nearby = Add(model::kind::Resistor, 1000, 1000);
    model::Element* stray = Add(model::kind::Capacitor, 3800, 2800);
    ResetView();
    const QRect client(QPoint(0, 0), Vp()->size());
    ASSERT_FALSE(client.contains(Px({stray->x, stray->y})));
    ASSERT_TRUE(wnd.OnCommand(cmd::FitAll));
    EXPECT_TRUE(client.contains(Px({stray->x, stray->y})));
    EXPECT_TRUE(client.contains(Px({nearby->x, nearby->y})));
    EXPECT_LE(view.scale, wnd.UpperScale());
}

// A pin without a wire is marked, so an element that only touches a wire does
// not look joined; a wired pin is not.
TEST_F(SchemeWindowTest, FreePinsAreMarkedUntilTheyAreWired) {
    wnd.SetShowGrid(false);
    model::Element* r1 = Add(model::kind::Resistor, 1000, 1000);
    model::Element* r2 = Add(model::kind::Resistor, 1200, 1000);
    ResetView();
    QImage image = Shown(Vp());
    for (model::Element* r : {r1, r2})
        for (int pin : {1, 2})
            EXPECT_TRUE(MarkNear(image, Px(r->PinPosition(pin)), 4)) << pin;
    LeftDrag(Px(r1->PinPosition(2)), Px(r2->PinPosition(1)));
    ASSERT_EQ(Scheme().wires.size(), 1u);
    image = Shown(Vp());
    EXPECT_FALSE(MarkNear(image, Px(r1->PinPosition(2)), 4));
    EXPECT_FALSE(MarkNear(image, Px(r2->PinPosition(1)), 4));
    EXPECT_TRUE(MarkNear(image, Px(r1->PinPosition(1)), 4));
}

// "Экспорт рисунка схемы..." writes the whole circuit, not the window's view of
// it, in print colours: PNG at the size of the circuit (or twice), SVG, PDF.
TEST_F(SchemeWindowTest, ExportWritesThePictureOfTheWholeCircuit) {
    model::Element* r1 = Add(model::kind::Resistor, 1000, 1000);
    Add(model::kind::Capacitor, 3000, 2600); // far outside the view
    Scheme().RenumberNames();
    ResetView();
    Scheme().SelectAll(); // selection is never red in a picture
    QTemporaryDir dir;
    struct Case {
        const char* file;
        int filter;
    };
    const Case cases[] = {{"s.png", 0}, {"s2.png", 1}, {"s.svg", 3}, {"s.pdf", 4}};
    QSize single;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        files.savePath = dir.filePath(QString::fromLatin1(c.file));
        files.saveFilter = c.filter;
        ASSERT_TRUE(wnd.OnCommand(cmd::ExportScheme));
        EXPECT_EQ(files.proposedName, QStringLiteral("Untitled.png"));
        QFile f(files.savePath);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        if (c.filter <= 1) {
            const QImage image = QImage::fromData(bytes, "PNG");
            ASSERT_FALSE(image.isNull());
            if (c.filter == 0) {
                single = image.size();
                // Both elements, 2000 and 1600 units apart, with tags and margin.
                EXPECT_GT(single.width(), 2000);
                EXPECT_GT(single.height(), 1600);
                for (int y = 0; y < image.height(); y += 3)
                    for (int x = 0; x < image.width(); x += 3) {
                        const QRgb p = image.pixel(x, y);
                        ASSERT_FALSE(qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60)
                            << "red at " << x << "," << y;
                    }
            } else {
                EXPECT_EQ(image.size(), single * 2);
            }
        } else if (c.filter == 3) {
            QXmlStreamReader xml(bytes);
            while (!xml.atEnd())
                xml.readNext();
            EXPECT_FALSE(xml.hasError());
            EXPECT_TRUE(bytes.contains(QByteArray::fromStdString(r1->Name())));
        } else {
            EXPECT_TRUE(bytes.startsWith("%PDF-"));
            EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") +
                          bytes.count("/Type /Page "),
                      1);
        }
    }
}

// ---------------------------------------------------------------------------
// Clipboard

TEST_F(SchemeWindowTest, CopyEnablesPasteAndPasteHereLandsAtTheMenuPoint) {
    model::Element* r = Add(model::kind::Resistor, 1000, 1000);
    ResetView();
    QSignalSpy status(&wnd, &CSchemeWnd::statusMessage);
    QTest::mouseClick(Vp(), Qt::LeftButton, Qt::NoModifier, Px({1000, 1000}));
    ASSERT_TRUE(wnd.OnCommand(cmd::Copy));
    ASSERT_FALSE(status.isEmpty());
    EXPECT_EQ(status.last().at(0).toString(), QString::fromUtf8("Копирование завершено."));
    EXPECT_TRUE(wnd.IsCommandEnabled(cmd::Paste));
    EXPECT_TRUE(wnd.IsCommandEnabled(cmd::PasteHere));
    EXPECT_FALSE(wnd.Doc().IsModified()) << "copying changes nothing";

    const auto pasteHereAt = [this](QPoint pixel) {
        QTest::mouseClick(Vp(), Qt::RightButton, Qt::NoModifier, pixel);
        QMenu* menu = OpenMenu();
        ASSERT_NE(menu, nullptr);
        QAction* pasteHere = nullptr;
        for (QAction* a : menu->actions())
            if (a->data().toInt() == cmd::PasteHere)
                pasteHere = a;
        ASSERT_NE(pasteHere, nullptr);
        ASSERT_TRUE(pasteHere->isEnabled());
        menu->hide();
        pasteHere->trigger();
    };
    pasteHereAt(QPoint(600, 400));
    ASSERT_EQ(Scheme().elements.size(), 2u);
    const model::Element* first = Scheme().elements.back().get();
    EXPECT_NE(first->id, r->id);
    EXPECT_TRUE(first->selected);
    const model::Rect box = first->Bounds().Normalized();
    EXPECT_GE(box.left, kOffset + 600 - 8);
    EXPECT_LE(box.left, kOffset + 600 + 100);
    EXPECT_GE(box.top, kOffset + 400 - 8);
    EXPECT_LE(box.top, kOffset + 400 + 100);
    EXPECT_TRUE(wnd.Doc().IsModified());

    // A second menu point 80 right and 48 down moves the fragment by just that.
    pasteHereAt(QPoint(680, 448));
    ASSERT_EQ(Scheme().elements.size(), 3u);
    const model::Element* second = Scheme().elements.back().get();
    EXPECT_EQ(second->x - first->x, 80);
    EXPECT_EQ(second->y - first->y, 48);
    EXPECT_FALSE(first->selected);

    wnd.OnCommand(cmd::Undo);
    wnd.OnCommand(cmd::Undo);
    EXPECT_EQ(Scheme().elements.size(), 1u);
}

TEST_F(SchemeWindowTest, PasteOutsideTheVisibleAreaBringsItIntoView) {
    Add(model::kind::Resistor, 1000, 1000);
    ResetView();
    Scheme().SelectAll();
    wnd.OnCommand(cmd::Copy); // the next paste goes to pixel (50, 50) of this view
    auto& view = wnd.Doc().view;
    view.centerX = 2400;
    view.centerY = 2400;
    wnd.DocumentReloaded();
    wnd.OnCommand(cmd::Paste);
    ASSERT_EQ(Scheme().elements.size(), 2u);
    const model::Element* pasted = Scheme().elements.back().get();
    EXPECT_LT(pasted->x, 1100);
    EXPECT_LT(pasted->y, 1100);
    // The view moved to the pasted fragment.
    const QPoint at = wnd.ToPixel({pasted->x, pasted->y});
    EXPECT_TRUE(wnd.viewport()->rect().contains(at)) << at.x() << "," << at.y();
}

// ---------------------------------------------------------------------------
// Context menus and double clicks

TEST_F(SchemeWindowTest, ContextMenusCarryTheirItemsInOrder) {
    struct Item {
        int id;
        const char* text;
    };
    const std::vector<Item> elementItems = {{cmd::Rotate, "П&овернуть"},
                                            {cmd::MirrorX, "Отобразить слева &направо"},
                                            {cmd::MirrorY, "Отобразить сверху &вниз"},
                                            {0, ""},
                                            {cmd::Cut, "В&ырезать\tCtrl+X"},
                                            {cmd::Copy, "&Копировать\tCtrl+C"},
                                            {cmd::Delete, "&Удалить\tDel"},
                                            {0, ""},
                                            {cmd::ElementParameters, "&Параметры..."}};
    const std::vector<Item> sheetItems = {{cmd::HelpContents, "&Справка\tF1"},
                                          {0, ""},
                                          {cmd::ZoomIn, "Увеличить масштаб\tCtrl++"},
                                          {cmd::ZoomOut, "Уменьшить масштаб\tCtrl+-"},
                                          {cmd::SelectAll, "В&ыделить все"},
                                          {cmd::PasteHere, "&Вставить\tCtrl+V"},
                                          {0, ""},
                                          {cmd::SchemeSettings, "&Установки схемы..."}};
    Add(model::kind::Resistor, 1000, 1000);
    ResetView();

    const auto check = [](QMenu* menu, const std::vector<Item>& items) {
        ASSERT_NE(menu, nullptr);
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), static_cast<qsizetype>(items.size()));
        for (std::size_t i = 0; i < items.size(); ++i) {
            QAction* a = actions[static_cast<qsizetype>(i)];
            if (items[i].id == 0) {
                EXPECT_TRUE(a->isSeparator()) << i;
                continue;
            }
            EXPECT_EQ(a->data().toInt(), items[i].id) << i;
            EXPECT_EQ(a->text(), QString::fromUtf8(items[i].text)) << i;
        }
    };

    QTest::mouseClick(Vp(), Qt::RightButton, Qt::NoModifier, Px({1000, 1000}));
    QMenu* menu = OpenMenu();
    check(menu, elementItems);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), QStringLiteral("elementMenu"));
    // The element under the menu point is the only selected one: its parameters.
    EXPECT_TRUE(wnd.IsCommandEnabled(cmd::ElementParameters));
    menu->hide();

    QTest::mouseClick(Vp(), Qt::RightButton, Qt::NoModifier, QPoint(700, 500));
    menu = OpenMenu();
    check(menu, sheetItems);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), QStringLiteral("sheetMenu"));
    EXPECT_TRUE(Scheme().selection.empty());
    EXPECT_FALSE(wnd.IsCommandEnabled(cmd::ElementParameters));
    menu->hide();
}

TEST_F(SchemeWindowTest, RightDragSelectsWithoutAMenu) {
    model::Element* a = Add(model::kind::Resistor, 1000, 1000);
    ResetView();
    QTest::mousePress(Vp(), Qt::RightButton, Qt::NoModifier, Px({900, 900}));
    QTest::mouseMove(Vp(), Px({1100, 1100}));
    QTest::mouseRelease(Vp(), Qt::RightButton, Qt::NoModifier, Px({1100, 1100}));
    EXPECT_TRUE(a->selected);
    EXPECT_EQ(OpenMenu(), nullptr);
}

TEST_F(SchemeWindowTest, DoubleClickOpensParametersOnAnElementAndSettingsOnEmptySheet) {
    model::Element* a = Add(model::kind::Resistor, 1000, 1000);
    model::Element* b = Add(model::kind::Resistor, 1200, 1000);
    ResetView();
    Scheme().SelectAll();
    const double before = a->GetParam(0);
    dialogs.changeParameter = true;
    QTest::mouseDClick(Vp(), Qt::LeftButton, Qt::NoModifier, Px({1000, 1000}));
    EXPECT_EQ(dialogs.parameterCalls, 1);
    EXPECT_DOUBLE_EQ(a->GetParam(0), before * 2);
    EXPECT_FALSE(b->selected) << "the double-clicked element becomes the only selection";
    EXPECT_EQ(a->x, 1000);
    EXPECT_TRUE(wnd.Doc().IsModified());
    EXPECT_EQ(dialogs.settingsCalls, 0);

    QTest::mouseDClick(Vp(), Qt::LeftButton, Qt::NoModifier, QPoint(700, 500));
    EXPECT_EQ(dialogs.settingsCalls, 1);
    EXPECT_EQ(wnd.CurrentMode(), CSchemeWnd::Mode::Idle);
}

TEST_F(SchemeWindowTest, CancelledParameterDialogLeavesNoHistoryAndNoModification) {
    Add(model::kind::Resistor, 1000, 1000);
    ResetView();
    QTest::mouseDClick(Vp(), Qt::LeftButton, Qt::NoModifier, Px({1000, 1000}));
    EXPECT_EQ(dialogs.parameterCalls, 1);
    EXPECT_FALSE(wnd.Doc().IsModified());
    EXPECT_FALSE(wnd.IsCommandEnabled(cmd::Undo));
}

// ---------------------------------------------------------------------------
// View

TEST_F(SchemeWindowTest, ZoomStopsAtTheLowerLimitAndWhereTheSheetFits) {
    struct Case {
        int sheetWidth;
        int sheetHeight;
        int upper;
    };
    // 3000 * 100 / 800 + 1 = 376; a huge sheet is held at 500.
    const Case cases[] = {{3000, 3000, 376}, {30000, 30000, 500}, {3000, 1200, 201}};
    for (const Case& c : cases) {
        auto& view = wnd.Doc().view;
        view.sheetWidth = c.sheetWidth;
        view.sheetHeight = c.sheetHeight;
        view.scale = 100;
        wnd.DocumentReloaded();
        EXPECT_EQ(wnd.UpperScale(), c.upper);
        for (int i = 0; i < 60; ++i)
            wnd.OnCommand(cmd::ZoomOut);
        EXPECT_EQ(view.scale, c.upper);
        EXPECT_FALSE(wnd.IsCommandEnabled(cmd::ZoomOut));
        EXPECT_TRUE(wnd.IsCommandEnabled(cmd::ZoomIn));
        for (int i = 0; i < 60; ++i)
            wnd.OnCommand(cmd::ZoomIn);
        EXPECT_EQ(view.scale, CSchemeWnd::kLowerScale);
        EXPECT_FALSE(wnd.IsCommandEnabled(cmd::ZoomIn));
        EXPECT_TRUE(wnd.IsCommandEnabled(cmd::ZoomOut));
    }
}

TEST_F(SchemeWindowTest, ZoomKeepsTheCentreInsideTheSheetAndSetsTheScrollBars) {
    auto& view = wnd.Doc().view;
    view.centerX = 3000 - 400;
    view.centerY = 300;
    wnd.DocumentReloaded();
    wnd.OnCommand(cmd::ZoomOut); // 110: half a page is 440 by 330
    EXPECT_EQ(view.scale, 110);
    EXPECT_EQ(view.centerX, 3000 - 440);
    EXPECT_EQ(view.centerY, 330);
    const QScrollBar* h = wnd.horizontalScrollBar();
    EXPECT_EQ(h->pageStep(), 880);
    EXPECT_EQ(h->singleStep(), 88);
    EXPECT_EQ(h->minimum(), 440);
    EXPECT_EQ(h->maximum(), 3000 - 440);
    EXPECT_EQ(h->value(), view.centerX);
}

TEST_F(SchemeWindowTest, ScrollingOrZoomingAloneMakesTheDocumentModified) {
    ASSERT_FALSE(wnd.Doc().IsModified());
    wnd.OnCommand(cmd::ZoomIn);
    EXPECT_TRUE(wnd.Doc().IsModified());

    ResetView();
    ASSERT_FALSE(wnd.Doc().IsModified());
    wnd.horizontalScrollBar()->setValue(wnd.horizontalScrollBar()->value() + 100);
    EXPECT_EQ(wnd.Doc().view.centerX, kOffset + 500);
    EXPECT_TRUE(wnd.Doc().IsModified());

    // Closing now asks to save.
    messages.answers = {Reply::Cancel};
    EXPECT_FALSE(wnd.CloseDocument());
    EXPECT_EQ(messages.questions.size(), 1);
}

// ---------------------------------------------------------------------------
// Sheet size and scheme settings

TEST_F(SchemeWindowTest, SheetSizeSmallerThanTheElementsBecomesTheirExtentPlusTen) {
    model::Element* r = Add(model::kind::Resistor, 1600, 1800);
    ResetView();
    Scheme().SelectAll();
    const model::Rect box = r->Bounds().Normalized();
    dialogs.sheetWidth = 1000;
    dialogs.sheetHeight = 2500;
    wnd.OnCommand(cmd::SheetSize);
    ASSERT_EQ(messages.warnings.size(), 1);
    EXPECT_EQ(messages.warnings.front(),
              QString::fromUtf8("Некоторые элементы оказались за пределами листа.\n"
                                "Его размеры будут изменены так, чтобы поместились все "
                                "элементы."));
    EXPECT_EQ(wnd.Doc().view.sheetWidth, box.right + 10);
    EXPECT_EQ(wnd.Doc().view.sheetHeight, 2500);
    EXPECT_TRUE(Scheme().selection.empty());
    EXPECT_TRUE(wnd.Doc().IsModified());
    EXPECT_LE(wnd.Doc().view.centerX, wnd.Doc().view.sheetWidth - 400);
}

TEST_F(SchemeWindowTest, SheetSizeThatFitsIsTakenWithoutAMessage) {
    Add(model::kind::Resistor, 1000, 1000);
    ResetView();
    dialogs.sheetWidth = 5000;
    dialogs.sheetHeight = 4000;
    wnd.OnCommand(cmd::SheetSize);
    EXPECT_TRUE(messages.warnings.isEmpty());
    EXPECT_EQ(wnd.Doc().view.sheetWidth, 5000);
    EXPECT_EQ(wnd.Doc().view.sheetHeight, 4000);
    EXPECT_TRUE(wnd.Doc().IsModified());
}

TEST_F(SchemeWindowTest, TheRealSheetSizeDialogIsAnsweredAndItsSizeTaken) {
    model::Element* r = Add(model::kind::Resistor, 2000, 1000);
    ResetView();
    wnd.SetDialogs(nullptr);
    bool answered = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CSheetSizeDlg*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        EXPECT_EQ(dialog->WidthEdit()->text(), QStringLiteral("3000"));
        dialog->WidthEdit()->setText(QStringLiteral("1500"));
        dialog->HeightEdit()->setText(QStringLiteral("2000"));
        answered = true;
        dialog->accept();
    });
    wnd.OnCommand(cmd::SheetSize);
    ASSERT_TRUE(answered);
    EXPECT_EQ(messages.warnings.size(), 1);
    EXPECT_EQ(wnd.Doc().view.sheetWidth, r->Bounds().Normalized().right + 10);
    EXPECT_EQ(wnd.Doc().view.sheetHeight, 2000);
}

TEST_F(SchemeWindowTest, SchemeSettingsMarkModifiedOnlyWhenAWordChanged) {
    dialogs.settings = [](document::SchemeOptions&) {};
    wnd.OnCommand(cmd::SchemeSettings);
    EXPECT_FALSE(wnd.Doc().IsModified());

    dialogs.settings = [](document::SchemeOptions& o) { o.showNodes = 1; };
    wnd.OnCommand(cmd::SchemeSettings);
    EXPECT_TRUE(wnd.Doc().IsModified());
    EXPECT_TRUE(Scheme().showNodes);
    EXPECT_TRUE(wnd.Actions().IsChecked(cmd::NodeNumbers)) << "the button follows the flag";
}

// ---------------------------------------------------------------------------
// Undo and redo

struct EditCase {
    const char* name;
    std::function<void(SchemeWindowTest&)> edit;
};

class UndoRedoTest : public SchemeWindowTest, public ::testing::WithParamInterface<EditCase> {
public:
    model::Element *r1 = nullptr, *r2 = nullptr, *r3 = nullptr;
    void Build() {
        r1 = Add(model::kind::Resistor, 1000, 1000);
        // The middle one can be mirrored as well as rotated.
        r2 = Add(model::kind::Unistor, 1200, 1000);
        r3 = Add(model::kind::Resistor, 1400, 1000);
        Scheme().Join(r1, 2, r2, 1);
        Scheme().Join(r2, 2, r3, 1);
        Scheme().RenumberNodes();
        ResetView();
    }
    void Select(Point p) { QTest::mouseClick(Vp(), Qt::LeftButton, Qt::NoModifier, Px(p)); }
};

struct Edits {
    static UndoRedoTest& T(SchemeWindowTest& t) { return static_cast<UndoRedoTest&>(t); }
    static std::vector<EditCase> All() {
        return {
            {"Place",
             [](SchemeWindowTest& t) {
                 T(t).PlaceAt(cmd::PlaceCapacitor, QPoint(300, 450));
                 T(t).wnd.OnCommand(cmd::CancelPlacing);
             }},
            {"Move",
             [](SchemeWindowTest& t) {
                 T(t).LeftDrag(T(t).Px({1200, 1000}), T(t).Px({1240, 1100}));
             }},
            {"Wire",
             [](SchemeWindowTest& t) {
                 T(t).LeftDrag(T(t).Px(T(t).r3->PinPosition(2)), T(t).Px(T(t).r1->PinPosition(1)));
             }},
            {"Delete",
             [](SchemeWindowTest& t) {
                 T(t).Select({1200, 1000});
                 T(t).wnd.OnCommand(cmd::Delete);
             }},
            {"Rotate",
             [](SchemeWindowTest& t) {
                 T(t).Select({1200, 1000});
                 T(t).wnd.OnCommand(cmd::Rotate);
             }},
            {"MirrorX",
             [](SchemeWindowTest& t) {
                 T(t).Select({1200, 1000});
                 T(t).wnd.OnCommand(cmd::MirrorX);
             }},
            {"MirrorY",
             [](SchemeWindowTest& t) {
                 T(t).Select({1200, 1000});
                 T(t).wnd.OnCommand(cmd::MirrorY);
             }},
            {"Cut",
             [](SchemeWindowTest& t) {
                 T(t).Select({1000, 1000});
                 T(t).wnd.OnCommand(cmd::Cut);
             }},
            {"Parameters",
             [](SchemeWindowTest& t) {
                 T(t).dialogs.changeParameter = true;
                 QTest::mouseDClick(T(t).Vp(), Qt::LeftButton, Qt::NoModifier,
                                    T(t).Px({1400, 1000}));
             }},
            {"SheetSize",
             [](SchemeWindowTest& t) {
                 T(t).dialogs.sheetWidth = 6000;
                 T(t).dialogs.sheetHeight = 7000;
                 T(t).wnd.OnCommand(cmd::SheetSize);
             }},
            {"SchemeSettings",
             [](SchemeWindowTest& t) {
                 T(t).dialogs.settings = [](document::SchemeOptions& o) { o.showValues = 0; };
                 T(t).wnd.OnCommand(cmd::SchemeSettings);
             }},
            {"NodeNumbers",
             [](SchemeWindowTest& t) { T(t).wnd.Actions().Run(cmd::NodeNumbers, true); }},
        };
    }
};

TEST_P(UndoRedoTest, UndoRestoresTheStateBeforeAndRedoTheStateAfter) {
    Build();
    const Snapshot before = State();
    ASSERT_FALSE(wnd.IsCommandEnabled(cmd::Undo));
    GetParam().edit(*this);
    const Snapshot after = State();
    ASSERT_NE(after, before) << "the edit changed nothing";
    ASSERT_TRUE(wnd.IsCommandEnabled(cmd::Undo));
    EXPECT_TRUE(wnd.Doc().IsModified());

    ASSERT_TRUE(wnd.OnCommand(cmd::Undo));
    EXPECT_EQ(State(), before);
    EXPECT_TRUE(Scheme().selection.empty());
    EXPECT_FALSE(wnd.Doc().IsModified()) << "back at the opened state";
    EXPECT_FALSE(wnd.IsCommandEnabled(cmd::Undo));
    EXPECT_TRUE(wnd.IsCommandEnabled(cmd::Redo));

    ASSERT_TRUE(wnd.OnCommand(cmd::Redo));
    EXPECT_EQ(State(), after);
    EXPECT_TRUE(wnd.Doc().IsModified());
    EXPECT_FALSE(wnd.IsCommandEnabled(cmd::Redo));
    // The restored objects are live: the sheet keeps working on them.
    Scheme().SelectAll();
    wnd.OnCommand(cmd::Delete);
    EXPECT_TRUE(Scheme().elements.empty());
}

INSTANTIATE_TEST_SUITE_P(Edits, UndoRedoTest, ::testing::ValuesIn(Edits::All()),
                         [](const ::testing::TestParamInfo<EditCase>& param) {
                             return std::string(param.param.name);
                         });

TEST_F(SchemeWindowTest, AnEditAfterUndoDropsTheRedoBranch) {
    model::Element* r = Add(model::kind::Resistor, 1000, 1000);
    ResetView();
    LeftDrag(Px({1000, 1000}), Px({1100, 1000}));
    wnd.OnCommand(cmd::Undo);
    r = Scheme().elements.front().get();
    ASSERT_EQ(r->x, 1000);
    LeftDrag(Px({1000, 1000}), Px({1000, 1100}));
    EXPECT_FALSE(wnd.IsCommandEnabled(cmd::Redo));
    wnd.OnCommand(cmd::Redo);
    r = Scheme().elements.front().get();
    EXPECT_EQ(r->x, 1000);
    EXPECT_EQ(r->y, 1104);
}

// ---------------------------------------------------------------------------
// Document commands

class DocumentCommandsTest : public SchemeWindowTest {
protected:
    void SetUp() override {
        SchemeWindowTest::SetUp();
        ASSERT_TRUE(dir.isValid());
    }
    QString PathOf(const char* name) { return QDir(dir.path()).filePath(QString::fromUtf8(name)); }
    QTemporaryDir dir;
};

TEST_F(DocumentCommandsTest, SaveAndReopenThroughTheCommands) {
    QSignalSpy names(&wnd.Documents(), &DocumentController::nameChanged);
    QSignalSpy replaced(&wnd.Documents(), &DocumentController::documentReplaced);
    QSignalSpy status(&wnd, &CSchemeWnd::statusMessage);
    PlaceAt(cmd::PlaceResistor, QPoint(200, 200));
    PlaceAt(cmd::PlaceCapacitor, QPoint(400, 200));
    wnd.OnCommand(cmd::CancelPlacing);
    wnd.OnCommand(cmd::ZoomOut);
    const document::ViewState view = wnd.Doc().view;
    const Snapshot circuit = State();

    files.savePath = PathOf("first.scm");
    ASSERT_TRUE(wnd.OnCommand(cmd::Save)); // untitled: goes to Save as
    EXPECT_EQ(files.saves, 1);
    EXPECT_FALSE(wnd.Doc().IsModified());
    EXPECT_EQ(wnd.Doc().Name(), "first.scm");
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.last().at(0).toString(), QStringLiteral("first.scm"));
    EXPECT_EQ(status.last().at(0).toString(), QString::fromUtf8("Сохранение завершено."));

    // A second save goes to the same file without a dialog.
    PlaceAt(cmd::PlaceInductance, QPoint(600, 200));
    wnd.OnCommand(cmd::CancelPlacing);
    wnd.OnCommand(cmd::Undo);
    EXPECT_FALSE(wnd.Doc().IsModified()) << "undo back to the saved state";
    wnd.OnCommand(cmd::Redo);
    EXPECT_TRUE(wnd.Doc().IsModified());
    wnd.OnCommand(cmd::Undo);
    wnd.OnCommand(cmd::Save);
    EXPECT_EQ(files.saves, 1);
    EXPECT_EQ(status.last().at(0).toString(), QString::fromUtf8("Схема сохранена."));

    wnd.OnCommand(cmd::New);
    EXPECT_TRUE(messages.questions.isEmpty()) << "an unmodified document is not asked about";
    EXPECT_TRUE(Scheme().elements.empty());
    EXPECT_EQ(wnd.Doc().Name(), "Untitled.scm");
    EXPECT_FALSE(wnd.IsCommandEnabled(cmd::Undo)) << "New clears the history";

    files.openPath = PathOf("first.scm");
    replaced.clear();
    wnd.OnCommand(cmd::Open);
    EXPECT_EQ(replaced.count(), 1);
    EXPECT_EQ(wnd.Doc().Name(), "first.scm");
    EXPECT_EQ(State(), circuit);
    EXPECT_EQ(wnd.Doc().view, view);
    EXPECT_FALSE(wnd.Doc().IsModified());
    EXPECT_FALSE(wnd.IsCommandEnabled(cmd::Undo));
    EXPECT_TRUE(messages.warnings.isEmpty());
}

TEST_F(DocumentCommandsTest, TheSavePromptOnNewOfAModifiedDocument) {
    struct Case {
        Reply answer;
        bool saveDialogChoosesPath;
        bool becomesNew;
        bool fileWritten;
    };
    const Case cases[] = {
        {Reply::Yes, true, true, true},
        {Reply::Yes, false, false, false}, // the save dialog was cancelled
        {Reply::No, false, true, false},
        {Reply::Cancel, false, false, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        wnd.OnCommand(cmd::New);
        messages.questions.clear();
        PlaceAt(cmd::PlaceResistor, QPoint(200, 200));
        wnd.OnCommand(cmd::CancelPlacing);
        ASSERT_TRUE(wnd.Doc().IsModified());
        const QString path = PathOf(("prompt" + std::to_string(n++) + ".scm").c_str());
        files.savePath = c.saveDialogChoosesPath ? path : QString();
        messages.answers = {c.answer};
        wnd.OnCommand(cmd::New);
        ASSERT_EQ(messages.questions.size(), 1);
        EXPECT_EQ(messages.questions.front(),
                  QString::fromUtf8("Сохранить изменения в Untitled.scm ?"));
        EXPECT_EQ(Scheme().elements.empty(), c.becomesNew);
        EXPECT_EQ(wnd.Doc().IsModified(), !c.becomesNew);
        EXPECT_EQ(QFile::exists(path), c.fileWritten);
    }
}

TEST_F(DocumentCommandsTest, NewClosesTheElementListWindow) {
    Add(model::kind::Resistor, 1000, 1000);
    ResetView();
    const auto listWindows = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == QString::fromUtf8("Список элементов"))
                ++n;
        return n;
    };
    ASSERT_TRUE(wnd.OnCommand(cmd::ShowElementList));
    EXPECT_EQ(listWindows(), 1);
    wnd.OnCommand(cmd::ShowElementList);
    EXPECT_EQ(listWindows(), 1) << "the open window is reused";
    wnd.OnCommand(cmd::New);
    QCoreApplication::processEvents();
    EXPECT_EQ(listWindows(), 0);
}

TEST_F(DocumentCommandsTest, AFileThatDoesNotReadKeepsTheDocumentAndSaysWhy) {
    const QString path = PathOf("broken.scm");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\x01\x01\x05garbage", 10);
    }
    PlaceAt(cmd::PlaceResistor, QPoint(200, 200));
    wnd.OnCommand(cmd::CancelPlacing);
    messages.answers = {Reply::No};
    files.openPath = path;
    QSignalSpy replaced(&wnd.Documents(), &DocumentController::documentReplaced);
    const std::size_t elements = Scheme().elements.size();
    wnd.OnCommand(cmd::Open);
    ASSERT_EQ(messages.warnings.size(), 1);
    EXPECT_TRUE(messages.warnings.front().contains(QStringLiteral("broken.scm")));
    EXPECT_EQ(Scheme().elements.size(), elements);
    EXPECT_EQ(wnd.Doc().Name(), "Untitled.scm");
    EXPECT_EQ(replaced.count(), 0);
    EXPECT_TRUE(wnd.Doc().IsModified());
    EXPECT_TRUE(wnd.IsCommandEnabled(cmd::Undo)) << "the history stays too";
}

} // namespace
} // namespace korvanix::gui
