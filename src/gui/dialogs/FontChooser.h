#pragma once

namespace korvanix::gui {} // namespace korvanix::gui
