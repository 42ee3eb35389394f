#pragma once

namespace korvanix::gui::cmd {

// Command ids of the menus, toolbars, palettes, accelerators and context menus.
enum : int {
    HelpContents = 102,
    PaletteBasic = 103,
    PaletteSources = 104,
    CancelPlacing = 107,
    // The sheet's side of the text button (PlaceText is the button's own).
    PlaceTextLabel = 108,
    PaletteActive = 116,
    ElementParameters = 120,
    PasteHere = 121,
    PlaceTransformer = 123,
    PlaceOpAmp = 125,

    Exit = 40001,
    ZoomIn = 40005,
    ZoomOut = 40006,
    Rotate = 40008,
    Delete = 40009,
    SaveAs = 40013,
    New = 40014,
    Open = 40015,
    Save = 40016,
    MirrorX = 40027,
    MirrorY = 40028,
    SaveElementList = 40030,
    Transient = 40039,
    About = 40040,

    PlaceConnector = 50000,
    PlaceGround = 50001,
    PlaceResistor = 50002,
    PlaceCapacitor = 50003,
    PlaceInductance = 50004,
    PlaceUnistor = 50005,
    PlaceVoltageSource = 50006,
    PlaceCurrentSource = 50007,
    PlaceVccs = 50010,
    PlaceGyrator = 50011,
    PlaceVcvs = 50012,
    PlaceCccs = 50014,
    PlaceCcvs = 50015,
    PlaceLamp = 50017,
    PlaceTransistor = 50019,

    Cut = 60001,
    Copy = 60003,
    Paste = 60004,
    SelectAll = 60006,
    AnalysisSettings = 60008,
    HelpIndex = 60010,
    PlaceText = 60012,
    NodeNumbers = 60013,
    ShowElementList = 60014,
    SheetSize = 60015,
    SchemeSettings = 60016,
    Frequency = 60018,
    PoleZero = 60019,

    // The edit history.
    Undo = 60100,
    Redo = 60101,
    ShowGrid = 60102,
    FitAll = 60103,
    ExportScheme = 60104,
    AutosaveInterval = 60105,
};

// The element kind a placing command creates; 0 for any other command.
int PlacedKind(int commandId);

} // namespace korvanix::gui::cmd
