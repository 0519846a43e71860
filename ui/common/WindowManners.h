#pragma once

// The manners every program window shares, by concern: its colours, its place on the screen and its closing.
#include "ui/common/Closing.h"
#include "ui/common/Palettes.h"
#include "ui/common/Placement.h"
