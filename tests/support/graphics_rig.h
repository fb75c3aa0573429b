// The graphics tests' host and renderer live in the game rig.
#pragma once

#include "support/game_rig.h"
