#include "gui/CommandIds.h"

namespace korvanix::gui::cmd {

int PlacedKind(int commandId) {
    switch (commandId) {
    case PlaceConnector:
        return 300;
    case PlaceGround:
        return 200;
    case PlaceResistor:
        return 1000;
    case PlaceCapacitor:
        return 1001;
    case PlaceInductance:
        return 1002;
    case PlaceUnistor:
        return 1003;
    case PlaceVoltageSource:
        return 2010;
    case PlaceCurrentSource:
        return 3010;
    case PlaceVccs:
        return 6000;
    case PlaceVcvs:
        return 6001;
    case PlaceCccs:
        return 6002;
    case PlaceCcvs:
        return 6003;
    case PlaceGyrator:
        return 6100;
    case PlaceTransformer:
        return 6101;
    case PlaceLamp:
        return 6200;
    case PlaceTransistor:
        return 6300;
    case PlaceOpAmp:
        return 6400;
    case PlaceText:
        return 900;
    default:
        return 0;
    }
}

} // namespace korvanix::gui::cmd
