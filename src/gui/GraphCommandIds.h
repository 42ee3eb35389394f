#pragma once

// Commands of the graph windows: the toolbar of a window and the context menu of
// each of its panes.
namespace korvanix::gui::gcmd {

enum : int {
    // Toolbar of the graph window, acting on every pane.
    SaveAllData = 127,
    CopyAll = 128,
    RestoreAll = 129,
    RulerAll = 130,
    PointsAll = 131,
    // Context menu of a pane.
    Restore = 132,
    Ruler = 133,
    Points = 134,
    Copy = 135,
    SaveData = 136,
    Properties = 137,
    // Pictures as files, from the pane's menu and the window's toolbar.
    SavePicture = 138,
    SaveAllPicture = 139,
};

} // namespace korvanix::gui::gcmd
