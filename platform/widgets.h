// The layer's own control classes that Qt Widgets lacks: an LED, an XY graph with two cursors
// and Ctrl-drag zoom, and a strip chart of several traces. Panel files name them as custom
// widgets; the layer's loader creates them.
#pragma once

#include "platform/graph.h"
#include "platform/led.h"
#include "platform/stripchart.h"
