// The layer tests' fixture and their runner of steps inside a loop.
#pragma once
#include "tests/support/LayerTest.h"
#include "tests/support/StepWindow.h"
